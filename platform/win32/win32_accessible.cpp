#include "platform/win32/win32_accessible.h"

#include <optional>
#include <utility>

#include "platform/win32/win32_oleacc.h"
#include "platform/win32/win32_text.h"

namespace platform_win32 {

namespace {

// The labels and buttons are simple elements (child ids 1..n) of the client object; id 0 is
// the object.
class ClientAccessible final : public IAccessible {
public:
    ClientAccessible(HWND window, ChildSource children) : window_(window), children_(std::move(children)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch: screen readers use the vtable; scripting clients are not served.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!parent) return E_POINTER;
        *parent = nullptr;
        const Oleacc* functions = oleacc();
        if (!functions) return E_FAIL;
        return functions->accessible_object_from_window(window_, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                                        reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(children_().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (child) *child = nullptr;
        return S_FALSE;  // simple elements: no objects of their own
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        const auto children = children_();
        if (!valid(id, children)) return E_INVALIDARG;
        const std::wstring text = to_wide(id.lVal == CHILDID_SELF ? window_text(window_) : of(id, children).name);
        *name = reader_string(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override { return none(value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT id, BSTR* text) override {
        if (!text) return E_POINTER;
        *text = nullptr;
        const auto children = children_();
        if (!valid(id, children)) return E_INVALIDARG;
        if (id.lVal == CHILDID_SELF || of(id, children).description.empty()) return S_FALSE;
        return text_of(to_wide(of(id, children).description), text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        if (!role) return E_POINTER;
        const auto children = children_();
        if (!valid(id, children)) return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = id.lVal == CHILDID_SELF ? ROLE_SYSTEM_CLIENT : of(id, children).role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        if (!state) return E_POINTER;
        const auto children = children_();
        if (!valid(id, children)) return E_INVALIDARG;
        state->vt = VT_I4;
        if (id.lVal == CHILDID_SELF) {
            state->lVal = STATE_SYSTEM_READONLY;
            if (!IsWindowVisible(window_)) state->lVal |= STATE_SYSTEM_INVISIBLE;
            return S_OK;
        }
        const AccessibleChild& child = of(id, children);
        // A button takes the focus and is pressed; a label is text to read.
        state->lVal = child.role == ROLE_SYSTEM_PUSHBUTTON ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_READONLY;
        if (child.focused) state->lVal |= STATE_SYSTEM_FOCUSED;
        if (child.invisible) state->lVal |= STATE_SYSTEM_INVISIBLE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return none(help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (topic) *topic = 0;
        return none(file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* keys) override { return none(keys); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        const auto children = children_();
        for (std::size_t i = 0; i < children.size(); ++i)
            if (children[i].focused) {
                focus->vt = VT_I4;
                focus->lVal = static_cast<long>(i + 1);
                return S_OK;
            }
        focus->vt = VT_EMPTY;
        return S_FALSE;  // no button of this window has it
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection) selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT id, BSTR* action) override {
        if (!action) return E_POINTER;
        *action = nullptr;
        const auto children = children_();
        if (!valid(id, children)) return E_INVALIDARG;
        if (id.lVal == CHILDID_SELF || !of(id, children).button) return S_FALSE;
        return text_of(L"Press", action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT id) override {
        if (!left || !top || !width || !height) return E_POINTER;
        const auto children = children_();
        if (!valid(id, children)) return E_INVALIDARG;
        RECT r;
        if (id.lVal == CHILDID_SELF) {
            GetClientRect(window_, &r);
            MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        } else {
            r = of(id, children).screen;
        }
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override {
        if (end) end->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        if (!hit) return E_POINTER;
        const auto children = children_();
        // Buttons lie above labels; among labels the one listed first lies in front.
        std::optional<std::size_t> found;
        for (std::size_t i = 0; i < children.size(); ++i) {
            const AccessibleChild& c = children[i];
            if (c.invisible || !PtInRect(&c.screen, POINT{x, y})) continue;
            const bool button = c.role == ROLE_SYSTEM_PUSHBUTTON;
            if (!found || (button && children[*found].role != ROLE_SYSTEM_PUSHBUTTON)) found = i;
        }
        hit->vt = VT_I4;
        hit->lVal = found ? static_cast<long>(*found + 1) : CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT id) override {
        const auto children = children_();
        if (!valid(id, children)) return E_INVALIDARG;
        if (id.lVal == CHILDID_SELF || !of(id, children).button) return DISP_E_MEMBERNOTFOUND;
        const AccessibleChild& child = of(id, children);
        if (child.invisible || !IsWindowEnabled(child.button)) return E_FAIL;
        // Pressed once the reader's call has returned, as a click would be.
        PostMessageW(child.button, BM_CLICK, 0, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static HRESULT text_of(const std::wstring& text, BSTR* out) {
        *out = reader_string(text.data(), static_cast<UINT>(text.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT none(BSTR* out) {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    static bool valid(const VARIANT& id, const std::vector<AccessibleChild>& children) {
        return id.vt == VT_I4 && id.lVal >= 0 && static_cast<std::size_t>(id.lVal) <= children.size();
    }
    static const AccessibleChild& of(const VARIANT& id, const std::vector<AccessibleChild>& children) {
        return children[static_cast<std::size_t>(id.lVal - 1)];
    }

    LONG refs_ = 1;
    HWND window_;
    ChildSource children_;
};

}  // namespace

IAccessible* make_client_accessible(HWND window, ChildSource children) {
    return new ClientAccessible(window, std::move(children));
}

}  // namespace platform_win32
