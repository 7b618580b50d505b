#pragma once
// A message box as the platform shows one: the buttons and icon of a style value, the
// title or else the application's title, the prompt as plain text with its line breaks.

#include <QMessageBox>
#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace platform_qt {

// CR LF, a lone CR and a lone LF each break the line; the prompt ends at a NUL character,
// as a C string would.
QString prompt_text(const std::string& prompt);

// The box, ready to exec(): modal to the application, the first button the default one; Esc
// and the close box answer only when there is a Cancel button or a single button. Without a
// title of its own the box bears the application's title.
std::unique_ptr<QMessageBox> make_message_box(const std::string& prompt, int style,
                                              const std::optional<std::string>& title,
                                              const std::string& application_title);

}  // namespace platform_qt
