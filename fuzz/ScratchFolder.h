#pragma once
// A private temporary folder per fuzzing process, so that several fuzzers (or libFuzzer's
// -jobs workers) never write the same file; removed when the process exits normally.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace peelwise::fuzz {

class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "peelwise-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort(); // no temporary folder: nothing can be fuzzed
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Writes `size` bytes to `name` in the folder and returns the file's path.
    std::string write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
        const std::string target = file(name);
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        out.close();
        if (!out) {
            std::abort(); // the harness itself failed; not a finding in the code under test
        }
        return target;
    }

  private:
    std::filesystem::path path_;
};

} // namespace peelwise::fuzz
