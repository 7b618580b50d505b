#include "engine/numbers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace engine {

TypeMismatch::TypeMismatch(std::string field, std::string text)
    : std::runtime_error("Type mismatch: field " + field + " holds \"" + text + "\", which is not a number"),
      field_(std::move(field)),
      text_(std::move(text)) {}

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<double> text_to_number(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    if (text.empty()) return std::nullopt;

    // Only plain decimal notation: digits, an optional point and exponent. from_chars would
    // also take "inf", "nan" and hexadecimal forms, which are not numbers here.
    std::string_view body = text;
    if (body.front() == '-') body.remove_prefix(1);
    if (body.empty() || !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
        return std::nullopt;

    // The texts the runs read ten times a second are short plain integers: up to 15 digits
    // lie below 2^53 and are exact as a double, so they need no rounding and no general
    // parser.
    if (body.size() <= 15 && std::all_of(body.begin(), body.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        std::int64_t digits = 0;
        for (char c : body) digits = digits * 10 + (c - '0');
        const double magnitude = static_cast<double>(digits);
        return text.front() == '-' ? -magnitude : magnitude;
    }

    double value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::string_view format_number(double value, NumberBuffer& buffer) {
    char* const first = buffer.data();
    char* const last = first + buffer.size();
    if (value == 0) {  // also negative zero
        *first = '0';
        return {first, 1};
    }
    // The whole numbers that occur (days, hours, ...) as integers, which is the same text
    // as the fixed form below and a good deal quicker.
    constexpr double kExactInteger = 9007199254740992.0;  // 2^53
    if (std::trunc(value) == value && value > -kExactInteger && value < kExactInteger) {
        const std::to_chars_result r = std::to_chars(first, last, static_cast<long long>(value));
        return {first, static_cast<std::size_t>(r.ptr - first)};
    }
    // A whole number as plain digits at any magnitude: the shortest fixed form that reads
    // back as the same double (1e16 is "10000000000000000", not "1e+16").
    const std::to_chars_result r = std::isfinite(value) && std::trunc(value) == value
                                       ? std::to_chars(first, last, value, std::chars_format::fixed)
                                       : std::to_chars(first, last, value);
    return {first, static_cast<std::size_t>(r.ptr - first)};
}

std::string number_to_text(double value) {
    NumberBuffer buffer;
    return std::string(format_number(value, buffer));
}

double read_number(const FieldStore& fields, std::string_view field) {
    const std::string& text = fields.get(field);
    if (auto value = text_to_number(text)) return *value;
    throw TypeMismatch(std::string(field), text);
}

std::optional<double> try_read_number(const FieldStore& fields, std::string_view field,
                                      std::optional<Mismatch>& failure) {
    const std::string& text = fields.get(field);
    std::optional<double> value = text_to_number(text);
    if (!value) failure = Mismatch{std::string(field), text};
    return value;
}

std::optional<double> try_read_number(const FieldStore& fields, std::size_t field, std::optional<Mismatch>& failure) {
    // A number written into the field reads back as itself: its text is its shortest form.
    if (const double* written = fields.number(field)) return *written;
    const std::string& text = fields.text(field);
    std::optional<double> value = text_to_number(text);
    if (!value) failure = Mismatch{fields.name(field), text};
    return value;
}

void write_number(FieldStore& fields, std::string_view field, double value) {
    write_number(fields, fields.index_of(field), value);
}

void write_number(FieldStore& fields, std::size_t field, double value) {
    // The same number as the field was last written from is the same text: nothing changes.
    if (const double* written = fields.number(field); written && *written == value) return;
    NumberBuffer buffer;
    fields.set_number(field, value, format_number(value, buffer));
}

}  // namespace engine
