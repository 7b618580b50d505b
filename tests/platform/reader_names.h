#pragma once
// What a screen reader reads on the real runtimes: every label and button by the text it shows,
// as it is now, and the window by its caption.

#include "tests/platform/forms_contract.h"

namespace contract {

template <RealDriver D>
using ReaderNames = FormsContract<D>;
TYPED_TEST_SUITE_P(ReaderNames);

TYPED_TEST_P(ReaderNames, EveryLabelAndButtonIsReadByItsTextAndTheWindowByItsCaptionAsTheyAreNow) {
    forms::Form& form = this->load();
    this->driver.show(form);
    form.set_visible("Odd", false);  // a hidden label is read as well
    expect_read_as_shown(this->driver, form, kProbe);
    EXPECT_EQ(this->driver.reader_name(form, ""), "Probe window");
    form.fields().set("Far", "\u041f\u0440\u0438\u0432\u0435\u0442, \u6771\u4eac");
    EXPECT_EQ(this->driver.reader_name(form, "Far"), "\u041f\u0440\u0438\u0432\u0435\u0442, \u6771\u4eac");
    form.set_caption("Renamed");
    EXPECT_EQ(this->driver.reader_name(form, ""), "Renamed");
    EXPECT_EQ(form.caption(), "Renamed");
}

REGISTER_TYPED_TEST_SUITE_P(ReaderNames, EveryLabelAndButtonIsReadByItsTextAndTheWindowByItsCaptionAsTheyAreNow);

}  // namespace contract
