// The shared suites on the Win32 API under Wine: the forms contract, and the About box and the
// arrival window.

#include "tests/platform/win32/win32_driver.h"
// After windows.h: the contract's headers name no Windows type.
#include "tests/platform/forms_boxes.h"
#include "tests/platform/forms_contract.h"
#include "tests/platform/forms_input.h"
#include "tests/platform/forms_render.h"
#include "tests/platform/reader_names.h"
#include "tests/secondary_windows/secondary_contract.h"

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsContract, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsInput, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsBoxes, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormsRender, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ReaderNames, win32_test::Win32Driver);
}  // namespace contract

namespace secondary_contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SecondaryWindows, win32_test::Win32Driver);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SecondaryReaderNames, win32_test::Win32Driver);
}  // namespace secondary_contract
