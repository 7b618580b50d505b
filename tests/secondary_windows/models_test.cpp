// The two window models: the layout rules their tables imply, and the icon files the
// About box and the program name.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "identity/identity.h"
#include "secondary_windows/about_model.h"
#include "secondary_windows/arrival_model.h"

namespace {

using forms::Control;
using forms::Kind;
using forms::WindowModel;

const Control& control(const WindowModel& model, std::string_view name) {
    for (const Control& c : model.controls)
        if (c.name == name) return c;
    throw std::out_of_range(std::string(name));
}
std::ptrdiff_t position(const WindowModel& model, std::string_view name) {
    return &control(model, name) - model.controls.data();
}

void expect_sound_model(const WindowModel& model) {
    std::set<std::string_view> names;
    std::set<int> tabs;
    for (const Control& c : model.controls) {
        SCOPED_TRACE(std::string(c.name));
        EXPECT_TRUE(names.insert(c.name).second) << "names are unique";
        if (c.tab >= 0) {
            EXPECT_TRUE(tabs.insert(c.tab).second) << "tab indexes are unique";
        }
        EXPECT_TRUE(c.container.empty()) << "no frames here";
        if (c.kind == Kind::Line) {
            for (int x : {c.ends.x1, c.ends.x2}) EXPECT_TRUE(x >= 0 && x <= model.client_width);
            for (int y : {c.ends.y1, c.ends.y2}) EXPECT_TRUE(y >= 0 && y <= model.client_height);
        } else {
            EXPECT_GE(c.rect.left, 0);
            EXPECT_GE(c.rect.top, 0);
            EXPECT_GT(c.rect.width, 0);
            EXPECT_GT(c.rect.height, 0);
            EXPECT_LE(c.rect.left + c.rect.width, model.client_width) << "inside the client area";
            EXPECT_LE(c.rect.top + c.rect.height, model.client_height) << "inside the client area";
        }
    }
    // The tab indexes run 0, 1, 2, ... without a gap.
    ASSERT_FALSE(tabs.empty());
    EXPECT_EQ(*tabs.begin(), 0);
    EXPECT_EQ(*tabs.rbegin(), static_cast<int>(tabs.size()) - 1);
    EXPECT_EQ(model.border, forms::Border::FixedDialog);
}

TEST(ArrivalModel, IsABlackFixedDialogWithHugeRedLettering) {
    const WindowModel& m = secondary::kArrival;
    expect_sound_model(m);
    EXPECT_EQ(m.name, "VEF2D");
    EXPECT_EQ(m.caption, "YEAH!");
    EXPECT_EQ(m.client_width, 7575);
    EXPECT_EQ(m.client_height, 5715);
    EXPECT_EQ(m.back.source, forms::Colour::Source::Fixed);
    EXPECT_EQ(m.back.red + m.back.green + m.back.blue, 0);
    EXPECT_TRUE(m.placement.system_default);

    std::string lettering;
    for (const char* name : {"Label1", "Label3", "Label4"}) {
        const Control& c = control(m, name);
        EXPECT_EQ(c.font.face, "LCARS");
        EXPECT_EQ(c.font.points, 72);
        EXPECT_EQ(c.font.weight, 400);
        EXPECT_EQ(c.fore.source, forms::Colour::Source::Fixed);
        EXPECT_EQ(c.fore.red, 255);
        EXPECT_EQ(c.fore.green + c.fore.blue, 0);
        lettering += std::string(c.text) + "/";
    }
    EXPECT_EQ(lettering, "JUST SO YOU KNOW,/VELMORA FEST 3/IS TODAY!!!/");
    for (const Control& c : m.controls)
        if (c.kind == Kind::Label) {
            EXPECT_TRUE(c.transparent) << c.name << ": the black shows through";
        }
    EXPECT_EQ(control(m, "Label2").fore.system_index, forms::kButtonFace);
}

TEST(ArrivalModel, ItsButtonIsTheOnlyControlThatTakesTheFocus) {
    const WindowModel& m = secondary::kArrival;
    std::vector<std::string_view> buttons;
    for (const Control& c : m.controls)
        if (c.kind == Kind::Button) buttons.push_back(c.name);
    EXPECT_EQ(buttons, std::vector<std::string_view>{"Command1"});
    EXPECT_EQ(control(m, "Command1").text, "Click This.");
}

TEST(AboutModel, IsAFixedDialogPlacedAtItsOwnCorner) {
    const WindowModel& m = secondary::kAbout;
    expect_sound_model(m);
    EXPECT_EQ(m.name, "frmAbout");
    EXPECT_EQ(m.caption, "About MyApp") << "the load step replaces it";
    EXPECT_EQ(m.client_width, 5760);
    EXPECT_EQ(m.client_height, 3765);
    EXPECT_FALSE(m.placement.system_default);
    EXPECT_EQ(m.placement.left, 2340);
    EXPECT_EQ(m.placement.top, 1935);
    EXPECT_EQ(m.back.system_index, forms::kButtonFace);
    EXPECT_EQ(m.controls.size(), 14u);
}

TEST(AboutModel, OkIsFocusedFirstAndAnswersEnterAndEsc) {
    const Control& ok = control(secondary::kAbout, "cmdOK");
    EXPECT_EQ(ok.tab, 0);
    EXPECT_TRUE(ok.is_default);
    EXPECT_TRUE(ok.is_cancel);
    for (const Control& c : secondary::kAbout.controls)
        if (c.name != "cmdOK") {
            EXPECT_FALSE(c.is_default || c.is_cancel) << c.name;
        }
}

// Among labels and lines the first listed is drawn on top.
TEST(AboutModel, TheEtchedSeparatorHasItsGreyHalfOverItsWhiteHalf) {
    const WindowModel& m = secondary::kAbout;
    const Control& grey = control(m, "Line1_1");
    const Control& white = control(m, "Line1_0");
    EXPECT_LT(position(m, "Line1_1"), position(m, "Line1_0"));
    EXPECT_EQ(grey.ends.y1, 2400);
    EXPECT_EQ(grey.ends.y2, 2400);
    EXPECT_EQ(white.ends.y1, 2400);
    EXPECT_EQ(white.ends.y2, 2400);
    EXPECT_EQ(grey.fore.red, 128);
    EXPECT_EQ(white.fore.red, 255);
    EXPECT_EQ(grey.line_width, 1);
    EXPECT_EQ(white.line_width, 2);
    EXPECT_TRUE(grey.inside_solid);
}

TEST(AboutModel, DisclaimerLeavesRoomForItsBoldHeadingWhichLiesOverIt) {
    const WindowModel& m = secondary::kAbout;
    const Control& heading = control(m, "Label3");
    const Control& text = control(m, "lblDisclaimer");
    EXPECT_LT(position(m, "Label3"), position(m, "lblDisclaimer"));
    EXPECT_EQ(heading.rect.left, text.rect.left);
    EXPECT_EQ(heading.rect.top, text.rect.top);
    EXPECT_EQ(heading.text, "DISCLAIMER:");
    EXPECT_EQ(heading.font.weight, 700);
    EXPECT_EQ(heading.font.face, "MS Sans Serif");
    const std::string disclaimer(text.text);
    EXPECT_EQ(disclaimer.find_first_not_of(' '), 27u) << "27 leading blanks";
    EXPECT_EQ(disclaimer.substr(27), "I have no affiliation with Velmora Fest, I did this because I was bored. ");
    // Neither paints a background: the disclaimer reaches into "Please redistribute ...", and
    // the heading's rectangle may be wider than a stand-in face's 27 blanks.
    EXPECT_TRUE(text.transparent);
    EXPECT_TRUE(heading.transparent);
    EXPECT_GT(text.rect.top + text.rect.height, control(m, "Label2").rect.top);
}

TEST(AboutModel, TextsNameTheAuthorTheAddressAndTheBuild) {
    const WindowModel& m = secondary::kAbout;
    EXPECT_EQ(control(m, "Command1").text,
              "Click here to me send an E-Mail! (" + std::string(secondary::kContactAddress) + ")");
    EXPECT_TRUE(secondary::kContactAddress.ends_with("@example.org"));
    // Each build names what it is made with; the second sentence is the same for all.
    const std::string fixed = "This version was compiled at 8:13pm February 9, 2013";
    for (const std::string& credit : {std::string(control(m, "Label1").text), secondary::credit_line("C++ with Qt"),
                                      secondary::credit_line("C++ and the Win32 API")}) {
        ASSERT_TRUE(credit.ends_with(". " + fixed)) << credit;
        const std::string first = credit.substr(0, credit.size() - fixed.size());
        EXPECT_TRUE(first.starts_with("Ardo wrote this program in C++")) << first;
        EXPECT_EQ(first.find("Visual Basic"), std::string::npos) << first;
    }
    EXPECT_EQ(secondary::credit_line("C++ and the Win32 API"),
              "Ardo wrote this program in C++ and the Win32 API, one bored evening at a time. " + fixed);
    const Control& label6 = control(m, "Label6");
    EXPECT_EQ(label6.font.face, "Arial");
    EXPECT_EQ(label6.font.points, 6.75);
    EXPECT_EQ(control(m, "lblTitle").fore.source, forms::Colour::Source::Fixed);
}

// The picture the About box names is one the program compiles in under /velmora.
TEST(AboutModel, TheIconIsAResourceOfTheProgram) {
    const Control& icon = control(secondary::kAbout, "picIcon");
    EXPECT_EQ(icon.kind, Kind::PictureBox);
    EXPECT_EQ(icon.picture, secondary::kAboutIcon);
    EXPECT_EQ(icon.picture, ":/velmora/about-icon.png");
}

// --- The icon files -------------------------------------------------------------------

struct Png {
    std::uint32_t width = 0, height = 0;
    int colour_type = -1;
    std::size_t palette = 0;  // entries of PLTE
};

std::uint32_t big_endian(const std::string& b, std::size_t at) {
    return std::uint32_t(std::uint8_t(b[at])) << 24 | std::uint32_t(std::uint8_t(b[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(b[at + 2])) << 8 | std::uint32_t(std::uint8_t(b[at + 3]));
}

Png read_png(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Png png;
    if (b.size() < 33 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return png;
    for (std::size_t at = 8; at + 8 <= b.size();) {
        const std::uint32_t length = big_endian(b, at);
        const std::string type = b.substr(at + 4, 4);
        if (at + 12 + length > b.size()) break;
        if (type == "IHDR") {
            png.width = big_endian(b, at + 8);
            png.height = big_endian(b, at + 12);
            png.colour_type = std::uint8_t(b[at + 17]);
        }
        if (type == "PLTE") png.palette = length / 3;
        at += 12 + length;
    }
    return png;
}

TEST(Icons, EachSizeOfTheProgramIconIsThere) {
    for (int size : identity::kIconSizes) {
        const std::string n = std::to_string(size);
        const std::string path = VELMORA_SOURCE_DIR "/packaging/icons/hicolor/" + n + "x" + n + "/apps/velmora3-c.png";
        SCOPED_TRACE(path);
        const Png png = read_png(path);
        EXPECT_EQ(png.width, std::uint32_t(size));
        EXPECT_EQ(png.height, std::uint32_t(size));
    }
}

TEST(Icons, TheAboutIconIs32PixelsIn16Colours) {
    const Png png = read_png(VELMORA_SOURCE_DIR "/packaging/icons/about-icon.png");
    EXPECT_EQ(png.width, 32u);
    EXPECT_EQ(png.height, 32u);
    EXPECT_EQ(png.colour_type, 3) << "a palette image";
    EXPECT_GE(png.palette, 2u);
    EXPECT_LE(png.palette, 16u);
}

}  // namespace
