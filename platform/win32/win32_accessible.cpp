#include "platform/win32/win32_accessible.h"

#include <utility>

#include "platform/win32/win32_text.h"

namespace platform_win32 {

namespace {

// The labels are simple elements (child ids 1..n) of the client object; id 0 is the object.
class ClientAccessible final : public IAccessible {
public:
    ClientAccessible(HWND window, LabelSource labels) : window_(window), labels_(std::move(labels)) {}

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
        return AccessibleObjectFromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), __uuidof(IDispatch),
                                          reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(labels_().size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (child) *child = nullptr;
        return S_FALSE;  // simple elements: no objects of their own
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT id, BSTR* name) override {
        if (!name) return E_POINTER;
        *name = nullptr;
        if (id.vt != VT_I4) return E_INVALIDARG;
        if (id.lVal == CHILDID_SELF) {
            const int length = GetWindowTextLengthW(window_);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            text.resize(static_cast<std::size_t>(GetWindowTextW(window_, text.data(), length + 1)));
            *name = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            return S_OK;
        }
        const auto labels = labels_();
        if (id.lVal < 1 || static_cast<std::size_t>(id.lVal) > labels.size()) return E_INVALIDARG;
        const std::wstring text = to_wide(labels[static_cast<std::size_t>(id.lVal - 1)].name);
        *name = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override { return none(value); }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override { return none(text); }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT id, VARIANT* role) override {
        if (!role) return E_POINTER;
        if (!valid(id)) return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = id.lVal == CHILDID_SELF ? ROLE_SYSTEM_CLIENT : ROLE_SYSTEM_STATICTEXT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT id, VARIANT* state) override {
        if (!state) return E_POINTER;
        if (!valid(id)) return E_INVALIDARG;
        state->vt = VT_I4;
        state->lVal = STATE_SYSTEM_READONLY;
        if (id.lVal == CHILDID_SELF) {
            if (!IsWindowVisible(window_)) state->lVal |= STATE_SYSTEM_INVISIBLE;
        } else if (labels_()[static_cast<std::size_t>(id.lVal - 1)].invisible) {
            state->lVal |= STATE_SYSTEM_INVISIBLE;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return none(help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (topic) *topic = 0;
        return none(file);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* keys) override { return none(keys); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus) focus->vt = VT_EMPTY;
        return S_FALSE;  // labels never take the focus
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection) selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* action) override { return none(action); }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT id) override {
        if (!left || !top || !width || !height) return E_POINTER;
        if (!valid(id)) return E_INVALIDARG;
        RECT r;
        if (id.lVal == CHILDID_SELF) {
            GetClientRect(window_, &r);
            MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        } else {
            r = labels_()[static_cast<std::size_t>(id.lVal - 1)].screen;
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
        const auto labels = labels_();
        for (std::size_t i = 0; i < labels.size(); ++i)  // listed first lies in front
            if (!labels[i].invisible && PtInRect(&labels[i].screen, POINT{x, y})) {
                hit->vt = VT_I4;
                hit->lVal = static_cast<long>(i + 1);
                return S_OK;
            }
        hit->vt = VT_I4;
        hit->lVal = CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    static HRESULT none(BSTR* out) {
        if (out) *out = nullptr;
        return S_FALSE;
    }
    bool valid(const VARIANT& id) const {
        return id.vt == VT_I4 && id.lVal >= 0 && static_cast<std::size_t>(id.lVal) <= labels_().size();
    }

    LONG refs_ = 1;
    HWND window_;
    LabelSource labels_;
};

}  // namespace

IAccessible* make_client_accessible(HWND window, LabelSource labels) {
    return new ClientAccessible(window, std::move(labels));
}

}  // namespace platform_win32
