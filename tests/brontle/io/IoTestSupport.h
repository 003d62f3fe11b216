#pragma once
// Shared pieces of the mesh-file tests: a temporary folder, whole-file reads and writes, a
// scene, and the check that a call fails with the expected error.

#include "brontle/core/Error.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace iotest {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
class TempFolder {
  public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = fs::temp_directory_path() /
                ("brontle_io_" + std::string(info->test_suite_name()) + "_" + info->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline brontle::SceneGraphPtr newScene() {
    return brontle::SceneGraph::create(
        std::make_shared<brontle::HostEnvironment>(fs::temp_directory_path().string(), "test_io"));
}

// Runs `call`, which must throw brontle::Error; returns it (a default error when it did not
// throw, after recording the failure).
template <class Call> brontle::Error errorOf(Call call) {
    try {
        call();
    } catch (const brontle::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no brontle::Error was thrown";
    return brontle::Error(0, "");
}

// Material keys are handed out in sequence, so the key of a material made now tells how many
// materials were made since `before`: the observable trace of a load that created objects.
inline std::int32_t materialKeyNow() {
    return brontle::Material::create()->GetMaterialKey();
}

} // namespace iotest
