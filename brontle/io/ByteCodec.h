#pragma once
// Plain values and arrays to bytes and back, for results handed from a child process to its
// parent (the same program on the same machine, so byte order and layout need no conversion).
//
// Both classes offer field(x) and count(n) with the same meaning in either direction (the writer
// writes x or n, the reader fills x or returns the count it reads), so one function template
// can list a record's fields once for both.

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
    template <class T> void field(const T& v) { value(v); }
    template <class T> void field(const std::vector<T>& v) { array(v); }
    void field(const std::string& s) { text(s); }
    std::size_t count(std::size_t n) {
        value<std::uint64_t>(n);
        return n;
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
        if (count > (bytes_.size() - at_) / (sizeof(T) == 0 ? 1 : sizeof(T))) {
            throw std::runtime_error("the result ends early");
        }
        std::vector<T> v(count);
        if (count > 0) {
            std::memcpy(v.data(), take(count * sizeof(T)), count * sizeof(T));
        }
        return v;
    }
    std::string text() {
        const auto size = value<std::uint64_t>();
        if (size > bytes_.size() - at_) {
            throw std::runtime_error("the result ends early");
        }
        return std::string(take(size), size);
    }
    template <class T> void field(T& v) { v = value<T>(); }
    template <class T> void field(std::vector<T>& v) { v = array<T>(); }
    void field(std::string& s) { s = text(); }
    std::size_t count(std::size_t) {
        const auto n = value<std::uint64_t>();
        // Each counted item takes at least one byte, so a count beyond the bytes left is false.
        if (n > bytes_.size() - at_) {
            throw std::runtime_error("the result ends early");
        }
        return static_cast<std::size_t>(n);
    }

    bool atEnd() const { return at_ == bytes_.size(); }

  private:
    const char* take(std::size_t n) {
        if (n > bytes_.size() - at_) {
            throw std::runtime_error("the result ends early");
        }
        const char* p = bytes_.data() + at_;
        at_ += n;
        return p;
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
};

} // namespace brontle
