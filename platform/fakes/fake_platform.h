#pragma once
// Fakes of the shell and the tray: they record what the program asked of them.

#include <functional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/tray.h"

namespace fakes {

class FakeShell final : public platform::Shell {
public:
    void open(const std::string& address) override { opened.push_back(address); }
    std::vector<std::string> opened;
};

class FakeTray final : public platform::Tray {
public:
    bool add(const std::string& tooltip, std::function<void(int)> notify) override {
        ++adds;
        this->tooltip = tooltip;
        this->notify = std::move(notify);
        present = area;
        return area;
    }
    void remove() override {
        ++removes;
        present = false;
    }
    bool shown() const override { return present; }
    void on_availability(std::function<void(bool)> changed) override { availability = std::move(changed); }
    void set_menu(std::vector<platform::TrayMenuItem> items) override { menu = std::move(items); }

    // The desktop's notification area appears or goes away.
    void set_area(bool available) {
        area = available;
        if (adds > removes) present = available;
        if (availability) availability(available);
    }
    void send(int code) { notify(code); }

    bool area = true;  // whether a notification area exists
    bool present = false;
    int adds = 0, removes = 0;
    std::string tooltip;
    std::function<void(int)> notify;
    std::function<void(bool)> availability;
    std::vector<platform::TrayMenuItem> menu;
};

}  // namespace fakes
