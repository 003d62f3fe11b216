#pragma once
// Sets BRONTLE_MEMORY_LIMIT_MB for the life of one object (one test) and restores what was
// there before.

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class MemoryLimit {
  public:
    explicit MemoryLimit(const std::string& megabytes) {
        if (const char* old = std::getenv("BRONTLE_MEMORY_LIMIT_MB")) {
            old_ = old;
        }
        setenv("BRONTLE_MEMORY_LIMIT_MB", megabytes.c_str(), 1);
    }
    ~MemoryLimit() {
        if (old_) {
            setenv("BRONTLE_MEMORY_LIMIT_MB", old_->c_str(), 1);
        } else {
            unsetenv("BRONTLE_MEMORY_LIMIT_MB");
        }
    }
    MemoryLimit(const MemoryLimit&) = delete;
    MemoryLimit& operator=(const MemoryLimit&) = delete;

  private:
    std::optional<std::string> old_;
};

} // namespace testing_support
