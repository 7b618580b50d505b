// The font tests start as Velmora3-C.exe starts: the system's faces are noted first, then the
// carried fonts are added, before any window asks for a face.

#include <gtest/gtest.h>

#include "app/win32/resource_ids.h"
#include "platform/win32/win32_look.h"
#include "tests/platform/win32/win32_system_faces.h"

int main(int argc, char** argv) {
    win32_test::note_system_faces();
    win32_test::carried_faces_added() =
        platform_win32::add_carried_fonts(GetModuleHandleW(nullptr), kVelmoraCarriedFonts);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
