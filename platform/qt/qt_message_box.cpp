#include "platform/qt/qt_message_box.h"

#include <QAbstractButton>
#include <QPushButton>

#include "platform/forms/message_box.h"
#include "platform/qt/qt_fixed_frame.h"

namespace platform_qt {

namespace {

QMessageBox::Icon icon_of(platform::BoxIcon icon) {
    switch (icon) {
        case platform::BoxIcon::Critical: return QMessageBox::Critical;
        case platform::BoxIcon::Question: return QMessageBox::Question;
        case platform::BoxIcon::Exclamation: return QMessageBox::Warning;
        case platform::BoxIcon::Information: return QMessageBox::Information;
        case platform::BoxIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString prompt_text(const std::string& prompt) {
    const std::string text = prompt.substr(0, prompt.find('\0'));
    QString out = QString::fromStdString(text);
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

std::unique_ptr<QMessageBox> make_message_box(const std::string& prompt, int style,
                                              const std::optional<std::string>& title,
                                              const std::string& application_title) {
    const platform::BoxLayout layout = platform::box_layout(style);
    auto box = std::make_unique<QMessageBox>();
    box->setWindowModality(Qt::ApplicationModal);
    box->setWindowTitle(QString::fromStdString(title ? *title : application_title));
    box->setTextFormat(Qt::PlainText);
    box->setText(prompt_text(prompt));
    box->setIcon(icon_of(layout.icon));
    box->setAccessibleName(box->windowTitle());
    // A message box keeps the size its text gives it.
    FixedFrame::keep(box.get());

    // All buttons share one role, so the box keeps them in the order given.
    QAbstractButton* cancel = nullptr;
    for (const std::string& name : layout.buttons) {
        QPushButton* b = box->addButton(QString::fromStdString(name), QMessageBox::ActionRole);
        b->setAccessibleName(b->text());
        if (!box->defaultButton()) box->setDefaultButton(b);
        if (name == "Cancel") cancel = b;
    }
    if (!cancel && layout.buttons.size() == 1) cancel = box->buttons().front();
    if (cancel) box->setEscapeButton(cancel);
    return box;
}

}  // namespace platform_qt
