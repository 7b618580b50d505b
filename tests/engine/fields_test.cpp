#include "engine/fields.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine_harness.h"

namespace {

using engine::FieldSpec;
using engine::FieldStore;

TEST(FieldStore, HoldsDesignTextsInModelOrderUntilWritten) {
    FieldStore f(engine_test::kEngineFields);
    ASSERT_EQ(f.size(), std::size(engine_test::kEngineFields));
    for (std::size_t i = 0; i < f.size(); ++i) {
        const FieldSpec& field = engine_test::kEngineFields[i];
        EXPECT_EQ(f.name(i), field.name);
        EXPECT_EQ(f.index_of(field.name), i);
        EXPECT_EQ(f.text(i), field.design_text);
        EXPECT_EQ(f.get(field.name), field.design_text) << field.name;
    }
    f.set("CurMon", "4");
    EXPECT_EQ(f.get("CurMon"), "4");
    EXPECT_EQ(f.get("CurDay"), "CurDay") << "a write touches only its own field";
}

TEST(FieldStore, UnknownNamesThrowOutOfRange) {
    FieldStore f(engine_test::kEngineFields);
    for (const char* name : {"curmon", "CurMon ", "", "Label9", "Label2", "Timer2"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(f.contains(name));
        EXPECT_THROW(f.get(name), std::out_of_range);
        EXPECT_THROW(f.set(name, "1"), std::out_of_range);
        EXPECT_THROW(f.index_of(name), std::out_of_range);
    }
    EXPECT_TRUE(f.contains("CurMon"));
    EXPECT_THROW(f.set(f.size(), "1"), std::out_of_range);
    EXPECT_EQ(engine_test::snapshot(f), engine_test::snapshot(FieldStore(engine_test::kEngineFields)))
        << "a rejected write changes nothing";
}

TEST(FieldStore, RejectsDuplicateNames) {
    const FieldSpec twice[] = {{"CurYear", "Label9"}, {"CurMon", "CurMon"}, {"CurYear", "2013"}};
    EXPECT_THROW(FieldStore{twice}, std::invalid_argument);
    // Equal design texts are fine: three fields of Main hold "Label9".
    const FieldSpec same_text[] = {{"CurYear", "Label9"}, {"CurYearVal", "Label9"}, {"DaysInMon", "Label9"}};
    EXPECT_EQ(FieldStore{same_text}.size(), 3u);
}

TEST(FieldStore, ObserverFiresOnlyOnRealChange) {
    FieldStore f(engine_test::kEngineFields);
    std::vector<std::pair<std::size_t, std::string>> seen;
    f.on_change([&](std::size_t index, const std::string& text) { seen.emplace_back(index, text); });

    f.set("Final", "Label2");  // the design text again: no change
    EXPECT_TRUE(seen.empty());

    f.set("Final", "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds");
    f.set("Final", "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds");
    f.set(f.index_of("EndDays"), "9");
    f.set("EndDays", "9");
    f.set("EndDays", "");
    const std::size_t final_index = f.index_of("Final"), days_index = f.index_of("EndDays");
    const std::vector<std::pair<std::size_t, std::string>> expected = {
        {final_index, "It is 9 Days, 10 Hours, 35 Minutes, and 53 Seconds"}, {days_index, "9"}, {days_index, ""}};
    EXPECT_EQ(seen, expected);
}

TEST(FieldStore, ObserverSeesTheNewTextAlreadyStored) {
    FieldStore f(engine_test::kEngineFields);
    std::string stored_when_notified;
    f.on_change([&](std::size_t index, const std::string&) { stored_when_notified = f.text(index); });
    f.set("CurSec", "7");
    EXPECT_EQ(stored_when_notified, "7");
}

}  // namespace
