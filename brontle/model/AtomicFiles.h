#pragma once
// Replacing files so that a failure, a crash or a kill leaves every existing file as it was:
// the one way the host and its tools replace a file on disk.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brontle {

// One file to write: its path and its whole content.
using FileContent = std::pair<std::string, std::string>;

// A group of files replaced together. add() writes each content to a temporary file in its
// target's folder at once (so large contents need not stay in memory); commit() renames them
// over their targets in the order they were added, once all are written. A group that is
// destroyed without commit() removes its temporary files, and so does SIGINT or SIGTERM once
// removeTemporariesOnSignals() has been called.
//
// What a replaced file keeps: an existing target keeps its permission bits (and its owner where
// the process may set it); a target that is a symbolic link is written through to the file it
// points at (a dangling link gets that file created), so the link stays a link. A target that
// exists but is not a regular file (a folder, a FIFO, a device node, a socket) is refused
// before anything is written. A target with several hard links becomes a new file: the other
// names keep the old content.
//
// Temporary names are short (".pwtmp-<process id>-<n>", perhaps with an extension, so a target name
// may use the whole name length the file system allows) and hidden; add() first removes such files
// of this program beside the target whose process is no longer running (left by a power cut or a
// SIGKILL).
//
// Failures throw Error(HostFileUnwritable, "<target path>: <reason>", source): the reason is the
// system's ("No space left on device", "Permission denied"), and the path is the target's,
// never the temporary file's.
class FileGroup {
  public:
    explicit FileGroup(std::string source = "saveMeshFile");
    ~FileGroup();
    FileGroup(const FileGroup&) = delete;
    FileGroup& operator=(const FileGroup&) = delete;

    void add(const std::string& target, std::string_view content);
    // Renames every temporary file over its target. A folder that appeared in a target's place
    // is found before the first rename. (A rename failing after an earlier one succeeded, which
    // needs the folder to change under us, can leave the group mixed; each single file is always
    // either old or new, never partial.)
    void commit();
    // The targets added so far, in order.
    std::vector<std::string> targets() const;

  private:
    struct Entry;
    std::vector<Entry> entries_;
    std::string source_;
};

// Makes the files a piece of work replaces land together or not at all: while an object of this
// class lives, FileGroup::commit() of any other group on the same thread checks its targets as
// usual but leaves its written temporary files in place and hands them over. They replace their
// targets, in the order they were committed, at commit() here; an object that goes without
// commit() removes them, so its targets stay exactly as they were (a cancelled texture render
// that had already saved an earlier image writes nothing). Objects nest: the inner one hands its
// files to the outer one when it commits.
class CommitTogether {
  public:
    explicit CommitTogether(std::string source);
    ~CommitTogether();
    CommitTogether(const CommitTogether&) = delete;
    CommitTogether& operator=(const CommitTogether&) = delete;

    // Replaces the held files' targets; errors as FileGroup::commit's. Ends the deferral.
    void commit();
    // The targets held so far, in order.
    std::vector<std::string> targets() const { return group_.targets(); }

  private:
    FileGroup group_;
    FileGroup* outer_;
    bool active_ = true;
};

// A temporary file of this program's temporary name (plus `extension`) in `folder`, for a writer
// that wants a path rather than bytes: removed when the object goes, and on SIGINT or SIGTERM
// once removeTemporariesOnSignals() has been called. The file itself is not created here.
class ScratchFile {
  public:
    ScratchFile(const std::string& folder, const std::string& extension);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    int slot_ = -1;
};

// Writes the files as one FileGroup: all are replaced, or none is.
void writeFilesAtomically(const std::vector<FileContent>& files);

// The file a write to `target` reaches: symbolic links followed (also a dangling one), the
// path made absolute. Throws Error(HostFileUnwritable) when the links loop.
std::string resolveWriteTarget(const std::string& target);

// The checks add() makes before it writes, for callers that want them before long work:
// throws Error(HostFileUnwritable, "<target>: <reason>", source) when `target` exists and is
// not a regular file (after following symbolic links), or when its folder is missing or this
// process may not create files in it.
void checkReplaceable(const std::string& target, const std::string& source);

// Installs handlers for SIGINT and SIGTERM that remove the temporary files of every FileGroup
// in flight and then end the process by that signal as before. Handlers someone else installed
// are left alone. Safe to call more than once.
void removeTemporariesOnSignals();

// Removes the temporary files of this program in `folder` whose process is no longer running;
// returns how many were removed. add() calls it for each new folder it writes to.
int removeStaleTemporaries(const std::string& folder);

// True when `fileName` (no folder) is a temporary name of this program.
bool isTemporaryName(std::string_view fileName);

} // namespace brontle
