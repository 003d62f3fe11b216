#pragma once
// Draws an EditportFrame with OpenGL 3.3 core into the current framebuffer (a QOpenGLWidget's,
// or a QOpenGLFramebufferObject's for benchmarks). Holds no widget.
//
// Buffers are uploaded once per shape change, not per frame: after a Refresh (a new frame
// generation) each shape's arrays are hashed, and only the parts whose hash changed are sent
// again (positions alone when a layout is dragged, texture coordinates alone when only they
// changed). Thick lines (seams) are quads made by a geometry shader, since core profiles need
// not draw wide lines.
//
// In the flat (orthographic) view the wires of a large shape are not GL lines: they are drawn on
// the CPU into an overlay image (WireOverlay.h), uploaded into one texture and shown as one
// blended quad, since a software OpenGL spends far more on 200,000 line primitives than the CPU
// walk costs. The overlay is drawn again only when what it shows changed: the shape's positions
// or edges, its selection, the camera or placement, the view's size or the wire colours.
//
// A flat view of a layout whose wires are denser than readable (layoutWiresReadable) draws its
// outline instead (the edges with one polygon, kept beside the wire buffer for each version of
// the edges), as GL lines or, when long enough, through the overlay, which then projects only
// the vertices of the outline and of the highlighted wires: a pan costs nothing per polygon.
//
// While the camera moves (EditportFrame::cameraMoving) a 3D view draws the faces of a shape with
// kReducedMeshMinTriangles triangles or more from its reduced mesh (MeshReduction.h), built on
// the first such frame and kept in GL buffers until the shape's positions, corners, normals,
// materials or texture coordinates change; wires, selection highlights and seams still come
// from the full mesh. The first frame without motion draws the full faces again.

#include "brontle/viewmath/EditportFrame.h"
#include "brontle/viewmath/WireOverlay.h"

#include <QOpenGLFunctions_3_3_Core>

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class QOpenGLShaderProgram;

namespace brontle {

class Texture;

class EditportRenderer : protected QOpenGLFunctions_3_3_Core {
  public:
    EditportRenderer();
    ~EditportRenderer();

    // Call with the context current. False when the context cannot run the shaders.
    bool initialize();
    bool initialized() const { return initialized_; }
    // Draws the frame into the bound framebuffer of `width` x `height` device pixels.
    void render(const EditportFrame& frame, int width, int height);
    // Frees every GL object; call with the context current (before it goes away).
    void release();

    // Uploads done so far (tests and benchmarks check that an unchanged frame uploads nothing).
    std::uint64_t uploadCount() const { return uploads_; }
    // Vertex indices in the wire buffer of `shape` (two per edge), -1 before its first frame.
    std::int32_t wireIndexCount(const Shape& shape) const;

    // Shapes with at least this many unique edges get their wires from the CPU overlay in a
    // flat view (0: every shape; a huge number: never). The default is the measured crossover.
    void setWireOverlayMinEdges(std::int32_t edges) { wireOverlayMinEdges_ = edges; }
    std::int32_t wireOverlayMinEdges() const { return wireOverlayMinEdges_; }
    // Threads the overlay's rows are split among (1 or more).
    void setWireOverlayThreads(int threads) { overlayThreads_ = threads < 1 ? 1 : threads; }
    // Times a wire overlay was drawn and uploaded (tests check when it is and is not redrawn).
    std::uint64_t wireOverlayDrawCount() const { return overlayDraws_; }
    // Whether the last frame drew `shape`'s wires through the overlay.
    bool drewWireOverlay(const Shape& shape) const;
    // Whether the last frame drew only the outline of `shape` as its wires (a 2D view of a
    // layout denser than readable: layoutWiresReadable).
    bool drewOutlineOnly(const Shape& shape) const;
    // Face triangles sent to OpenGL by the last frame (before back faces are culled).
    std::int64_t trianglesDrawn() const { return trianglesDrawn_; }
    // Whether the last frame drew `shape`'s faces from its reduced mesh.
    bool drewReducedMesh(const Shape& shape) const;
    // Reduced meshes built so far (tests check that one is built once per change of arrays).
    std::uint64_t reducedMeshBuilds() const { return reducedBuilds_; }

  private:
    struct MaterialRange {
        std::int32_t material = 0;
        GLint first = 0;
        GLsizei count = 0;
    };
    struct ShapeGpu {
        std::weak_ptr<Shape> owner;
        std::uint64_t generation = ~std::uint64_t{0};
        std::uint64_t positionHash = 0, topologyHash = 0, faceHash = 0, uvHash = 0;
        std::uint64_t selectionHash = ~std::uint64_t{0};
        GLuint vao = 0, positions = 0, edges = 0;
        GLsizei edgeIndices = 0;
        GLsizei vertexCount = 0;
        BoundingBox box{};
        // Whether the surface is closed and consistently oriented, and then +1 or -1 when its
        // corners turn anticlockwise or clockwise seen from outside (0: open, or no volume).
        bool closed = false;
        int outward = 0;
        // Faces are indexed triangles (ranges in the index buffer, one per material) over one
        // GL vertex per distinct (vertex, normal, texture coordinate) of the corners; faceCorners
        // holds a corner of each GL vertex, to refill positions or texture coordinates alone.
        GLuint faceVao = 0, facePositions = 0, faceUvs = 0, faceIndices = 0;
        std::uint64_t faceLayoutHash = 0;
        std::vector<std::int32_t> faceCorners;
        std::vector<MaterialRange> ranges;
        bool hasFaces = false;
        // Whether every GL vertex of the faces has a normal (else faces are lit by their slope).
        bool normalsComplete = false;
        // Set each frame: a 3D view shows the shape's wires denser than readable
        // (wiresReadable), so it leaves them out and lights the faces per vertex.
        bool denseOnScreen = false;
        GLuint highlightEdges = 0, seamEdges = 0, handlePoints = 0, tintVao = 0, tintBuffer = 0;
        GLsizei highlightCount = 0, seamCount = 0, handleCount = 0, tintCount = 0;
        // CPU copies of the wire and highlight pairs, for the wire overlay.
        std::vector<std::uint32_t> wirePairs, highlightPairs;
        GLuint overlayTexture = 0;
        int overlayWidth = 0, overlayHeight = 0;
        int overlayRect[4] = {0, 0, 0, 0}; // x0, y0, x1, y1 of the lit part, in pixels
        std::uint64_t overlayKey = 0;
        bool overlayLastFrame = false;
        // The outline (edges with one polygon) as GL_LINES indices and on the CPU, and for its
        // overlay the vertices it and the highlighted wires use, with both sets of pairs
        // renumbered into them (rebuilt when the edges or the selection change), so that a pan
        // projects those vertices alone.
        GLuint outlineEdges = 0;
        GLsizei outlineIndices = 0;
        std::vector<std::uint32_t> outlinePairs;
        std::uint64_t outlineOverlayKey = ~std::uint64_t{0};
        std::vector<std::uint32_t> outlineVertexIds, outlineLocal, outlineHighlightLocal;
        std::vector<Vector3> outlinePositions;
        bool outlineLastFrame = false;
        // Stretch display: triangles with one colour per polygon, for the colours held here
        // (held, so that a new array can never be taken for the uploaded one).
        GLuint stretchVao = 0, stretchBuffer = 0;
        GLsizei stretchCount = 0;
        std::shared_ptr<const std::vector<std::uint32_t>> stretchColours;
        // Triangles of the full faces, and the reduced mesh drawn in their place while the
        // camera moves (built lazily: reducedBuilt tells whether it is for the current arrays).
        std::int64_t faceTriangles = 0;
        GLuint reducedVao = 0, reducedVertices = 0, reducedUvs = 0, reducedIndices = 0;
        std::vector<MaterialRange> reducedRanges;
        bool reducedBuilt = false;
        bool reducedLastFrame = false;
    };

    ShapeGpu& cacheFor(const ShapePtr& shape, std::uint64_t generation, int previewSetting,
                       DeviceID device);
    void uploadFaces(ShapeGpu& gpu, const Shape& shape, bool positionsOnly, bool uvsOnly);
    void uploadHighlights(ShapeGpu& gpu, const Shape& shape, DeviceID device);
    // Attributes 0 (position) and 1 (normal) of the bound array buffer: six floats a vertex.
    void positionNormalLayout();
    // A vertex array of faces: positions and normals (positionNormalLayout), texture coordinates
    // as attribute 2, and an element buffer, all created empty.
    void createFaceArrays(GLuint& vao, GLuint& positions, GLuint& uvs, GLuint& indices);
    // Binds the texture to the active unit, uploading it on first use or after it changed.
    void bindTexture(const std::shared_ptr<Texture>& texture, GLint filter, bool& opaque);
    bool cullsBackFaces(const ShapeGpu& gpu, const Matrix4& modelView, const EditportFrame& frame,
                        GLenum& frontFace) const;
    // With `reduced`, from the shape's reduced mesh (which must be built).
    void drawFaces(const ShapeGpu& gpu, const Shape& shape, const Matrix4& modelView,
                   const EditportFrame& frame, bool translucentPass, bool reduced = false);
    // Builds and uploads the reduced mesh of the shape's faces unless it is up to date.
    void buildReduced(ShapeGpu& gpu, const Shape& shape);
    void freeReduced(ShapeGpu& gpu);
    void drawLines(GLuint vao, GLuint elements, GLsizei count, const Matrix4& modelView,
                   const Matrix4& projection, const Color4& colour, float width, int w, int h);
    void drawPoints(GLuint vao, GLuint elements, GLsizei count, const Matrix4& modelView,
                    const Matrix4& projection, const Color4& colour, float size);
    void drawScreenLines(const std::vector<float>& xyz, const Matrix4& modelView,
                         const Matrix4& projection, const Color4& colour, int w, int h);
    // The shape's wires and highlighted wires as one overlay quad (flat views only).
    // With `outline`, the outline alone stands for the wires.
    void drawWireOverlayQuad(ShapeGpu& gpu, const Shape& shape, const Matrix4& modelView,
                             const EditportFrame& frame, const Color4& selected, int w, int h,
                             bool outline);
    // Uploads the lit rectangle of overlayPixels_ (a view `w` pixels wide) into the bound
    // overlay texture and keeps it as the part to show.
    void uploadOverlay(ShapeGpu& gpu, const OverlayRect& rect, int w);
    void freeShape(ShapeGpu& gpu);
    // Fills the shape's polygons with their stretch colours (uploaded when the colours change).
    void drawStretch(ShapeGpu& gpu, const Shape& shape,
                     const std::shared_ptr<const std::vector<std::uint32_t>>& colourArray,
                     const Matrix4& modelView, const EditportFrame& frame);

    bool initialized_ = false;
    // The face programs for faces without a texture: unlit, lit per pixel, lit per vertex.
    std::array<std::unique_ptr<QOpenGLShaderProgram>, 3> plainFacePrograms_;
    std::unique_ptr<QOpenGLShaderProgram> faceProgram_, vertexLitFaceProgram_, unlitFaceProgram_,
        lineProgram_, thinLineProgram_, pointProgram_, overlayProgram_, stretchProgram_;
    std::unordered_map<const Shape*, ShapeGpu> shapes_;
    struct TextureGpu {
        std::weak_ptr<Texture> owner;
        GLuint id = 0;
        bool opaque = true;
        GLint filter = 0; // the min and mag filter set on it, 0 before the first
    };
    // Blending costs per fragment on software rasterisers: it is on only for translucent draws.
    void setBlend(bool on);
    bool blend_ = false;
    std::unordered_map<const Texture*, TextureGpu> textures_;
    GLuint scratchVao_ = 0, scratchBuffer_ = 0, emptyVao_ = 0;
    std::uint64_t uploads_ = 0;
    // Lines and points are pulled towards the eye in 3D views only (see kLineEyeScale).
    float lineEyeScale_ = 1.0f;
    std::int32_t wireOverlayMinEdges_;
    int overlayThreads_;
    std::uint64_t overlayDraws_ = 0;
    std::int64_t trianglesDrawn_ = 0;
    std::uint64_t reducedBuilds_ = 0;
    std::vector<std::uint32_t> overlayPixels_;
    std::vector<double> overlayProjected_;
};

} // namespace brontle
