// Files saved during a piece of work that may still be cancelled: held as temporary files until
// the work commits them together, and gone without a trace when it does not.
#include "brontle/model/AtomicFiles.h"

#include "support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
using peelwise::test::ScratchDir;

// Every file name in `dir`, hidden ones (the temporary files) too.
std::set<std::string> namesIn(const ScratchDir& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void save(const std::string& file, const std::string& text) {
    brontle::FileGroup group("SaveSurface");
    group.add(file, text);
    group.commit();
}

TEST(CommitTogetherTest, SavesWaitForTheCommitAndVanishWithoutIt) {
    ScratchDir dir;
    const std::string old = dir.write("paint.bmp", "old picture");
    const std::string fresh = dir.file("new.bmp");
    {
        brontle::CommitTogether held("SaveSurface");
        save(old, "first render");
        save(fresh, "layout");
        save(old, "second render");
        EXPECT_EQ(held.targets(), (std::vector<std::string>{old, fresh, old}));
        // Nothing replaced yet; the three contents wait beside their targets.
        EXPECT_EQ(dir.read("paint.bmp"), "old picture");
        EXPECT_FALSE(fs::exists(fresh));
        EXPECT_EQ(namesIn(dir).size(), 4u);
    }
    // Dropped: the folder is exactly as before.
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{"paint.bmp"}));
    EXPECT_EQ(dir.read("paint.bmp"), "old picture");

    {
        brontle::CommitTogether held("SaveSurface");
        save(old, "first render");
        {
            // An inner deferral hands its files on when it commits; the outer one decides.
            brontle::CommitTogether inner("SaveSurface");
            save(fresh, "layout");
            inner.commit();
            EXPECT_FALSE(fs::exists(fresh));
        }
        save(old, "second render");
        held.commit();
        // The last save of a file wins, as if each had been written at once.
        EXPECT_EQ(dir.read("paint.bmp"), "second render");
        EXPECT_EQ(dir.read("new.bmp"), "layout");
        // After the commit, saves go straight to their files again.
        save(fresh, "later");
        EXPECT_EQ(dir.read("new.bmp"), "later");
    }
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{"new.bmp", "paint.bmp"}));
    // Without a deferral a save replaces its file at once.
    save(old, "direct");
    EXPECT_EQ(dir.read("paint.bmp"), "direct");
}

} // namespace
