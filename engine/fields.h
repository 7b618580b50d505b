#pragma once
// The named text fields of a window, in a fixed order. A field is the caption of a
// label; it holds its design text until something writes it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace engine {

struct FieldSpec {
    std::string_view name;
    std::string_view design_text;
};

class FieldStore {
public:
    explicit FieldStore(std::span<const FieldSpec> fields);

    // Unknown names are a programming error and throw std::out_of_range. A run that writes
    // ten times a second resolves its fields' indices once and uses the index forms.
    const std::string& get(std::string_view name) const { return texts_[index_of(name)]; }
    void set(std::string_view name, std::string_view text) { set(index_of(name), text); }
    // The text is copied into the field's own storage, which keeps its capacity: a field
    // rewritten with texts of about the same length allocates nothing.
    void set(std::size_t index, std::string_view text);

    // A field written from a number: the store keeps the number beside its text, so the same
    // number written again, or the field read back as a number, needs no conversion. Any other
    // write of the field forgets the number. Only finite numbers are kept.
    void set_number(std::size_t index, double value, std::string_view text);
    // The number the field's text was written from, if it was and has not been written since.
    const double* number(std::size_t index) const {
        return index < has_number_.size() && has_number_[index] ? &numbers_[index] : nullptr;
    }

    // Changes with every write that changes the field's text, and is never the same for two
    // writes, in any store; 0 until the field's design text is first changed.
    std::uint64_t stamp(std::size_t index) const { return stamps_.at(index); }

    std::size_t index_of(std::string_view name) const;
    bool contains(std::string_view name) const;
    std::size_t size() const { return texts_.size(); }
    const std::string& name(std::size_t index) const { return names_[index]; }
    const std::string& text(std::size_t index) const { return texts_[index]; }

    // Called after every write that changes a field's text (not for writes of the same text),
    // so a renderer repaints only what changed.
    using Observer = std::function<void(std::size_t index, const std::string& text)>;
    void on_change(Observer observer) { observer_ = std::move(observer); }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::vector<std::string> names_;
    std::vector<std::string> texts_;
    std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> index_;
    std::vector<double> numbers_;   // by field: the number its text was written from
    std::vector<bool> has_number_;  // by field: whether numbers_ holds it
    std::vector<std::uint64_t> stamps_;
    Observer observer_;
};

}  // namespace engine
