#pragma once
// A polygon mesh of the host, stored as flat arrays:
//  vertices, normals (Vector3) and texture coordinates (Vector2), each a pool that corners
//  index into;
//  corners in polygon order: cornerVertex, cornerNormal, cornerTexCoord (int32 each), with
//  polygonStart (polygon count + 1 ascending offsets) delimiting each polygon's corners;
//  per polygon a tag and a material index; the material table; a sub-selection per view.
// The arrays are copy-on-write, so AppendShape into an empty shape shares them until one side
// edits. `Polygon` is a light handle over these arrays.
//
// Operations that take an index throw Error(SubscriptOutOfRange) when it is out of range.

#include "brontle/core/CowArray.h"
#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"
#include "brontle/model/PointHash.h"
#include "brontle/model/Topology.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

namespace brontle {

class Polygon;

// What the last GenerateAtlas made, for reports (the headless command, benchmarks).
struct AtlasStatistics {
    std::int32_t charts = 0;
    double utilisation = 0.0; // chart area over the texture area
    double stretchL2 = 0.0;   // L2 stretch over the mesh (atlas/AtlasMetrics.h), 1 is isometric
    double stretchLinf = 0.0; // worst Linf stretch
    std::vector<std::int32_t> polygonChart;
    double areaRatioP99 = 0.0;  // 99th percentile of texture share / surface share per triangle
    std::int64_t flipped = 0;   // triangles mirrored against their chart
    std::int32_t fallbacks = 0; // charts laid out by the convex embedding
};

// The arrays of a shape, for importers and whole-array builders (see Shape::assignArrays).
struct ShapeArrays {
    std::vector<Vector3> vertices;
    std::vector<Vector3> normals;
    std::vector<Vector2> texcoords;
    std::vector<std::int32_t> polygonStart{0};
    std::vector<std::int32_t> cornerVertex;
    std::vector<std::int32_t> cornerNormal;
    std::vector<std::int32_t> cornerTexCoord;
    std::vector<std::int32_t> polygonTag;
    std::vector<std::int32_t> polygonMaterial;
    std::vector<MaterialPtr> materials;
};

class Shape : public std::enable_shared_from_this<Shape> {
  public:
    // A shape outside any scene graph (tests, importers). SceneGraph::CreateShape makes shapes
    // whose selections the scene graph tracks per view.
    static ShapePtr create();

    Shape(const Shape&) = delete;
    Shape& operator=(const Shape&) = delete;
    ~Shape();

    // ---- whole shape
    // Removes all geometry, materials and sub-selections. Frame membership and whether the
    // shape counts as selected in a view (SceneGraph::SelectShape) stay.
    void Clear();
    // Appends a complete copy of `other`: its arrays (indices offset past this shape's), its
    // materials (those not already used here) and its sub-selections, merged per view with
    // element indices offset likewise. Into an empty shape the arrays are shared, not copied.
    // Appending a shape to itself appends a copy of its current content.
    void AppendShape(const Shape& other);
    // Bounds of the vertices that corners use; all zero for a shape without corners.
    BoundingBox GetBoundingBox() const;
    void Translate(const Vector3& offset);
    // Per-axis factors about the origin; normals are re-normalised, which keeps them right for
    // uniform factors and for flattening to zero on an axis.
    void Scale(const Vector3& factors);
    FramePtr GetFrame() const { return frame_.lock(); }
    // Replaces the material table by `material` alone, used by every polygon.
    void SetMaterial(const MaterialPtr& material);
    MaterialPtr GetMaterialByIndex(std::int32_t index) const;
    std::int32_t GetMaterialCount() const { return static_cast<std::int32_t>(materials_.size()); }

    // ---- elements
    std::int32_t GetPolygonCount() const {
        return static_cast<std::int32_t>(polygonStart_.size()) - 1;
    }
    Polygon GetPolygon(std::int32_t index);
    // Appends an empty polygon with tag 0 and material 0 (a default material is created when the
    // shape has none).
    Polygon AddPolygon();
    // Removes the listed polygons (any order; duplicates and repeats allowed). Vertex, normal and
    // texture-coordinate pools are kept as they are, so surviving polygons are bit-identical.
    // Sub-selections of polygons and edges are renumbered; entries of removed polygons vanish.
    void DeletePolygons(std::span<const std::int32_t> indices);

    std::int32_t GetVertexCount() const { return static_cast<std::int32_t>(vertices_.size()); }
    Vector3 GetVertex(std::int32_t index) const;
    void SetVertex(std::int32_t index, const Vector3& position);
    std::vector<Vector3> GetVertices() const { return vertices_.read(); }
    // Replaces all positions; `positions` must have GetVertexCount() entries.
    void SetVertices(std::span<const Vector3> positions);
    // Index of a vertex within 0.0001 of `position` on every axis (the lowest such index), or a
    // new vertex there.
    std::int32_t AddVertex(const Vector3& position);
    // Like AddVertex but never adds: GetVertexCount() when no vertex lies there.
    std::int32_t FindVertex(const Vector3& position) const;

    std::int32_t GetNormalCount() const { return static_cast<std::int32_t>(normals_.size()); }
    Vector3 GetNormal(std::int32_t index) const;

    std::int32_t GetTextureCoordinateCount() const {
        return static_cast<std::int32_t>(texcoords_.size());
    }
    std::vector<Vector2> GetTextureCoordinates() const { return texcoords_.read(); }
    // Replaces all texture coordinates; same count as before.
    void SetTextureCoordinates(std::span<const Vector2> texcoords);
    // Index of a texture coordinate within 0.0001 of `uv` on both axes, or a new one there.
    std::int32_t AddTextureCoordinate(const Vector2& uv);

    Topology GetTopology() const;
    // Topology is built on demand; kept for callers that announce their use of it.
    void PrepareTopology(bool) {}
    // Recomputes the normals: each corner gets the normalised sum of the face normals of the
    // polygons around its vertex whose face normal lies within `degrees` of its own polygon's.
    // 180 smooths everything: one normal per vertex.
    void SetSmoothingAngle(float degrees);

    // ---- selection per view
    // 0 when the shape has no sub-selection in the view (the whole shape), else its kind.
    std::int32_t GetSelectionType(DeviceID device) const;
    SubSelection GetSubSelection(DeviceID device) const;
    std::int32_t GetSubSelectionCount(DeviceID device) const;
    // Sets the view's sub-selection of this shape (kind 1 polygons, 2 points, 3 edges) and marks
    // the shape selected in that view's scene graph.
    void SetSubSelection(DeviceID device, std::int32_t kind, const SubSelection& selection);
    // The vertices of the sub-selection, ascending and unique for kinds 1 and 3, in selection
    // order for kind 2.
    SubSelection GetSelectedVertices(DeviceID device) const;
    void ClearSubSelection(DeviceID device);
    std::vector<DeviceID> devicesWithSubSelection() const;

    // ---- unwrap and display
    // Replaces the texture coordinates by an automatic atlas. Seams are this shape's edge
    // sub-selection (kind 3) in `device`. On failure throws Error with a negative number and
    // leaves the shape as it was. `result` receives the chart count. Defined in brontle/shapeatlas
    // (link brontle_shapeatlas), the layer above both this model and the atlas engine.
    void GenerateAtlas(DeviceID device, int renderDevice, std::int32_t factorType,
                       std::int32_t factor, std::int32_t width, std::int32_t height,
                       std::int32_t& result);
    // The same, reporting progress in [0, 1] on the calling thread.
    void GenerateAtlas(DeviceID device, int renderDevice, std::int32_t factorType,
                       std::int32_t factor, std::int32_t width, std::int32_t height,
                       std::int32_t& result, const std::function<void(double)>& progress);
    const AtlasStatistics& lastAtlasStatistics() const { return atlasStatistics_; }
    void SetDisplayFlags(std::int32_t flags) { displayFlags_ = flags; }
    void SetDisplayOption(std::int32_t option) { displayOption_ = option; }
    void SetDisplayMode(std::int32_t mode) { displayMode_ = mode; }
    std::int32_t displayFlags() const { return displayFlags_; }
    std::int32_t displayOption() const { return displayOption_; }
    std::int32_t displayMode() const { return displayMode_; }

    // ---- flat arrays for hot loops (read-only views)
    const std::vector<Vector3>& vertices() const { return vertices_.read(); }
    const std::vector<Vector3>& normals() const { return normals_.read(); }
    const std::vector<Vector2>& texcoords() const { return texcoords_.read(); }
    const std::vector<std::int32_t>& polygonStart() const { return polygonStart_.read(); }
    const std::vector<std::int32_t>& cornerVertex() const { return cornerVertex_.read(); }
    const std::vector<std::int32_t>& cornerNormal() const { return cornerNormal_.read(); }
    const std::vector<std::int32_t>& cornerTexCoord() const { return cornerTexCoord_.read(); }
    const std::vector<std::int32_t>& polygonTag() const { return polygonTag_.read(); }
    const std::vector<std::int32_t>& polygonMaterial() const { return polygonMaterial_.read(); }
    const std::vector<MaterialPtr>& materials() const { return materials_; }
    std::int32_t cornerCount() const { return static_cast<std::int32_t>(cornerVertex_.size()); }

    // Replaces all geometry at once. Throws Error(HostBadMesh) when the arrays do not fit
    // together (offsets not ascending, an index out of its pool, mismatched lengths).
    void assignArrays(ShapeArrays arrays);
    // Whole-array write of the corner texture-coordinate indices together with a new pool.
    void assignTexCoords(std::vector<Vector2> texcoords, std::vector<std::int32_t> cornerTexCoord);
    // True when this shape and `other` still share the storage of every array (a fresh copy).
    bool sharesArraysWith(const Shape& other) const;

  private:
    friend class Polygon;
    friend class SceneGraph;
    friend class Frame;
    Shape() = default;

    void checkVertex(std::int32_t index) const;
    void checkPolygon(std::int32_t index) const;
    std::int32_t findOrAddNormal(const Vector3& normal);
    std::int32_t findOrAddTexCoord(const Vector2& uv);
    std::int32_t findOrAddVertex(const Vector3& position);
    void ensureDefaultMaterial();
    void insertCorner(std::int32_t polygon, std::int32_t position, std::int32_t vertex,
                      std::int32_t normal, std::int32_t texcoord);
    void markSelected(DeviceID device);

    CowArray<Vector3> vertices_;
    CowArray<Vector3> normals_;
    CowArray<Vector2> texcoords_;
    CowArray<std::int32_t> polygonStart_{std::vector<std::int32_t>{0}};
    CowArray<std::int32_t> cornerVertex_;
    CowArray<std::int32_t> cornerNormal_;
    CowArray<std::int32_t> cornerTexCoord_;
    CowArray<std::int32_t> polygonTag_;
    CowArray<std::int32_t> polygonMaterial_;
    std::vector<MaterialPtr> materials_;

    struct ViewSelection {
        std::int32_t kind = 0;
        SubSelection selection;
    };
    std::map<DeviceID, ViewSelection> selections_;

    // Tolerance look-ups, rebuilt lazily after any write that moves points.
    mutable PointHash vertexHash_, normalHash_, texcoordHash_;
    mutable bool vertexHashValid_ = false, normalHashValid_ = false, texcoordHashValid_ = false;

    AtlasStatistics atlasStatistics_;
    std::int32_t displayFlags_ = 0;
    std::int32_t displayOption_ = 0;
    std::int32_t displayMode_ = 0;
    std::weak_ptr<Frame> frame_;
    std::weak_ptr<SceneGraph> scene_;
};

} // namespace brontle
