// StartSysInfo's roads: the registry's two locations, the existence test, the start, and
// the one failure prompt.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/fakes/fake_forms.h"
#include "platform/fakes/fake_launcher.h"
#include "platform/fakes/fake_registry.h"
#include "secondary_windows/sys_info.h"

namespace {

using platform::kLocalMachine;
using Strings = std::vector<std::string>;

const std::string kPathKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const std::string kTool = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe";
const std::string kFolder = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo";
const std::string kFolderTool = kFolder + "\\MSINFO32.EXE";

struct World {
    fakes::FakeRegistry registry;
    fakes::FakeLauncher launcher;
    fakes::FakeRuntime boxes;

    void path_value(const std::string& path) {
        registry.add_key(kLocalMachine, kPathKey);
        registry.set_text(kLocalMachine, kPathKey, "PATH", path);
    }
    void folder_value(const std::string& folder) {
        registry.add_key(kLocalMachine, kFolderKey);
        registry.set_text(kLocalMachine, kFolderKey, "MSINFO", folder);
    }
};

struct Road {
    const char* what;
    std::function<void(World&)> setup;
    Strings tested;     // existence tests, in order
    Strings attempted;  // starts asked for
    Strings started;    // starts that succeeded
    Strings keys;       // keys opened, in order
    bool prompt;        // the failure prompt was shown
};

// clang-format off
const Road kRoads[] = {
    {"first location, tool present: started untested",
     [](World& w) {
         w.path_value(kTool);
         w.launcher.files = {kTool};
     },
     {}, {kTool}, {kTool}, {kPathKey}, false},
    {"first location, tool absent: the start fails, no existence test",
     [](World& w) { w.path_value(kTool); }, {}, {kTool}, {}, {kPathKey}, true},
    {"second location with the tool in its folder",
     [](World& w) {
         w.folder_value(kFolder);
         w.launcher.files = {kFolderTool};
     },
     {kFolderTool}, {kFolderTool}, {kFolderTool}, {kPathKey, kFolderKey}, false},
    {"second location without the tool",
     [](World& w) {
         w.folder_value(kFolder);
         w.launcher.files = {kFolder + "\\other.exe"};
     },
     {kFolderTool}, {}, {}, {kPathKey, kFolderKey}, true},
    {"second location, tool present but it cannot be started",
     [](World& w) {
         w.folder_value(kFolder);
         w.launcher.files = {kFolderTool};
         w.launcher.refuse_start = true;
     },
     {kFolderTool}, {kFolderTool}, {}, {kPathKey, kFolderKey}, true},
    {"neither location", [](World&) {}, {}, {}, {}, {kPathKey, kFolderKey}, true},
    {"first location's key without the value falls back to the second",
     [](World& w) {
         w.registry.add_key(kLocalMachine, kPathKey);
         w.folder_value(kFolder);
         w.launcher.files = {kFolderTool};
     },
     {kFolderTool}, {kFolderTool}, {kFolderTool}, {kPathKey, kFolderKey}, false},
    {"an empty first value goes straight to the prompt, the second is not consulted",
     [](World& w) {
         w.registry.add_key(kLocalMachine, kPathKey);
         w.registry.set_value(kLocalMachine, kPathKey, "PATH", {.type = platform::kRegText, .data = {}});
         w.folder_value(kFolder);
         w.launcher.files = {kFolderTool};
     },
     {}, {}, {}, {kPathKey}, true},
    {"an empty second value is the prompt too",
     [](World& w) {
         w.registry.add_key(kLocalMachine, kFolderKey);
         w.registry.set_value(kLocalMachine, kFolderKey, "MSINFO", {.type = platform::kRegText, .data = {}});
     },
     {}, {}, {}, {kPathKey, kFolderKey}, true},
    {"a first value of another type counts as read: the empty path fails to start",
     [](World& w) {
         w.registry.add_key(kLocalMachine, kPathKey);
         w.registry.set_value(kLocalMachine, kPathKey, "PATH", {.type = 3, .data = {1, 2, 3}});
         w.folder_value(kFolder);
         w.launcher.files = {kFolderTool};
     },
     {}, {""}, {}, {kPathKey}, true},
    {"a first value that is a number is started as its digits",
     [](World& w) {
         w.registry.add_key(kLocalMachine, kPathKey);
         w.registry.set_number(kLocalMachine, kPathKey, "PATH", 261);
         w.launcher.files = {"261"};
     },
     {}, {"261"}, {"261"}, {kPathKey}, false},
    {"a first value larger than the buffer falls back to the second",
     [](World& w) {
         w.path_value(std::string(1030, 'p'));
         w.folder_value(kFolder);
         w.launcher.files = {kFolderTool};
     },
     {kFolderTool}, {kFolderTool}, {kFolderTool}, {kPathKey, kFolderKey}, false},
};
// clang-format on

TEST(StartSysInfo, FollowsEachRoadToAStartOrTheFailurePrompt) {
    for (const Road& road : kRoads) {
        SCOPED_TRACE(road.what);
        World w;
        road.setup(w);
        secondary::StartSysInfo(w.registry, w.launcher, w.boxes);

        EXPECT_EQ(w.launcher.tested, road.tested);
        EXPECT_EQ(w.launcher.attempted, road.attempted);
        EXPECT_EQ(w.launcher.started, road.started);
        Strings keys;
        for (const auto& open : w.registry.opens) {
            keys.push_back(open.path);
            EXPECT_EQ(open.root, kLocalMachine);
            EXPECT_EQ(open.access, platform::kKeyRead);
        }
        EXPECT_EQ(keys, road.keys);
        EXPECT_EQ(w.registry.closes.size(), road.keys.size()) << "every key opened is closed";
        EXPECT_EQ(w.registry.open_handles(), 0u);

        if (road.prompt) {
            ASSERT_EQ(w.boxes.boxes().size(), 1u);
            EXPECT_EQ(w.boxes.boxes()[0].prompt, "System Information Is Unavailable At This Time");
            EXPECT_EQ(w.boxes.boxes()[0].style, 0);
            EXPECT_FALSE(w.boxes.boxes()[0].title.has_value()) << "the box bears the application title";
        } else {
            EXPECT_TRUE(w.boxes.boxes().empty());
        }
    }
}

// Blanks are part of the one program name: nothing is split off as an argument.
TEST(StartSysInfo, APathWithBlanksReachesTheLauncherWhole) {
    World w;
    const std::string spaced = "C:\\Program Files\\Sys Info\\msinfo32.exe /report x.txt";
    w.path_value(spaced);
    w.launcher.files = {spaced};
    secondary::StartSysInfo(w.registry, w.launcher, w.boxes);
    EXPECT_EQ(w.launcher.started, Strings{spaced});
    EXPECT_TRUE(w.boxes.boxes().empty());
}

}  // namespace
