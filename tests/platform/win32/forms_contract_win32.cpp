// The forms contract on the Win32 API under Wine.

#include "tests/platform/win32/win32_driver.h"

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsContract, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsInput, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsBoxes, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsRender, win32_test::Win32Driver);
}  // namespace contract
