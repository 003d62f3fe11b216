// The continuity texture the build puts into the install folder, and the program that draws it.
#include "brontle/services/QtImageFiles.h"

#include <QColor>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>

namespace brontle {
namespace {

const std::string BuiltMap = PEELWISE_BIN_DIR "/System/ContinuityMap.bmp";
const QString Program = QStringLiteral(PEELWISE_BIN_DIR "/continuity_map");
constexpr int Cells = 8;

// The colour in the middle of a cell, away from its label and the grid lines.
QColor cellCentre(const Image& map, int column, int row) {
    const int x = (2 * column + 1) * map.width / (2 * Cells);
    const int y = (2 * row + 1) * map.height / (2 * Cells);
    return QColor::fromRgba(map.at(x, y));
}

void expectAGrid(const Image& map) {
    for (int row = 0; row < Cells; ++row) {
        for (int column = 0; column < Cells; ++column) {
            const QColor here = cellCentre(map, column, row);
            if (column + 1 < Cells) {
                // Hue goes round the wheel from column to column, 45 degrees a step.
                const QColor right = cellCentre(map, column + 1, row);
                EXPECT_NE(here.rgb(), right.rgb()) << column << "," << row;
                const int step = (right.hsvHue() - here.hsvHue() + 360) % 360;
                EXPECT_NEAR(step, 45, 3) << column << "," << row;
            }
            if (row + 1 < Cells) {
                // Brightness falls from row to row.
                const QColor below = cellCentre(map, column, row + 1);
                EXPECT_NE(here.rgb(), below.rgb()) << column << "," << row;
                EXPECT_GT(here.value(), below.value() + 10) << column << "," << row;
            }
        }
    }
    // Grid lines are dark: the top-left pixel and a pixel on the first inner vertical line.
    EXPECT_LT(QColor::fromRgba(map.at(0, 0)).value(), 60);
    EXPECT_LT(QColor::fromRgba(map.at(map.width / Cells, map.height / (2 * Cells))).value(), 60);
}

TEST(ContinuityMap, TheBuildPutsA1024PixelGridIntoTheInstallFolder) {
    const std::optional<Image> map = readImageFile(BuiltMap);
    ASSERT_TRUE(map.has_value()) << BuiltMap << " was not built";
    EXPECT_EQ(map->width, 1024);
    EXPECT_EQ(map->height, 1024);
    expectAGrid(*map);

    std::ifstream in(BuiltMap, std::ios::binary);
    char header[30] = {};
    in.read(header, sizeof header);
    EXPECT_EQ(static_cast<int>(static_cast<unsigned char>(header[28])), 24);
}

TEST(ContinuityMap, TheProgramDrawsTheSizeItIsGivenAndRefusesBadArgumentsAndOutputs) {
    QTemporaryDir folder;
    const QString out = folder.filePath("made/here/map.bmp");
    QProcess program;
    program.start(Program, {out, "200"});
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    const std::optional<Image> map = readImageFile(out.toStdString());
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(map->width, 200); // no multiple of 8: cells of 25 pixels
    EXPECT_EQ(map->height, 200);
    expectAGrid(*map);

    for (const QStringList& arguments : {QStringList{}, QStringList{folder.filePath("a.bmp"), "12"},
                                         QStringList{folder.filePath("a.bmp"), "1024px"},
                                         QStringList{folder.filePath("a.bmp"), "9000"}}) {
        QProcess refused;
        refused.start(Program, arguments);
        ASSERT_TRUE(refused.waitForFinished(60000));
        EXPECT_EQ(refused.exitCode(), 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(
            refused.readAllStandardError().contains("usage: continuity_map OUT.bmp [SIZE]"));
    }
    EXPECT_FALSE(QFile::exists(folder.filePath("a.bmp")));

    QProcess unwritable;
    unwritable.start(Program, {folder.path(), "64"}); // a folder, not a file
    ASSERT_TRUE(unwritable.waitForFinished(60000));
    EXPECT_EQ(unwritable.exitCode(), 1);
    EXPECT_TRUE(unwritable.readAllStandardError().contains(": cannot write the bitmap ("));
}

} // namespace
} // namespace brontle
