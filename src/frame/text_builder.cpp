#include "frame/text_builder.h"

#include <cstdlib>
#include <cstring>

namespace gantrel {

TextBuilder::~TextBuilder() {
    if (on_heap_) std::free(data_);
}

bool TextBuilder::make_room(size_t total) {
    if (total <= capacity_) return true;
    size_t capacity = capacity_ * 2 > total ? capacity_ * 2 : total;
    if (capacity > limit_) capacity = limit_;
    char* block = static_cast<char*>(on_heap_ ? std::realloc(data_, capacity) : std::malloc(capacity));
    if (block == nullptr) {
        out_of_memory_ = true;
        return false;
    }
    if (!on_heap_) std::memcpy(block, data_, length_);
    data_ = block;
    capacity_ = capacity;
    on_heap_ = true;
    return true;
}

void TextBuilder::append(const char* text, size_t length) {
    if (out_of_memory_) return;
    const size_t total = length_ + length;
    // Past the limit the text only counts, so a call that cannot succeed never grows.
    if (total <= limit_) {
        if (!make_room(total)) return;
        std::memcpy(data_ + length_, text, length);
    }
    length_ = total;
}

void TextBuilder::append(const char* text) { append(text, std::strlen(text)); }

}  // namespace gantrel
