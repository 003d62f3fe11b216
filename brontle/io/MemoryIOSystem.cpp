#include "brontle/io/MemoryIOSystem.h"

#include <assimp/IOStream.hpp>

#include <algorithm>
#include <cstring>

namespace brontle {
namespace {

// A file as a growable byte string with a position; writes past the end extend it and writes
// after a seek back overwrite.
class MemoryStream : public Assimp::IOStream {
  public:
    explicit MemoryStream(std::string& content) : content_(content) {}

    size_t Read(void* buffer, size_t size, size_t count) override {
        if (size == 0) {
            return 0;
        }
        const size_t available = (content_.size() - std::min(position_, content_.size())) / size;
        const size_t items = std::min(count, available);
        std::memcpy(buffer, content_.data() + position_, items * size);
        position_ += items * size;
        return items;
    }
    size_t Write(const void* buffer, size_t size, size_t count) override {
        const size_t bytes = size * count;
        if (content_.size() < position_ + bytes) {
            content_.resize(position_ + bytes);
        }
        std::memcpy(content_.data() + position_, buffer, bytes);
        position_ += bytes;
        return count;
    }
    aiReturn Seek(size_t offset, aiOrigin origin) override {
        size_t target = offset;
        if (origin == aiOrigin_CUR) {
            target = position_ + offset;
        }
        if (origin == aiOrigin_END) {
            if (offset > content_.size()) {
                return aiReturn_FAILURE;
            }
            target = content_.size() - offset;
        }
        // Past the end is allowed, as for a file: the GLB writer skips its header, writes the
        // chunks, then seeks back to fill the header in. The gap reads as zeros once written.
        position_ = target;
        return aiReturn_SUCCESS;
    }
    size_t Tell() const override { return position_; }
    size_t FileSize() const override { return content_.size(); }
    void Flush() override {}

  private:
    std::string& content_;
    size_t position_ = 0;
};

} // namespace

bool MemoryIOSystem::Exists(const char* file) const {
    return contents_.count(file) > 0;
}

Assimp::IOStream* MemoryIOSystem::Open(const char* file, const char* mode) {
    const std::string name(file);
    const std::string how(mode ? mode : "rb");
    if (how.find('w') != std::string::npos || how.find('a') != std::string::npos) {
        auto [it, inserted] = contents_.try_emplace(name);
        if (inserted) {
            order_.push_back(name);
        }
        if (how.find('w') != std::string::npos) {
            it->second.clear();
        }
        auto* stream = new MemoryStream(it->second);
        if (how.find('a') != std::string::npos) {
            stream->Seek(0, aiOrigin_END);
        }
        return stream;
    }
    auto it = contents_.find(name);
    return it == contents_.end() ? nullptr : new MemoryStream(it->second);
}

void MemoryIOSystem::Close(Assimp::IOStream* stream) {
    delete stream;
}

std::vector<FileContent> MemoryIOSystem::files() const {
    std::vector<FileContent> out;
    for (const std::string& name : order_) {
        out.emplace_back(name, contents_.at(name));
    }
    return out;
}

} // namespace brontle
