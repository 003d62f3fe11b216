// The host's log: one stamped line per call, in order, and no failure reaching the caller.
#include "brontle/services/Log.h"
#include "brontle/services/FileUtility.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <vector>

namespace brontle {
namespace {

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> result;
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

const std::regex stampedLine(R"((\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}[+-]\d{2}:\d{2}) (.*))");

TEST(Log, OneStampedLinePerCallAppendedInOrder) {
    QTemporaryDir folder;
    Log log(folder.filePath("sub/brontle.log").toStdString());
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    log.write("Generate Atlas Texture Size: 512");
    log.write("pbGenerateAtlas failed with error: 9-Subscript out of range");
    log.write("");
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);

    const std::vector<std::string> written = lines(log.file());
    ASSERT_EQ(written.size(), 3u);
    const std::vector<std::string> texts = {
        "Generate Atlas Texture Size: 512",
        "pbGenerateAtlas failed with error: 9-Subscript out of range", ""};
    QDateTime previous = before;
    for (std::size_t i = 0; i < written.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(written[i], match, stampedLine)) << written[i];
        EXPECT_EQ(match[2].str(), texts[i]);
        const QDateTime stamp =
            QDateTime::fromString(QString::fromStdString(match[1].str()), Qt::ISODateWithMs);
        ASSERT_TRUE(stamp.isValid()) << match[1].str();
        EXPECT_LE(previous, stamp);
        EXPECT_LE(stamp, after);
        previous = stamp;
    }

    // A line break inside the text keeps one line per call.
    log.write("first\nsecond\r\nthird\rfourth");
    ASSERT_EQ(lines(log.file()).size(), 4u);
    EXPECT_TRUE(lines(log.file())[3].ends_with(" first\\nsecond\\nthird\\nfourth"));

    // A new log on the same file appends to what is there.
    Log(log.file()).write("later");
    ASSERT_EQ(lines(log.file()).size(), 5u);
    EXPECT_TRUE(lines(log.file())[4].ends_with(" later")) << lines(log.file())[4];
}

TEST(Log, TimeStampIsLocalTimeWithItsOffset) {
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-1);
    const std::string stamp = logTimeStamp();
    const QDateTime after = QDateTime::currentDateTime().addMSecs(1);
    ASSERT_EQ(stamp.size(), 29u) << stamp;
    const QDateTime parsed =
        QDateTime::fromString(QString::fromStdString(stamp), Qt::ISODateWithMs);
    ASSERT_TRUE(parsed.isValid()) << stamp;
    EXPECT_EQ(parsed.offsetFromUtc(), before.offsetFromUtc());
    EXPECT_LE(before, parsed);
    EXPECT_LE(parsed, after);
}

TEST(Log, AnUnwritableFileGoesToStandardErrorWithoutThrowing) {
    QTemporaryDir folder;
    Log log(folder.path().toStdString()); // a folder cannot be appended to
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(log.write("lost line"));
    const std::string error = testing::internal::GetCapturedStderr();
    EXPECT_EQ(error.find("brontle log (cannot append to " + folder.path().toStdString() + "): "),
              0u)
        << error;
    EXPECT_TRUE(error.ends_with(" lost line\n")) << error;
}

TEST(Log, EnvironmentVariableChoosesTheFileAndTheFileUtilityWritesThere) {
    QTemporaryDir folder;
    const std::string path = folder.filePath("from-environment.log").toStdString();
    setenv("BRONTLE_LOG_FILE", path.c_str(), 1);
    EXPECT_EQ(hostLog().file(), path);
    FileUtility().WriteLog("through the file utility");
    unsetenv("BRONTLE_LOG_FILE");
    EXPECT_TRUE(hostLog().file().ends_with("/Brontle/brontle.log")) << hostLog().file();

    const std::vector<std::string> written = lines(path);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(written[0].ends_with(" through the file utility")) << written[0];
}

} // namespace
} // namespace brontle
