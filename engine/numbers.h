#pragma once
// Numbers in fields: a field's text read as a double, a double written as the shortest text.

#include <array>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/fields.h"

namespace engine {

// The field a run read as a number, and the text it held instead.
struct Mismatch {
    std::string field, text;
    bool operator==(const Mismatch&) const = default;
};

// A field whose text is not a number was read as one.
class TypeMismatch : public std::runtime_error {
public:
    TypeMismatch(std::string field, std::string text);
    const std::string& field() const { return field_; }
    const std::string& text() const { return text_; }

private:
    std::string field_, text_;
};

// The text as a double, or nothing when it is not a number ("CurMon", "", "12abc", "nan",
// "inf"). Decimal integers with an optional leading "-" convert exactly; blanks around the
// number are allowed; nothing depends on the locale.
std::optional<double> text_to_number(std::string_view text);

// Shortest decimal text: whole numbers as plain digits with a leading "-" when negative,
// no leading zeros, blank, point or exponent; negative zero is "0".
std::string number_to_text(double value);
// The same text written into a buffer, which the returned view points into; the largest
// double has 309 digits.
using NumberBuffer = std::array<char, 400>;
std::string_view format_number(double value, NumberBuffer& buffer);

// Reads a field as a number; throws TypeMismatch naming the field and its text.
double read_number(const FieldStore& fields, std::string_view field);
// The same without an exception: nothing, and the field and its text in failure. The runs
// that fail on every tick for months on end (the countdown outside its months) take this
// road, since a thrown exception costs tens of microseconds when the caches are cold.
std::optional<double> try_read_number(const FieldStore& fields, std::string_view field,
                                      std::optional<Mismatch>& failure);
std::optional<double> try_read_number(const FieldStore& fields, std::size_t field, std::optional<Mismatch>& failure);
void write_number(FieldStore& fields, std::string_view field, double value);
// By index, without allocating: the text is formatted on the stack and copied into the field.
void write_number(FieldStore& fields, std::size_t field, double value);

}  // namespace engine
