// Test helper: holds a text so that a read past its terminator is caught. Under the
// sanitizer build the heap block ends exactly at the terminator (AddressSanitizer reports
// the overrun); in the normal build hostile bytes follow the terminator, so that a reader
// that steps over it finds quotes and closing brackets and returns a visibly wrong result.
#pragma once

#include <cstring>
#include <memory>
#include <string_view>

class guarded_text {
public:
    explicit guarded_text(std::string_view text)
    {
#if defined(KORVALEN_SANITIZE)
        constexpr std::string_view tail{""};
#else
        constexpr std::string_view tail{"\",\"k\":\"x\"}]}\""};
#endif
        data_ = std::make_unique<char[]>(text.size() + 1 + tail.size());
        std::memcpy(data_.get(), text.data(), text.size());
        data_[text.size()] = '\0';
        std::memcpy(data_.get() + text.size() + 1, tail.data(), tail.size());
        size_ = text.size();
    }

    char* get() { return data_.get(); }
    const char* get() const { return data_.get(); }
    std::size_t size() const { return size_; }
    // True when p points into the text or at its terminator.
    bool holds(const char* p) const { return p >= data_.get() && p <= data_.get() + size_; }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
};
