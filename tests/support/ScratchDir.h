#pragma once
// A private temporary folder for one test, removed with everything in it afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace peelwise::test {

class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "peelwise-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        const std::string target = file(name);
        std::ofstream(target, std::ios::binary | std::ios::trunc) << text;
        return target;
    }
    std::string read(const std::string& name) const { return readFile(file(name)); }
    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // Names in the folder that start with `prefix`.
    int countStartingWith(const std::string& prefix) const {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            n += entry.path().filename().string().rfind(prefix, 0) == 0;
        }
        return n;
    }

  private:
    std::filesystem::path path_;
};

} // namespace peelwise::test
