#pragma once
// What a screen reader is told of one form: its client object when a reader asks for it, the
// labels and buttons it holds as they are now, and a label's new text where a person could
// read it.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/fields.h"
#include "platform/forms/form_model.h"
#include "platform/win32/win32_accessible.h"
#include "platform/win32/win32_form_windows.h"

namespace platform_win32 {

class FormAccessibility {
public:
    // The model, the captions, each control's own visibility and the windows are the form's
    // and outlive this.
    FormAccessibility(const forms::WindowModel& model, const engine::FieldStore& fields, const std::vector<bool>& shown,
                      const FormWindows& windows);
    ~FormAccessibility() { forget(); }
    FormAccessibility(const FormAccessibility&) = delete;
    FormAccessibility& operator=(const FormAccessibility&) = delete;

    // WM_GETOBJECT for the client object.
    LRESULT client_object(WPARAM wparam, LPARAM lparam);
    // The labels and buttons as a screen reader is told of them.
    std::vector<AccessibleChild> children() const;
    // A label's caption changed: a reader hears of it if a person could read it now.
    void name_changed(std::size_t label);
    // The window goes: an object still in a reader's hands has no children from now on.
    void forget() { *token_ = nullptr; }

private:
    const forms::WindowModel& model_;
    const engine::FieldStore& fields_;
    const std::vector<bool>& shown_;
    const FormWindows& windows_;
    std::vector<long> child_id_;  // per control: its id in the client object
    // The object may outlive the form in a reader's hands: it asks through this token.
    std::shared_ptr<const FormAccessibility*> token_ = std::make_shared<const FormAccessibility*>(this);
};

}  // namespace platform_win32
