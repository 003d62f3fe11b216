#include "brontle/io/AtomicFiles.h"

#include "brontle/model/Error.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace brontle {
namespace {

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
    throw Error(ErrorNumber::HostFileUnwritable, path + ": " + reason, "saveMeshFile");
}

std::string systemReason(int error) {
    return std::strerror(error);
}

// A name beside the target that no other writer in this or another process picks: the
// process id and a counter; O_EXCL rejects a clash anyway.
std::string temporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path path(target);
    const std::string name = "." + path.filename().string() + ".tmp" + std::to_string(::getpid()) +
                             "_" + std::to_string(counter++);
    return (path.parent_path() / name).string();
}

void writeAll(int fd, const std::string& content, const std::string& target) {
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(target, systemReason(errno));
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

// Removes the temporary files that were not renamed when the group fails part-way.
struct TemporaryFiles {
    std::vector<std::string> paths;
    ~TemporaryFiles() {
        for (const std::string& p : paths)
            if (!p.empty())
                ::unlink(p.c_str());
    }
};

// Closes the descriptor on every path out; close() reports the last write errors, so the
// success path closes explicitly and checks.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    int release() {
        const int result = ::close(fd);
        fd = -1;
        return result;
    }
};

} // namespace

void writeFilesAtomically(const std::vector<FileContent>& files) {
    TemporaryFiles temporaries;
    for (const auto& [target, content] : files) {
        if (target.empty())
            fail(target, "no file name given");
        const std::string temporary = temporaryName(target);
        // 0666 before the user's umask: the same permissions a plain new file gets.
        Descriptor file{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)};
        if (file.fd < 0)
            fail(target, systemReason(errno));
        temporaries.paths.push_back(temporary);
        writeAll(file.fd, content, target);
        if (::fsync(file.fd) != 0)
            fail(target, systemReason(errno));
        if (file.release() != 0)
            fail(target, systemReason(errno));
    }
    // A folder in a target's place would refuse the rename; finding that out before the first
    // rename keeps the group whole in that case too.
    for (const auto& file : files) {
        std::error_code ec;
        if (std::filesystem::is_directory(file.first, ec))
            fail(file.first, "a folder of that name is in the way");
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (std::rename(temporaries.paths[i].c_str(), files[i].first.c_str()) != 0)
            fail(files[i].first, systemReason(errno));
        temporaries.paths[i].clear();
    }
}

} // namespace brontle
