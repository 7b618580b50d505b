// Text to number and number to text on arbitrary input. What must hold:
// - nothing crashes, and ASan/UBSan see nothing;
// - a text that converts gives a finite number, and read_number agrees with text_to_number;
// - a plain decimal integer of up to 15 digits converts to exactly that integer;
// - number_to_text of a whole number is plain digits (no leading zero, no "-0") and reads
//   back as the same number; any finite number reads back unchanged.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "engine/fields.h"
#include "engine/numbers.h"

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The value of "-?[0-9]{1,15}", or false when text is not of that form.
bool plain_integer(std::string_view text, double& value) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 15) return false;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = negative ? -static_cast<double>(v) : static_cast<double>(v);
    return true;
}

bool is_plain_digits(const std::string& text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return false;
    if (digits.size() > 1 && digits.front() == '0') return false;  // no leading zeros
    return !(text == "-0");
}

void check_written(double value) {
    if (!std::isfinite(value)) {
        (void)engine::number_to_text(value);  // a defined text, never a crash
        return;
    }
    const std::string text = engine::number_to_text(value);
    const auto back = engine::text_to_number(text);
    check(back.has_value(), "a finite number's text does not convert back");
    check(*back == value, "a finite number's text reads back as another number");
    if (std::trunc(value) == value) check(is_plain_digits(text), "a whole number's text is not plain digits");
}

const engine::FieldSpec kField[] = {{"EndDays", "EndDays"}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto value = engine::text_to_number(text);
    if (value) {
        check(std::isfinite(*value), "a conversion gave a number that is not finite");
        check_written(*value);
    }
    double integer = 0;
    if (plain_integer(text, integer)) {
        check(value.has_value(), "a plain integer did not convert");
        check(*value == integer, "a plain integer converted to another number");
    }

    engine::FieldStore fields(kField);
    fields.set("EndDays", std::string(text));
    try {
        const double read = engine::read_number(fields, "EndDays");
        check(value.has_value() && read == *value, "read_number gave a number where text_to_number gave none");
    } catch (const engine::TypeMismatch& e) {
        check(!value.has_value(), "read_number failed where text_to_number succeeded");
        check(e.field() == "EndDays" && e.text() == text, "TypeMismatch names another field or text");
    }

    // The same bytes read as numbers: a double as it is, and an integer made a double.
    if (size >= sizeof(double)) {
        double d;
        std::memcpy(&d, data, sizeof d);
        check_written(d);
        std::int64_t i;
        std::memcpy(&i, data, sizeof i);
        check_written(static_cast<double>(i));
        check_written(static_cast<double>(i >> 11));  // exactly representable: every digit counts
    }
    return 0;
}
