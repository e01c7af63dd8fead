#pragma once
#include <cstddef>

namespace gantrel {

// Text put together piece by piece without exceptions. It starts in a block
// the caller provides (on the stack) and moves to the heap only when it
// outgrows that, at least doubling each time, but never past `limit` bytes:
// beyond the limit nothing more is kept and only the length is counted, so
// the caller still learns how long the whole text would have been. When the
// heap refuses, the builder stops and says so.
class TextBuilder {
public:
    TextBuilder(char* first_block, size_t first_size, size_t limit)
        : data_(first_block), capacity_(first_size), limit_(limit) {}
    ~TextBuilder();
    TextBuilder(const TextBuilder&) = delete;
    TextBuilder& operator=(const TextBuilder&) = delete;

    void append(const char* text, size_t length);
    void append(const char* text);  // NUL-terminated
    void append(char c) { append(&c, 1); }

    // Length of the whole text, kept or not.
    size_t length() const { return length_; }
    // Every byte appended is kept: length() <= limit and memory sufficed.
    bool kept() const { return length_ <= limit_ && !out_of_memory_; }
    bool out_of_memory() const { return out_of_memory_; }
    // The kept text, not NUL-terminated; valid while kept().
    const char* data() const { return data_; }

private:
    bool make_room(size_t total);

    char* data_;
    size_t capacity_;
    size_t limit_;
    size_t length_ = 0;
    bool on_heap_ = false;
    bool out_of_memory_ = false;
};

}  // namespace gantrel
