#pragma once
// A launcher over an imagined file system: it records every existence test and start, and
// starts only the programs it was told exist.

#include <set>
#include <string>
#include <vector>

#include "platform/launcher.h"

namespace fakes {

class FakeLauncher final : public platform::Launcher {
public:
    bool file_exists(const std::string& path) override {
        tested.push_back(path);
        return files.contains(path);
    }
    void start(const std::string& path) override {
        attempted.push_back(path);
        if (!files.contains(path) || refuse_start) throw platform::LaunchError("cannot start " + path);
        started.push_back(path);
    }

    std::set<std::string> files;  // regular files that exist, by their exact path
    bool refuse_start = false;    // every start fails, as with a file that is not a program
    std::vector<std::string> tested;
    std::vector<std::string> attempted;  // every start asked for, successful or not
    std::vector<std::string> started;
};

}  // namespace fakes
