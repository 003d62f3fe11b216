#pragma once
// A contiguous array shared between shape copies until one of them writes to it. Copying a
// shape (history entries, working copies) therefore costs a few reference counts; the first
// edit of an array pays for its own copy, and arrays that are never edited are never copied.

#include <memory>
#include <vector>

namespace brontle {

template <class T> class CowArray {
  public:
    CowArray() = default;
    explicit CowArray(std::vector<T> values)
        : data_(std::make_shared<std::vector<T>>(std::move(values))) {}

    const std::vector<T>& read() const { return data_ ? *data_ : none(); }

    // Mutable access; clones the array first when another shape still shares it.
    std::vector<T>& write() {
        if (!data_) {
            data_ = std::make_shared<std::vector<T>>();
        } else if (data_.use_count() > 1) {
            data_ = std::make_shared<std::vector<T>>(*data_);
        }
        return *data_;
    }

    void assign(std::vector<T> values) {
        data_ = std::make_shared<std::vector<T>>(std::move(values));
    }
    void clear() { data_.reset(); }

    std::size_t size() const { return data_ ? data_->size() : 0; }
    bool empty() const { return size() == 0; }
    const T& operator[](std::size_t i) const { return (*data_)[i]; }

    // True when both refer to the very same storage (a copy not yet written to).
    bool sharesStorageWith(const CowArray& other) const {
        return data_ != nullptr && data_ == other.data_;
    }

  private:
    static const std::vector<T>& none() {
        static const std::vector<T> none;
        return none;
    }
    std::shared_ptr<std::vector<T>> data_;
};

} // namespace brontle
