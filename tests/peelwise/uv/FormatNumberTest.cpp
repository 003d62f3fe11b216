// The "0.000" read-out format and the transform buttons' steps and labels.
#include "peelwise/uv/FormatNumber.h"
#include "peelwise/uv/TransformButtons.h"
#include "peelwise/uv/TransformUVPoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace peelwise::modUV;

TEST(FormatNumber, ThreeDecimalsLeadingZeroAndSign) {
    EXPECT_EQ(formatNumber(0.0f), "0.000");
    EXPECT_EQ(formatNumber(1.0f), "1.000");
    EXPECT_EQ(formatNumber(-0.05f), "-0.050");
    EXPECT_EQ(formatNumber(0.05f), "0.050");
    EXPECT_EQ(formatNumber(2.5f), "2.500");
    EXPECT_EQ(formatNumber(0.3333333f), "0.333");
    EXPECT_EQ(formatNumber(1.05f), "1.050");
    EXPECT_EQ(formatNumber(0.995f), "0.995");
    EXPECT_EQ(formatNumber(123.4567f), "123.457");
    EXPECT_EQ(formatNumber(1e14f), "100000000376832.000");
}

TEST(FormatNumber, RoundsHalfAwayFromZeroOnTheShortestDecimal) {
    EXPECT_EQ(formatNumber(0.0625f), "0.063");
    EXPECT_EQ(formatNumber(-0.0625f), "-0.063");
    EXPECT_EQ(formatNumber(1.0005f), "1.001") << "shown as 1.0005 although a hair below";
    EXPECT_EQ(formatNumber(0.9995f), "1.000");
    EXPECT_EQ(formatNumber(9.9996f), "10.000");
    EXPECT_EQ(formatNumber(0.0004f), "0.000");
}

TEST(FormatNumber, NegativeValuesThatRoundToZeroShowNoSign) {
    EXPECT_EQ(formatNumber(-0.0004f), "0.000");
    EXPECT_EQ(formatNumber(-0.0f), "0.000");
    EXPECT_EQ(formatNumber(-0.0005f), "-0.001");
}

TEST(FormatNumber, SeparatorAndNonFiniteValues) {
    EXPECT_EQ(formatNumber(-1.25f, ','), "-1,250");
    EXPECT_EQ(formatNumber(std::numeric_limits<float>::quiet_NaN()), "NaN");
    EXPECT_EQ(formatNumber(std::numeric_limits<float>::infinity()), "Infinity");
    EXPECT_EQ(formatNumber(-std::numeric_limits<float>::infinity()), "-Infinity");
}

TEST(TransformButtons, ScaleStepsAndShiftScalesOnlyY) {
    TransformStep s = transformButtonStep(TransformButton::Enlarge, 0);
    EXPECT_EQ(s.mode, kTransformScale);
    EXPECT_EQ(s.amountX, 1.05f);
    EXPECT_EQ(s.amountY, 1.05f);
    EXPECT_EQ(s.labels, (Readout{"Scale X: 1.050", "Y: 1.050"}));
    s = transformButtonStep(TransformButton::Enlarge, kCtrlBit | kShiftBit);
    EXPECT_EQ(s.amountX, 1.0f);
    EXPECT_EQ(s.amountY, 1.005f) << "Ctrl+Shift still fine for scale";
    EXPECT_EQ(s.labels, (Readout{"Scale X: 1.000", "Y: 1.005"}));
    s = transformButtonStep(TransformButton::Reduce, kShiftBit);
    EXPECT_EQ(s.labels, (Readout{"Scale X: 1.000", "Y: 0.950"}));
    EXPECT_EQ(transformButtonStep(TransformButton::Reduce, kCtrlBit).amountX, 0.995f);
}

TEST(TransformButtons, RotateStepsAndLabels) {
    TransformStep s = transformButtonStep(TransformButton::RotateLeft, 0);
    EXPECT_EQ(s.mode, kTransformRotate);
    EXPECT_EQ(s.amountX, 2.5f);
    EXPECT_EQ(s.amountY, 0.0f);
    EXPECT_EQ(s.labels, (Readout{"Rotate Left: 2.500", ""}));
    s = transformButtonStep(TransformButton::RotateLeft, kCtrlBit | kShiftBit);
    EXPECT_EQ(s.amountX, 0.33333334f);
    EXPECT_EQ(s.labels, (Readout{"Rotate Left: 0.333", ""}));
    s = transformButtonStep(TransformButton::RotateRight, kCtrlBit);
    EXPECT_EQ(s.amountX, -0.33333334f);
    EXPECT_EQ(s.labels, (Readout{"Rotate Right: 0.333", ""}));
    // 2.5 turns by 5 degrees: the constant is 2 pi, not pi.
    EXPECT_NEAR(rotationAngleOfStep(2.5f) * 180.0 / 3.14159265358979, 5.0, 1e-5);
    EXPECT_EQ(rotationAngleOfStep(2.5f), 2.5f / 180.0f * 6.283186f);
}

TEST(TransformButtons, MoveStepsAreFineOnlyWithCtrlAlone) {
    TransformStep s = transformButtonStep(TransformButton::ShiftLeft, kCtrlBit);
    EXPECT_EQ(s.mode, kTransformMove);
    EXPECT_EQ(s.amountX, -0.001f);
    EXPECT_EQ(s.labels, (Readout{"Move X: -0.001", ""}));
    s = transformButtonStep(TransformButton::ShiftRight, kCtrlBit | kShiftBit);
    EXPECT_EQ(s.amountX, 0.05f) << "Ctrl+Shift moves coarse";
    EXPECT_EQ(s.amountY, 0.0f);
    s = transformButtonStep(TransformButton::ShiftUp, 0);
    EXPECT_EQ(s.amountX, 0.0f);
    EXPECT_EQ(s.amountY, 0.05f);
    EXPECT_EQ(s.labels, (Readout{"Move Y: -0.050", ""})) << "up lowers v";
    s = transformButtonStep(TransformButton::ShiftDown, 0);
    EXPECT_EQ(s.amountY, -0.05f);
    EXPECT_EQ(s.labels, (Readout{"Move Y: 0.050", ""}));
    EXPECT_EQ(transformButtonStep(TransformButton::ShiftDown, kCtrlBit).amountY, -0.001f);
}
