#pragma once
// The stretch display of the edit views, without Qt: how much each polygon is distorted between
// its place on the surface (the shape's positions) and its place in the texture (its texture
// coordinates), and the colour that shows it. Everything runs over whole arrays in time linear
// in the corners.
//
// Area distortion of a polygon: log2 of (its share of the shape's texture area) over (its share
// of the shape's surface area). 0 where the texture is spread evenly, below 0 where it is shrunk
// (fewer texels than the average), above 0 where it is enlarged. Scaling the whole layout
// changes nothing.
// Angle distortion of a polygon: log2 of the ratio of the larger to the smaller singular value
// of the map from the surface to the texture, that ratio averaged over its fan triangles
// weighted by their surface area. 0 where angles are kept (a uniform scale), growing with the
// shear.
// A polygon with no surface area and no texture area has distortion 0; one with only one of the
// two is given the ends of the scale (kStretchSaturated). A shape without texture area at all
// (no texture coordinates) has nothing to compare against: every polygon is 0.
//
// Colours (0xAARRGGBB, opaque), linear in the distortion and saturated at the legend's ends:
//  area: blue (kStretchShrunk) at -kAreaLegendRange, neutral (kStretchNeutral) at 0, red
//  (kStretchEnlarged) at +kAreaLegendRange: the legend reads 1/4 x, 1 x, 4 x;
//  angle: neutral at 0, red at kAngleLegendRange: the legend reads 1 x to 2 x.

#include "brontle/core/Records.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

// Off, area distortion, angle distortion: the order in which the toggle steps through them.
enum class StretchMode : int { Off = 0, Area = 1, Angle = 2 };

StretchMode nextStretchMode(StretchMode mode);

inline constexpr double kAreaLegendRange = 2.0;  // log2: 1/4 x .. 4 x
inline constexpr double kAngleLegendRange = 1.0; // log2: 1 x .. 2 x
inline constexpr float kStretchSaturated = 16.0f;
inline constexpr std::uint32_t kStretchNeutral = 0xffe6e6e6u;
inline constexpr std::uint32_t kStretchShrunk = 0xff2060e0u;
inline constexpr std::uint32_t kStretchEnlarged = 0xffe02818u;

// The arrays of one shape the distortion is measured on (see Shape's flat arrays).
struct StretchInput {
    std::span<const Vector3> vertices;
    std::span<const Vector2> texcoords;
    std::span<const std::int32_t> polygonStart;
    std::span<const std::int32_t> cornerVertex;
    std::span<const std::int32_t> cornerTexCoord;
};

// One distortion value per polygon (see above); `mode` Area or Angle (Off gives zeros). Corners
// whose indices fall outside their pools count as the origin.
std::vector<float> polygonDistortion(const StretchInput& input, StretchMode mode);

// The colour of one distortion value in `mode` (Off gives the neutral colour).
std::uint32_t distortionColour(float value, StretchMode mode);

// Colours for every polygon: `values` (one per polygon) coloured in `mode`.
std::vector<std::uint32_t> distortionColours(std::span<const float> values, StretchMode mode);

// Colours of a layout whose polygon i stands for polygon |tags[i]| - 1 of the shape the values
// were measured on (tags +/-(k + 1)); a polygon whose tag names none gets the neutral colour.
std::vector<std::uint32_t> layoutColours(std::span<const std::int32_t> tags,
                                         std::span<const float> values, StretchMode mode);

} // namespace brontle
