// The forms contract against the fake runtime.

#include "tests/platform/fake_driver.h"
#include "tests/platform/forms_contract.h"

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Fake, FormsContract, fake_test::FakeDriver);
}  // namespace contract
