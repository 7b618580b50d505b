#include "engine/fields.h"

#include <atomic>
#include <cmath>
#include <stdexcept>

namespace engine {

namespace {
std::atomic<std::uint64_t> next_stamp{1};
}  // namespace

FieldStore::FieldStore(std::span<const FieldSpec> fields) {
    names_.reserve(fields.size());
    texts_.reserve(fields.size());
    for (const FieldSpec& f : fields) {
        if (!index_.emplace(std::string(f.name), names_.size()).second)
            throw std::invalid_argument("duplicate field name: " + std::string(f.name));
        names_.emplace_back(f.name);
        texts_.emplace_back(f.design_text);
    }
    numbers_.assign(texts_.size(), 0.0);
    has_number_.assign(texts_.size(), false);
    stamps_.assign(texts_.size(), 0);
}

std::size_t FieldStore::index_of(std::string_view name) const {
    auto it = index_.find(name);
    if (it == index_.end()) throw std::out_of_range("no field named " + std::string(name));
    return it->second;
}

bool FieldStore::contains(std::string_view name) const { return index_.find(name) != index_.end(); }

void FieldStore::set(std::size_t index, std::string_view text) {
    std::string& slot = texts_.at(index);
    if (slot == text) return;  // the same text: a number kept with it still holds
    slot.assign(text);
    has_number_[index] = false;
    stamps_[index] = next_stamp.fetch_add(1, std::memory_order_relaxed);
    if (observer_) observer_(index, slot);
}

void FieldStore::set_number(std::size_t index, double value, std::string_view text) {
    set(index, text);
    // The observer may have written the field again; the number holds only for its own text.
    if (texts_[index] != text || !std::isfinite(value)) return;
    numbers_[index] = value + 0.0;  // negative zero reads back as zero
    has_number_[index] = true;
}

}  // namespace engine
