// The font tests start as Velmora3-C.exe starts: the system's faces are noted first, then the
// carried families are made known, before any window asks for a face.

#include <gtest/gtest.h>

#include "app/win32/carried_families.h"
#include "platform/win32/win32_look.h"
#include "tests/platform/win32/win32_system_faces.h"

int main(int argc, char** argv) {
    win32_test::note_system_faces();
    platform_win32::carry_families(GetModuleHandleW(nullptr), kVelmoraCarriedFamilies);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
