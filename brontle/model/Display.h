#pragma once
// The host's display vocabulary: the numbers a plug-in passes to Shape::SetDisplayFlags,
// SetDisplayMode and SetDisplayOption, Material::SetMaterialOption, SceneGraph's device
// material slots and an edit view's PreviewSetting, and what the views draw for each.

#include <cstdint>

namespace brontle {

// Shape::SetDisplayFlags bits.
// An unlit textured backdrop: drawn first, never picked for selection (PointerMove still
// reports it as the object under the pointer).
inline constexpr std::int32_t kBackdropFlag = 4;
// Textured and lit, with a wireframe overlay.
inline constexpr std::int32_t kWireOverlayFlag = 8;

// Shape::SetDisplayMode values. 0, the default, fills every face.
// Wireframe and points (a UV layout): no filled faces except the selected polygons.
inline constexpr std::int32_t kWireframeMode = 11;

// Shape::SetDisplayOption values; the host draws every option alike.
inline constexpr std::int32_t kDefaultDisplayOption = 0;

// Material::SetMaterialOption: option 0 is texture filtering, 0 nearest texel, 1 linear.
inline constexpr std::int32_t kTextureFilterOption = 0;
inline constexpr std::int32_t kNearestTexels = 0;
inline constexpr std::int32_t kLinearTexels = 1;

// SceneGraph::GetDeviceMaterial / SetDeviceMaterial slots of a view.
// Colour B: selected wires, selected points and the tint of selected polygons (its alpha is
// the tint's opacity).
inline constexpr std::int32_t kSelectedSlot = 5;
// Colour B: the wires of unselected edges.
inline constexpr std::int32_t kWireSlot = 6;

// An edit view's PreviewSetting bits.
namespace PreviewBits {
inline constexpr int Points = 1;   // every vertex as a point
inline constexpr int Textures = 8; // textures on faces
inline constexpr int Wires = 16;   // wires over every shape
} // namespace PreviewBits
inline constexpr int kDefaultPreviewSetting = PreviewBits::Textures | PreviewBits::Wires;

} // namespace brontle
