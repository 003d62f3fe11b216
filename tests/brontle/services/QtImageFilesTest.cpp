// Image files through Qt: missing and unreadable files, and exact round trips.
#include "brontle/services/QtImageFiles.h"
#include "brontle/core/Error.h"
#include "brontle/model/BmpFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

namespace brontle {
namespace {

// Every pixel different: red by column, green by row, blue mixed, opaque.
Image testPattern(int width, int height) {
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.at(x, y) = 0xff000000u | (std::uint32_t(x * 37 % 256) << 16) |
                             (std::uint32_t(y * 53 % 256) << 8) | std::uint32_t((x * y + 7) % 256);
        }
    }
    return image;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void expectError(const std::function<void()>& action, std::int32_t number,
                 const std::string& description) {
    try {
        action();
        ADD_FAILURE() << "no error; expected " << description;
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), number);
        EXPECT_EQ(error.description(), description);
    }
}

class QtImageFilesTest : public ::testing::Test {
  protected:
    std::string path(const char* name) const { return folder.filePath(name).toStdString(); }
    QTemporaryDir folder;
};

TEST_F(QtImageFilesTest, MissingFilesAreNoImageAndGarbageIsAnErrorNamingIt) {
    EXPECT_EQ(readImageFile(path("missing.bmp")), std::nullopt);
    EXPECT_EQ(qtImageReader()(path("missing.png")), std::nullopt);
    std::ofstream(path("garbage.bmp"), std::ios::binary) << "BM this is not a bitmap at all";
    expectError([&] { readImageFile(path("garbage.bmp")); }, ErrorNumber::HostFileUnreadable,
                path("garbage.bmp") + ": not an image this host can read");
    std::ofstream(path("empty.png"), std::ios::binary);
    expectError([&] { qtImageReader()(path("empty.png")); }, ErrorNumber::HostFileUnreadable,
                path("empty.png") + ": not an image this host can read");
    expectError([&] { readImageFile(folder.path().toStdString()); },
                ErrorNumber::HostFileUnreadable,
                folder.path().toStdString() + ": not an image this host can read");
}

TEST_F(QtImageFilesTest, RoundTripsArePixelExactWithTheFormatReadFromTheContent) {
    const Image image = testPattern(37, 21); // odd width: rows are padded in the file
    saveImage(path("pattern.bmp"), image);
    const std::optional<Image> back = readImageFile(path("pattern.bmp"));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, image);
    const std::string bytes = readBytes(path("pattern.bmp"));
    ASSERT_GE(bytes.size(), 30u);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(bytes[28])), 24); // bits per pixel
    // A second, Qt-free decoder reads the same pixels.
    const std::optional<Image> other = readBmpFile(path("pattern.bmp"));
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(*other, image);

    // A bitmap drops the alpha channel, a PNG keeps it.
    Image alpha = testPattern(8, 4);
    alpha.at(1, 1) = 0x80123456u;
    alpha.at(2, 3) = 0x00abcdefu;
    saveImage(path("alpha.PNG"), alpha);
    EXPECT_EQ(readImageFile(path("alpha.PNG")), alpha);
    saveImage(path("alpha.bmp"), alpha);
    Image opaque = alpha;
    for (std::uint32_t& pixel : opaque.pixels) {
        pixel |= 0xff000000u;
    }
    EXPECT_EQ(readImageFile(path("alpha.bmp")), opaque);

    // The format is read from the content, not the name; backslash paths are read.
    const Image png = testPattern(5, 5);
    saveImage(path("really.png"), png);
    ASSERT_TRUE(QFile::rename(folder.filePath("really.png"), folder.filePath("named.bmp")));
    EXPECT_EQ(readImageFile(path("named.bmp")), png);
    std::string windowsStyle = path("pattern.bmp");
    std::replace(windowsStyle.begin(), windowsStyle.end(), '/', '\\');
    EXPECT_EQ(readImageFile(windowsStyle), image);
}

TEST_F(QtImageFilesTest, FailedSavesNameThePathAndLeaveTheOldFile) {
    const Image image = testPattern(4, 4);
    expectError([&] { saveImage(path("x.jpg"), image); }, ErrorNumber::HostFileUnwritable,
                path("x.jpg") +
                    ": cannot write images of this kind (the name must end in .bmp or .png)");
    expectError([&] { saveImage(path("x.bmp"), Image()); }, ErrorNumber::HostFileUnwritable,
                path("x.bmp") + ": an empty image cannot be written");
    Image broken = image;
    broken.pixels.pop_back();
    expectError([&] { saveImage(path("x.bmp"), broken); }, ErrorNumber::HostBadArgument,
                path("x.bmp") + ": the image has 15 pixels for a size of 4 x 4");
    try {
        saveImage(path("no/such/folder/x.bmp"), image);
        ADD_FAILURE() << "saved into a missing folder";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::HostFileUnwritable);
        EXPECT_EQ(error.description().rfind(
                      path("no/such/folder/x.bmp") + ": cannot write the image (", 0),
                  0u)
            << error.description();
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("x.bmp")));

    // A failed save leaves the old file.
    const Image first = testPattern(6, 6);
    saveImage(path("keep.bmp"), first);
    broken = testPattern(6, 6);
    broken.pixels.resize(3);
    EXPECT_THROW(saveImage(path("keep.bmp"), broken), Error);
    EXPECT_EQ(readImageFile(path("keep.bmp")), first);
    // Replacing it really replaces it.
    const Image second = testPattern(2, 9);
    saveImage(path("keep.bmp"), second);
    EXPECT_EQ(readImageFile(path("keep.bmp")), second);
}

} // namespace
} // namespace brontle
