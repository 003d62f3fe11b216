#pragma once
// Plain values and arrays to bytes and back, for results handed from a child process to its
// parent (the same program on the same machine, so byte order and layout need no conversion).

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace brontle {

class ByteWriter {
  public:
    template <class T> void value(const T& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes_.append(reinterpret_cast<const char*>(&v), sizeof(T));
    }
    template <class T> void array(const std::vector<T>& v) {
        static_assert(std::is_trivially_copyable_v<T>);
        value<std::uint64_t>(v.size());
        bytes_.append(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
    }
    void text(const std::string& s) {
        value<std::uint64_t>(s.size());
        bytes_ += s;
    }
    std::string take() { return std::move(bytes_); }

  private:
    std::string bytes_;
};

// Reads what a ByteWriter wrote, in the same order. Throws std::runtime_error when the bytes end
// early, so a cut-off result is never taken for a whole one.
class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    template <class T> T value() {
        static_assert(std::is_trivially_copyable_v<T>);
        T v;
        std::memcpy(&v, take(sizeof(T)), sizeof(T));
        return v;
    }
    template <class T> std::vector<T> array() {
        static_assert(std::is_trivially_copyable_v<T>);
        const auto count = value<std::uint64_t>();
        if (count > (bytes_.size() - at_) / (sizeof(T) == 0 ? 1 : sizeof(T)))
            throw std::runtime_error("the result ends early");
        std::vector<T> v(count);
        if (count > 0)
            std::memcpy(v.data(), take(count * sizeof(T)), count * sizeof(T));
        return v;
    }
    std::string text() {
        const auto size = value<std::uint64_t>();
        if (size > bytes_.size() - at_)
            throw std::runtime_error("the result ends early");
        return std::string(take(size), size);
    }
    bool atEnd() const { return at_ == bytes_.size(); }

  private:
    const char* take(std::size_t n) {
        if (n > bytes_.size() - at_)
            throw std::runtime_error("the result ends early");
        const char* p = bytes_.data() + at_;
        at_ += n;
        return p;
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
};

} // namespace brontle
