#include "platform/qt/qt_tray.h"

#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QPixmap>

namespace platform_qt {

namespace {

// A plain stand-in for a program that has no icon of its own: the area shows nothing for
// an icon without pixels.
QIcon stand_in_icon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(128, 128, 255));
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    return QIcon(pixmap);
}

}  // namespace

std::vector<int> tray_codes(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger: return {platform::kTrayLeftUp};
        case QSystemTrayIcon::Context: return {platform::kTrayRightUp};
        case QSystemTrayIcon::DoubleClick: return {platform::kTrayLeftDoubleClick, platform::kTrayLeftUp};
        case QSystemTrayIcon::MiddleClick: return {kTrayMiddleUp};
        case QSystemTrayIcon::Unknown: break;
    }
    return {};
}

QtTray::QtTray(QIcon icon)
    : QtTray(std::move(icon), &QSystemTrayIcon::isSystemTrayAvailable, std::chrono::seconds(2)) {}

QtTray::QtTray(QIcon icon, AreaProbe probe, std::chrono::milliseconds check_every)
    : image_(std::move(icon)), probe_(std::move(probe)) {
    if (image_.isNull()) image_ = QApplication::windowIcon();
    if (image_.isNull()) image_ = stand_in_icon();
    area_check_.setInterval(check_every);
    QObject::connect(&area_check_, &QTimer::timeout, [this] { check_area(); });
}

QtTray::~QtTray() { remove(); }

bool QtTray::add(const std::string& tooltip, std::function<void(int)> notify) {
    notify_ = std::move(notify);
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>(image_);
        QObject::connect(icon_.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason r) {
            for (int code : tray_codes(r))
                if (notify_) notify_(code);
        });
        if (menu_) icon_->setContextMenu(menu_.get());
    }
    // The tooltip is kept even without an area, for one that appears later.
    icon_->setToolTip(QString::fromStdString(tooltip));
    area_ = probe_();
    place();
    area_check_.start();
    return shown();
}

void QtTray::remove() {
    area_check_.stop();
    if (!icon_) return;
    icon_->hide();
    icon_.reset();
}

bool QtTray::shown() const { return icon_ && area_ && icon_->isVisible(); }

void QtTray::on_availability(std::function<void(bool)> changed) { changed_ = std::move(changed); }

void QtTray::set_menu(std::vector<platform::TrayMenuItem> items) {
    items_ = std::move(items);
    build_menu();
}

void QtTray::build_menu() {
    if (icon_) icon_->setContextMenu(nullptr);
    menu_.reset();
    if (items_.empty()) return;
    menu_ = std::make_unique<QMenu>();
    for (std::size_t i = 0; i < items_.size(); ++i) {
        QAction* action = menu_->addAction(QString::fromStdString(items_[i].text));
        QObject::connect(action, &QAction::triggered, menu_.get(), [this, i] {
            if (i < items_.size() && items_[i].run) items_[i].run();
        });
    }
    if (icon_) icon_->setContextMenu(menu_.get());
}

void QtTray::check_area() {
    if (!icon_) return;
    const bool now = probe_();
    if (now == area_) return;
    area_ = now;
    place();
    if (changed_) changed_(now);
}

void QtTray::place() {
    if (!icon_) return;
    if (!area_) {
        icon_->hide();
        return;
    }
    // A fresh show docks the icon in the area that is there now.
    icon_->hide();
    icon_->show();
}

}  // namespace platform_qt
