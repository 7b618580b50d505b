// The forms contract on Qt Widgets, offscreen.

#include "tests/platform/forms_boxes.h"
#include "tests/platform/forms_contract.h"
#include "tests/platform/forms_input.h"
#include "tests/platform/forms_render.h"
#include "tests/platform/qt/qt_driver.h"
#include "tests/platform/reader_names.h"

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormsContract, qt_test::QtDriver);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormsInput, qt_test::QtDriver);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormsBoxes, qt_test::QtDriver);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormsRender, qt_test::QtDriver);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, ReaderNames, qt_test::QtDriver);
}  // namespace contract
