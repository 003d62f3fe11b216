#include "brontle/model/AtomicFiles.h"

#include "brontle/core/Error.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <mutex>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brontle {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTemporaryPrefix = ".pwtmp-";

[[noreturn]] void fail(const std::string& source, const std::string& path,
                       const std::string& reason) {
    throw Error(ErrorNumber::HostFileUnwritable, path + ": " + reason, source);
}

std::string systemReason(int error) {
    return std::strerror(error);
}

// The temporary files in flight, for the signal handler: a fixed table of heap strings that the
// handler only reads and unlinks. A slot is taken by compare-and-swap from null and given back
// by exchange to null before its string is freed, so the handler never sees a freed string.
// Files beyond the table's size are not removed on a signal (the next run removes them).
constexpr std::size_t kSignalSlots = 4096;
std::array<std::atomic<char*>, kSignalSlots> signalSlots{};

int registerTemporary(const std::string& path) {
    char* copy = strdup(path.c_str());
    if (copy == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < kSignalSlots; ++i) {
        char* expected = nullptr;
        if (signalSlots[i].compare_exchange_strong(expected, copy)) {
            return static_cast<int>(i);
        }
    }
    std::free(copy);
    return -1;
}

void unregisterTemporary(int slot) {
    if (slot < 0) {
        return;
    }
    std::free(signalSlots[static_cast<std::size_t>(slot)].exchange(nullptr));
}

extern "C" void removeTemporariesAndDie(int signalNumber) {
    for (auto& slot : signalSlots) {
        const char* path = slot.load();
        if (path != nullptr) {
            ::unlink(path);
        }
    }
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

std::string temporaryName() {
    static std::atomic<unsigned> counter{0};
    return std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" +
           std::to_string(counter++);
}

// The process id in a temporary name, or 0.
long processOf(std::string_view name) {
    if (!isTemporaryName(name)) {
        return 0;
    }
    name.remove_prefix(kTemporaryPrefix.size());
    long pid = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    return error == std::errc() && end != name.data() ? pid : 0;
}

// Folders already cleared of stale temporaries by this process.
std::mutex clearedMutex;
std::set<std::string> clearedFolders;

void removeStaleOnce(const std::string& folder) {
    {
        std::lock_guard lock(clearedMutex);
        if (!clearedFolders.insert(folder).second) {
            return;
        }
    }
    removeStaleTemporaries(folder);
}

std::string describeType(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder of that name is in the way";
    }
    if (S_ISFIFO(mode)) {
        return "it is a FIFO (named pipe), not a regular file; it was left alone";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "it is a device, not a regular file; it was left alone";
    }
    if (S_ISSOCK(mode)) {
        return "it is a socket, not a regular file; it was left alone";
    }
    return "it is not a regular file; it was left alone";
}

// Closes the descriptor on every path out; close() reports the last write errors, so the
// success path closes explicitly and checks.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int release() {
        const int result = ::close(fd);
        fd = -1;
        return result;
    }
};

} // namespace

bool isTemporaryName(std::string_view fileName) {
    if (fileName.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) {
        return false;
    }
    fileName.remove_prefix(kTemporaryPrefix.size());
    // "<pid>-<n>", then nothing or an extension (the writers of scratch files add their own).
    fileName = fileName.substr(0, fileName.find('.'));
    const auto dash = fileName.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == fileName.size()) {
        return false;
    }
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        if (i != dash && (fileName[i] < '0' || fileName[i] > '9')) {
            return false;
        }
    }
    return true;
}

int removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) {
        return 0;
    }
    int removed = 0;
    const long self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const long pid = processOf(entry->d_name);
        if (pid <= 0 || pid == self) {
            continue;
        }
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) {
            continue; // still running, or someone else's process we may not signal
        }
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
            continue;
        }
        if (::unlinkat(::dirfd(dir), entry->d_name, 0) == 0) {
            ++removed;
        }
    }
    ::closedir(dir);
    return removed;
}

std::string resolveWriteTarget(const std::string& target) {
    std::error_code ec;
    fs::path path = fs::absolute(fs::path(target), ec);
    if (ec) {
        path = target; // no current folder to resolve against: the system will say so
    }
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path.lexically_normal().string();
        }
        const fs::path link = fs::read_symlink(path, ec);
        if (ec) {
            fail("saveMeshFile", target, ec.message());
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    fail("saveMeshFile", target, "too many levels of symbolic links");
}

void checkReplaceable(const std::string& target, const std::string& source) {
    if (target.empty()) {
        fail(source, target, "no file name given");
    }
    const std::string resolved = resolveWriteTarget(target);
    struct stat st {};
    if (::stat(resolved.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        fail(source, target, describeType(st.st_mode));
    }
    const fs::path folder = fs::path(resolved).parent_path();
    const std::string folderName = folder.empty() ? "." : folder.string();
    struct stat folderStat {};
    if (::stat(folderName.c_str(), &folderStat) != 0) {
        fail(source, target,
             errno == ENOENT ? "the folder " + folderName + " does not exist"
                             : "the folder " + folderName + ": " + systemReason(errno));
    }
    if (!S_ISDIR(folderStat.st_mode)) {
        fail(source, target, folderName + " is not a folder");
    }
    if (::access(folderName.c_str(), W_OK | X_OK) != 0) {
        fail(source, target,
             "the folder " + folderName + " is not writable (" + systemReason(errno) + ")");
    }
}

void removeTemporariesOnSignals() {
    for (int signalNumber : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        if (::sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) {
            continue; // ours already, ignored, or someone else's
        }
        struct sigaction action {};
        action.sa_handler = removeTemporariesAndDie;
        sigemptyset(&action.sa_mask);
        ::sigaction(signalNumber, &action, nullptr);
    }
}

namespace {

// The group of the CommitTogether that takes this thread's commits, if any.
thread_local FileGroup* heldCommits = nullptr;

} // namespace

struct FileGroup::Entry {
    std::string target;    // as the caller named it, for messages
    std::string resolved;  // the file actually replaced
    std::string temporary; // empty once renamed or removed
    int slot = -1;
};

FileGroup::FileGroup(std::string source) : source_(std::move(source)) {}

FileGroup::~FileGroup() {
    for (Entry& e : entries_) {
        if (!e.temporary.empty()) {
            ::unlink(e.temporary.c_str());
        }
        unregisterTemporary(e.slot);
    }
}

std::vector<std::string> FileGroup::targets() const {
    std::vector<std::string> out;
    for (const Entry& e : entries_) {
        out.push_back(e.target);
    }
    return out;
}

void FileGroup::add(const std::string& target, std::string_view content) {
    if (target.empty()) {
        fail(source_, target, "no file name given");
    }
    Entry entry;
    entry.target = target;
    entry.resolved = resolveWriteTarget(target);
    struct stat old {};
    const bool exists = ::stat(entry.resolved.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        fail(source_, target, describeType(old.st_mode));
    }
    const fs::path folder = fs::path(entry.resolved).parent_path();
    removeStaleOnce(folder.string());

    entry.temporary = (folder / temporaryName()).string();
    // A new file gets the permissions a plain new file gets (0666 before the umask); a replaced
    // one is created private and given the old file's bits below.
    Descriptor file{::open(entry.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                           exists ? 0600 : 0666)};
    if (file.fd < 0) {
        const int error = errno;
        fail(source_, target,
             error == ENOENT && !fs::exists(folder) ? "the folder does not exist"
                                                    : systemReason(error));
    }
    entry.slot = registerTemporary(entry.temporary);
    entries_.push_back(entry);
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(file.fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail(source_, target, systemReason(errno));
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (exists) {
        if (::fchmod(file.fd, old.st_mode & 07777) != 0) {
            fail(source_, target, systemReason(errno));
        }
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            // Only the owner's group, or root, may hand the file over; otherwise the new file
            // is ours, as any file we create.
            [[maybe_unused]] const int ignored = ::fchown(file.fd, old.st_uid, old.st_gid);
        }
    }
    if (::fsync(file.fd) != 0) {
        fail(source_, target, systemReason(errno));
    }
    if (file.release() != 0) {
        fail(source_, target, systemReason(errno));
    }
}

void FileGroup::commit() {
    for (const Entry& e : entries_) {
        struct stat st {};
        if (::stat(e.resolved.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            fail(source_, e.target, describeType(st.st_mode));
        }
    }
    if (heldCommits != nullptr && heldCommits != this) {
        // The temporary files (and their slots for the signal handlers) change owner.
        std::vector<Entry>& held = heldCommits->entries_;
        held.insert(held.end(), std::make_move_iterator(entries_.begin()),
                    std::make_move_iterator(entries_.end()));
        entries_.clear();
        return;
    }
    for (Entry& e : entries_) {
        if (std::rename(e.temporary.c_str(), e.resolved.c_str()) != 0) {
            fail(source_, e.target, systemReason(errno));
        }
        e.temporary.clear();
        unregisterTemporary(e.slot);
        e.slot = -1;
    }
}

CommitTogether::CommitTogether(std::string source)
    : group_(std::move(source)), outer_(heldCommits) {
    heldCommits = &group_;
}

CommitTogether::~CommitTogether() {
    if (active_) {
        heldCommits = outer_;
    }
}

void CommitTogether::commit() {
    if (active_) {
        heldCommits = outer_;
        active_ = false;
    }
    group_.commit();
}

ScratchFile::ScratchFile(const std::string& folder, const std::string& extension) {
    removeStaleOnce(folder);
    path_ = (fs::path(folder) / (temporaryName() + extension)).string();
    slot_ = registerTemporary(path_);
}

ScratchFile::~ScratchFile() {
    ::unlink(path_.c_str());
    unregisterTemporary(slot_);
}

void writeFilesAtomically(const std::vector<FileContent>& files) {
    FileGroup group;
    for (const auto& [target, content] : files) {
        group.add(target, content);
    }
    group.commit();
}

} // namespace brontle
