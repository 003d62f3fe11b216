// Values that sit exactly on a limit: a texture coordinate 0.0001 from another on u and on v
// (inclusive, so it matches), and the two size fields of a written bitmap's header.
#include "brontle/model/BmpFile.h"
#include "brontle/model/Shape.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace brontle;

std::uint32_t le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t(bytes.at(at)) | std::uint32_t(bytes.at(at + 1)) << 8 |
           std::uint32_t(bytes.at(at + 2)) << 16 | std::uint32_t(bytes.at(at + 3)) << 24;
}

TEST(BoundaryValues, ATextureCoordinateExactlyTheToleranceAwayStillMatches) {
    const ShapePtr shape = Shape::create();
    ASSERT_EQ(shape->AddTextureCoordinate({0.0f, 0.0f}), 0);
    ASSERT_EQ(shape->AddTextureCoordinate({0.5f, 0.5f}), 1);
    // The differences, taken in single precision, are exactly 0.0001f.
    EXPECT_EQ(shape->AddTextureCoordinate({0.0001f, 0.0f}), 0) << "u at the tolerance";
    EXPECT_EQ(shape->AddTextureCoordinate({0.0f, -0.0001f}), 0) << "v at the tolerance";
    EXPECT_EQ(shape->AddTextureCoordinate({-0.0001f, 0.0001f}), 0) << "both at the tolerance";
    EXPECT_EQ(shape->GetTextureCoordinateCount(), 2) << "nothing was added";
    // Just beyond, on either axis alone: a coordinate of its own.
    EXPECT_EQ(shape->AddTextureCoordinate({0.00011f, 0.0f}), 2);
    EXPECT_EQ(shape->AddTextureCoordinate({0.0f, 0.00011f}), 3);
}

TEST(BoundaryValues, AWrittenBitmapHeaderGivesTheFileSizeAndTheDataOffset) {
    // 3 pixels of 3 bytes make 9 bytes a row, padded to 12; 2 rows; 54 header bytes.
    Image image(3, 2, 0xff102030u);
    const std::vector<std::uint8_t> bytes = encodeBmp(image);
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(le32(bytes, 2), 78u) << "file size";
    EXPECT_EQ(le32(bytes, 10), 54u) << "offset of the pixel data";
    EXPECT_EQ(le32(bytes, 34), 24u) << "size of the pixel data";
    // Rows without padding: 4 pixels are 12 bytes.
    const std::vector<std::uint8_t> even = encodeBmp(Image(4, 3));
    EXPECT_EQ(le32(even, 2), 54u + 3 * 12);
    EXPECT_EQ(le32(even, 10), 54u);

    // A reader takes the pixels from where the offset says: four spare bytes after the header.
    std::vector<std::uint8_t> spaced = bytes;
    spaced.insert(spaced.begin() + 54, {0xde, 0xad, 0xbe, 0xef});
    spaced[10] = 58;
    spaced[2] = 82;
    EXPECT_EQ(decodeBmp(spaced, "spaced.bmp"), image);
}

} // namespace
