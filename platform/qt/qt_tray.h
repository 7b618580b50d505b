#pragma once
// The program's icon in the notification area, on QSystemTrayIcon.
//
// Qt reports activations rather than mouse messages; they are told to the program as the
// codes of the mouse messages they stand for (a left click is a left-button release).
// Whether an area exists is looked at every two seconds while the icon exists, so an area
// that goes away or comes back (the desktop's panel restarts) is noticed and the icon is
// placed again.

#include <QIcon>
#include <QMenu>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/tray.h"

namespace platform_qt {

inline constexpr int kTrayMiddleUp = 0x208;

// The codes an activation stands for, in order: a double-click is the double-click message
// followed by the second click's release (Qt reported the first click already).
std::vector<int> tray_codes(QSystemTrayIcon::ActivationReason reason);

class QtTray final : public platform::Tray {
public:
    using AreaProbe = std::function<bool()>;  // whether a notification area exists now

    explicit QtTray(QIcon icon = {});
    QtTray(QIcon icon, AreaProbe probe, std::chrono::milliseconds check_every);
    ~QtTray() override;
    QtTray(const QtTray&) = delete;
    QtTray& operator=(const QtTray&) = delete;

    bool add(const std::string& tooltip, std::function<void(int code)> notify) override;
    void remove() override;
    bool shown() const override;
    void on_availability(std::function<void(bool available)> changed) override;
    void set_menu(std::vector<platform::TrayMenuItem> items) override;

    // For tests.
    QSystemTrayIcon* icon() const { return icon_.get(); }
    QMenu* menu() const { return menu_.get(); }
    const QTimer& area_check() const { return area_check_; }

private:
    void check_area();
    void place();
    void build_menu();

    QIcon image_;
    AreaProbe probe_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QMenu> menu_;
    std::vector<platform::TrayMenuItem> items_;
    std::function<void(int)> notify_;
    std::function<void(bool)> changed_;
    QTimer area_check_;
    bool area_ = false;
};

}  // namespace platform_qt
