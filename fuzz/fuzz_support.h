// Shared by the fuzz targets: a check that aborts with a message, so that
// libFuzzer records the input as a crash, and a reader of typed values from
// the front of the fuzzer's data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(cond)                                                              \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

namespace fuzz {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // Little-endian integer from the next bytes; 0 for bytes past the end.
    template <typename T>
    T Take() {
        uint64_t v = 0;
        for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<uint64_t>(Byte()) << (8 * i);
        return static_cast<T>(v);
    }
    // Up to `max` bytes as text.
    std::string Text(size_t max) {
        const size_t n = max < size_ ? max : size_;
        std::string s(reinterpret_cast<const char*>(data_), n);
        data_ += n;
        size_ -= n;
        return s;
    }
    std::string Rest() { return Text(size_); }
    size_t Left() const { return size_; }

private:
    uint8_t Byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }
    const uint8_t* data_;
    size_t size_;
};

}  // namespace fuzz
