#include "brontle/views/EditportRenderer.h"

#include "brontle/model/Material.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/viewmath/MeshReduction.h"
#include "brontle/viewmath/WireOverlay.h"
#include "brontle/views/SoftwareGLHeap.h"

#include <QOpenGLShaderProgram>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numeric>
#include <thread>
#include <unordered_set>

namespace brontle {

namespace {

// Built with VERTEX_LIGHT 0, and with 1 for faces much smaller than readable wires (a big mesh
// seen whole): these are lit once per vertex, which looks the same when each face covers a few
// pixels, and pass one value to the rasteriser instead of six (about 10 % of a
// million-triangle frame on llvmpipe). Such shapes need a normal at every corner.
// Both are also built with TEXTURED 0 for faces without a texture: llvmpipe samples the texture
// on both sides of a branch on a uniform, and the texture coordinate costs a value more to
// interpolate (together about 20 % of an untextured million-triangle frame).
const char* kFaceVertex = R"(
layout(location = 0) in vec3 aPos;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec2 aUv;
uniform mat4 uModelView;
uniform mat4 uProjection;
uniform float uEyeScale;
#if VERTEX_LIGHT
uniform bool uOrtho;
out float vShade;
#else
out vec3 vPosEye;
out vec3 vNormalEye;
#endif
#if TEXTURED
out vec2 vUv;
#endif
void main() {
    vec4 e = uModelView * vec4(aPos, 1.0);
    e.xyz *= uEyeScale;
#if VERTEX_LIGHT
    vec3 n = normalize(mat3(uModelView) * aNormal);
    vec3 toEye = uOrtho ? vec3(0.0, 0.0, 1.0) : normalize(-e.xyz);
    vShade = 0.25 + 0.75 * abs(dot(n, toEye));
#else
    vPosEye = e.xyz;
    vNormalEye = mat3(uModelView) * aNormal;
#endif
#if TEXTURED
    vUv = aUv;
#endif
    gl_Position = uProjection * e;
}
)";

// The texture's v grows upwards and image row 0 (uploaded first, at t = 0) is v = 1.
// Built twice, with LIT 1 and LIT 0: a software rasteriser runs both sides of a branch on a
// uniform, so unlit faces (flat views, backdrops, tints) get a program without the lighting
// (an 800 x 800 textured backdrop costs about 3.4 instead of 5 ms of CPU on llvmpipe).
const char* kFaceFragment = R"(
#if VERTEX_LIGHT
in float vShade;
#else
in vec3 vPosEye;
in vec3 vNormalEye;
#endif
#if TEXTURED
in vec2 vUv;
#endif
uniform vec4 uColour;
uniform bool uTextured;
uniform bool uLit;
uniform bool uOrtho;
uniform sampler2D uTexture;
out vec4 fragColour;
void main() {
#if TEXTURED
    vec4 base = uTextured ? texture(uTexture, vec2(vUv.x, 1.0 - vUv.y)) : vec4(uColour.rgb, 1.0);
    float alpha = uColour.a * (uTextured ? base.a : 1.0);
#else
    vec4 base = vec4(uColour.rgb, 1.0);
    float alpha = uColour.a;
#endif
    vec3 rgb = base.rgb;
#if LIT && VERTEX_LIGHT
    if (uLit) {
        rgb *= vShade;
    }
#elif LIT
    if (uLit) {
        vec3 n = vNormalEye;
        if (dot(n, n) < 1e-12) {
            n = cross(dFdx(vPosEye), dFdy(vPosEye));
        }
        n = normalize(n);
        vec3 toEye = uOrtho ? vec3(0.0, 0.0, 1.0) : normalize(-vPosEye);
        rgb *= 0.25 + 0.75 * abs(dot(n, toEye));
    }
#endif
    fragColour = vec4(rgb, alpha);
}
)";

// The stretch display: a colour per vertex, shaded by the face's slope in 3D views.
const char* kStretchVertex = R"(#version 330 core
layout(location = 0) in vec3 aPos;
layout(location = 3) in vec4 aColour;
uniform mat4 uModelView;
uniform mat4 uProjection;
out vec3 vPosEye;
out vec4 vColour;
void main() {
    vec4 e = uModelView * vec4(aPos, 1.0);
    vPosEye = e.xyz;
    vColour = aColour;
    gl_Position = uProjection * e;
}
)";
const char* kStretchFragment = R"(#version 330 core
in vec3 vPosEye;
in vec4 vColour;
uniform bool uLit;
uniform float uAlpha;
out vec4 fragColour;
void main() {
    vec3 rgb = vColour.bgr; // the colours are 0xAARRGGBB words: bytes B, G, R, A in memory
    if (uLit) {
        vec3 n = normalize(cross(dFdx(vPosEye), dFdy(vPosEye)));
        rgb *= 0.45 + 0.55 * abs(dot(n, normalize(-vPosEye)));
    }
    fragColour = vec4(rgb, uAlpha);
}
)";

const char* kLineVertex = R"(#version 330 core
layout(location = 0) in vec3 aPos;
uniform mat4 uModelView;
uniform mat4 uProjection;
uniform float uEyeScale;
uniform float uPointSize;
void main() {
    vec4 e = uModelView * vec4(aPos, 1.0);
    e.xyz *= uEyeScale;
    gl_Position = uProjection * e;
    gl_PointSize = uPointSize;
}
)";

// Each line becomes a quad uWidth pixels wide across its screen direction.
const char* kLineGeometry = R"(#version 330 core
layout(lines) in;
layout(triangle_strip, max_vertices = 4) out;
uniform vec2 uViewport;
uniform float uWidth;
void main() {
    vec4 p0 = gl_in[0].gl_Position;
    vec4 p1 = gl_in[1].gl_Position;
    if (p0.w <= 0.0 || p1.w <= 0.0) {
        return;
    }
    vec2 s0 = p0.xy / p0.w * uViewport * 0.5;
    vec2 s1 = p1.xy / p1.w * uViewport * 0.5;
    vec2 d = s1 - s0;
    if (dot(d, d) < 1e-12) {
        d = vec2(1.0, 0.0);
    }
    vec2 n = normalize(vec2(-d.y, d.x)) * (uWidth * 0.5) / (uViewport * 0.5);
    gl_Position = vec4(p0.xy + n * p0.w, p0.zw); EmitVertex();
    gl_Position = vec4(p0.xy - n * p0.w, p0.zw); EmitVertex();
    gl_Position = vec4(p1.xy + n * p1.w, p1.zw); EmitVertex();
    gl_Position = vec4(p1.xy - n * p1.w, p1.zw); EmitVertex();
    EndPrimitive();
}
)";

const char* kFlatFragment = R"(#version 330 core
uniform vec4 uColour;
out vec4 fragColour;
void main() { fragColour = uColour; }
)";

// Lines and points of a 3D view are pulled this fraction towards the eye, so that wires win the
// depth test against the faces they lie on without a polygon offset. A flat view tests no depth
// and keeps them where they are (the pull would shift them up to 0.1 % of the view's size
// towards its centre, off the faces and off the CPU-drawn wires).
constexpr float kLineEyeScale = 0.998f;

// The CPU wire overlay of a flat view (WireOverlay.h): one full-view quad shows the overlay
// texture, texel for pixel (nearest texel at each pixel centre); overlay row 0 is the top row of
// the view. An interpolated coordinate samples faster on llvmpipe than texelFetch from
// gl_FragCoord (3.5 against 4.2 ms of CPU for an 800 x 800 blended quad).
const char* kOverlayVertex = R"(#version 330 core
uniform vec4 uRect; // x0, y0, x1, y1 in pixels, y down
uniform vec2 uSize; // the view's size in pixels
out vec2 vUv;
void main() {
    vec2 corner = vec2((gl_VertexID & 1) != 0 ? 1.0 : 0.0, (gl_VertexID & 2) != 0 ? 1.0 : 0.0);
    vUv = mix(uRect.xy, uRect.zw, corner) / uSize;
    gl_Position = vec4(vUv.x * 2.0 - 1.0, 1.0 - vUv.y * 2.0, 0.0, 1.0);
}
)";

const char* kOverlayFragment = R"(#version 330 core
in vec2 vUv;
uniform sampler2D uOverlay;
out vec4 fragColour;
void main() { fragColour = texture(uOverlay, vUv); }
)";

// From how many unique edges a shape's wires come from the CPU overlay instead of GL lines.
// Measured on Mesa 22.3 llvmpipe (Xvfb, 2 shared cores), an 800 x 800 flat view of grid layouts
// filling it, CPU ms per frame with a textured backdrop (GL lines / overlay reused / overlay
// drawn again after a pan):
//     3,199 edges:  4.5 /  6.5 /  8.1     12,799 edges:  7.4 / 8.1 /  8.5
//    24,199 edges: 11.6 /  9.3 / 11.8     51,199 edges: 12.8 / 6.5 /  9.5
//   200,977 edges: 35.6 /  7.8 / 16.2
// GL lines cost about 0.16 us each; the overlay about 3 ms to blend over a full view plus about
// 25 ns per edge when drawn again. The crossover lies between 15,000 and 25,000 edges; small
// layouts keep GL lines (nothing to upload, no full-view blend), and 3D views always do (they
// need the depth test).
constexpr std::int32_t kDefaultOverlayMinEdges = 20000;

// Overlay colour words are RGBA bytes in memory (GL_RGBA, GL_UNSIGNED_BYTE on the little-endian
// machines we run on), which a software OpenGL copies into an RGBA8 texture without converting.
std::uint32_t overlayWord(const Color4& c) {
    const std::uint32_t argb = argbFromColor(c);
    return (argb & 0xff00ff00u) | ((argb >> 16) & 0xffu) | ((argb & 0xffu) << 16);
}

std::uint64_t hashBytes(std::uint64_t h, const void* data, std::size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(data);
    std::size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001b3ull;
        h ^= h >> 29;
    }
    for (; i < bytes; ++i) {
        h = (h ^ p[i]) * 0x100000001b3ull;
    }
    return (h ^ bytes) * 0x9e3779b97f4a7c15ull;
}

template <class T> std::uint64_t hashVector(std::uint64_t h, const std::vector<T>& v) {
    return hashBytes(h, v.data(), v.size() * sizeof(T));
}

std::array<float, 16> toFloats(const Matrix4& m) {
    std::array<float, 16> f{};
    for (int i = 0; i < 16; ++i) {
        f[i] = static_cast<float>(m[i]);
    }
    return f;
}

void setMatrix(QOpenGLShaderProgram& program, const char* name, const Matrix4& m,
               QOpenGLFunctions_3_3_Core& gl) {
    const auto f = toFloats(m);
    gl.glUniformMatrix4fv(program.uniformLocation(name), 1, GL_FALSE, f.data());
}

void setColour(QOpenGLShaderProgram& program, const char* name, const Color4& c) {
    program.setUniformValue(name, c.r, c.g, c.b, c.a);
}

// +1 when the polygons' corner order turns anticlockwise seen from outside (the enclosed signed
// volume is positive), -1 when clockwise, 0 for no volume.
int outwardSign(const Shape& shape) {
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    const auto& vertices = shape.vertices();
    double volume = 0.0;
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        const Vector3& a = vertices[cv[start[p]]];
        for (std::int32_t k = start[p] + 1; k + 1 < start[p + 1]; ++k) {
            const Vector3& b = vertices[cv[k]];
            const Vector3& c = vertices[cv[k + 1]];
            volume += double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) +
                      double(a.y) * (double(b.z) * c.x - double(b.x) * c.z) +
                      double(a.z) * (double(b.x) * c.y - double(b.y) * c.x);
        }
    }
    return volume > 0.0 ? 1 : volume < 0.0 ? -1 : 0;
}

// One vertex of a face buffer: position then normal, six floats.
void putPositionNormal(float* d, const Vector3& p, const Vector3& n) {
    d[0] = p.x;
    d[1] = p.y;
    d[2] = p.z;
    d[3] = n.x;
    d[4] = n.y;
    d[5] = n.z;
}

std::array<double, 4> toClip(const Matrix4& m, double x, double y, double z) {
    std::array<double, 4> c{};
    for (int r = 0; r < 4; ++r) {
        c[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r]; // column-major
    }
    return c;
}

} // namespace

// Back faces of a closed surface are hidden behind its front faces whenever the eye is outside
// it, so a 3D view need not rasterise them (on a software OpenGL that halves the cost of a big
// mesh). That holds when the whole bounding box lies in front of the near plane (the eye is then
// outside the box, and no cut opens the inside to view). Returns whether to cull, with the
// window-space winding of front faces.
bool EditportRenderer::cullsBackFaces(const ShapeGpu& gpu, const Matrix4& modelView,
                                      const EditportFrame& frame, GLenum& frontFace) const {
    if (frame.flat || gpu.outward == 0) {
        return false;
    }
    const Matrix4 modelToClip = multiply(frame.view.eyeToClip, modelView);
    const BoundingBox& b = gpu.box;
    for (int i = 0; i < 8; ++i) {
        const auto c = toClip(modelToClip, (i & 1) != 0 ? b.maxX : b.minX,
                              (i & 2) != 0 ? b.maxY : b.minY, (i & 4) != 0 ? b.maxZ : b.minZ);
        if (c[3] <= 0.0 || c[2] < -c[3]) {
            return false;
        }
    }
    // The model-to-eye part mirrors when its determinant is negative.
    const Matrix4& m = modelView;
    const double det = m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
                       m[8] * (m[1] * m[6] - m[5] * m[2]);
    // A triangle facing the eye, anticlockwise in eye space, at the box centre's depth: its
    // winding on the screen tells whether the projection mirrors.
    const auto centre = toClip(modelView, (b.minX + b.maxX) * 0.5, (b.minY + b.maxY) * 0.5,
                               (b.minZ + b.maxZ) * 0.5);
    const double z = centre[2] / (centre[3] != 0.0 ? centre[3] : 1.0);
    const double s = std::max(1e-3, std::abs(z) * 1e-3);
    const auto p0 = toClip(frame.view.eyeToClip, 0.0, 0.0, z);
    const auto p1 = toClip(frame.view.eyeToClip, s, 0.0, z);
    const auto p2 = toClip(frame.view.eyeToClip, 0.0, s, z);
    const double x0 = p0[0] / p0[3], y0 = p0[1] / p0[3];
    const double area =
        (p1[0] / p1[3] - x0) * (p2[1] / p2[3] - y0) - (p1[1] / p1[3] - y0) * (p2[0] / p2[3] - x0);
    if (det == 0.0 || area == 0.0) {
        return false;
    }
    const bool anticlockwise = ((det > 0.0) == (area > 0.0)) == (gpu.outward > 0);
    frontFace = anticlockwise ? GL_CCW : GL_CW;
    return true;
}

EditportRenderer::EditportRenderer()
    : wireOverlayMinEdges_(kDefaultOverlayMinEdges),
      overlayThreads_(static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 2u))) {}
EditportRenderer::~EditportRenderer() = default;

bool EditportRenderer::initialize() {
    if (initialized_) {
        return true;
    }
    if (!initializeOpenGLFunctions()) {
        return false;
    }
    keepFreedHeapForSoftwareGL(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    faceProgram_ = std::make_unique<QOpenGLShaderProgram>();
    vertexLitFaceProgram_ = std::make_unique<QOpenGLShaderProgram>();
    unlitFaceProgram_ = std::make_unique<QOpenGLShaderProgram>();
    for (auto& program : plainFacePrograms_) {
        program = std::make_unique<QOpenGLShaderProgram>();
    }
    lineProgram_ = std::make_unique<QOpenGLShaderProgram>();
    pointProgram_ = std::make_unique<QOpenGLShaderProgram>();
    thinLineProgram_ = std::make_unique<QOpenGLShaderProgram>();
    overlayProgram_ = std::make_unique<QOpenGLShaderProgram>();
    stretchProgram_ = std::make_unique<QOpenGLShaderProgram>();
    const auto source = [](const char* body, bool lit, bool vertexLight, bool textured = true) {
        return QByteArray("#version 330 core\n#define LIT ") + (lit ? "1" : "0") +
               "\n#define VERTEX_LIGHT " + (vertexLight ? "1" : "0") + "\n#define TEXTURED " +
               (textured ? "1" : "0") + "\n" + body;
    };
    const QByteArray faceVertex = source(kFaceVertex, true, false);
    const QByteArray litFragment = source(kFaceFragment, true, false);
    const QByteArray unlitFragment = source(kFaceFragment, false, false);
    bool ok = faceProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex, faceVertex) &&
              faceProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment, litFragment) &&
              faceProgram_->link();
    ok = ok &&
         vertexLitFaceProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex,
                                                        source(kFaceVertex, true, true)) &&
         vertexLitFaceProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment,
                                                        source(kFaceFragment, true, true)) &&
         vertexLitFaceProgram_->link();
    // Untextured: unlit, lit per pixel, lit per vertex (as faceProgramFor picks them).
    for (int kind = 0; kind < 3; ++kind) {
        QOpenGLShaderProgram& program = *plainFacePrograms_[static_cast<std::size_t>(kind)];
        ok = ok &&
             program.addShaderFromSourceCode(QOpenGLShader::Vertex,
                                             source(kFaceVertex, kind > 0, kind == 2, false)) &&
             program.addShaderFromSourceCode(QOpenGLShader::Fragment,
                                             source(kFaceFragment, kind > 0, kind == 2, false)) &&
             program.link();
    }
    ok = ok && unlitFaceProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex, faceVertex) &&
         unlitFaceProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment, unlitFragment) &&
         unlitFaceProgram_->link();
    ok = ok && lineProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex, kLineVertex) &&
         lineProgram_->addShaderFromSourceCode(QOpenGLShader::Geometry, kLineGeometry) &&
         lineProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFlatFragment) &&
         lineProgram_->link();
    ok = ok && thinLineProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex, kLineVertex) &&
         thinLineProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFlatFragment) &&
         thinLineProgram_->link();
    ok = ok && pointProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex, kLineVertex) &&
         pointProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment, kFlatFragment) &&
         pointProgram_->link();
    ok = ok && overlayProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex, kOverlayVertex) &&
         overlayProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment, kOverlayFragment) &&
         overlayProgram_->link();
    ok = ok && stretchProgram_->addShaderFromSourceCode(QOpenGLShader::Vertex, kStretchVertex) &&
         stretchProgram_->addShaderFromSourceCode(QOpenGLShader::Fragment, kStretchFragment) &&
         stretchProgram_->link();
    if (!ok) {
        return false;
    }
    glGenVertexArrays(1, &scratchVao_);
    glGenBuffers(1, &scratchBuffer_);
    glGenVertexArrays(1, &emptyVao_);
    initialized_ = true;
    return true;
}

std::int32_t EditportRenderer::wireIndexCount(const Shape& shape) const {
    const auto it = shapes_.find(&shape);
    return it == shapes_.end() || it->second.vao == 0 ? -1 : it->second.edgeIndices;
}

bool EditportRenderer::drewWireOverlay(const Shape& shape) const {
    const auto it = shapes_.find(&shape);
    return it != shapes_.end() && it->second.overlayLastFrame;
}

bool EditportRenderer::drewOutlineOnly(const Shape& shape) const {
    const auto it = shapes_.find(&shape);
    return it != shapes_.end() && it->second.outlineLastFrame;
}

bool EditportRenderer::drewReducedMesh(const Shape& shape) const {
    const auto it = shapes_.find(&shape);
    return it != shapes_.end() && it->second.reducedLastFrame;
}

void EditportRenderer::freeReduced(ShapeGpu& gpu) {
    const GLuint buffers[] = {gpu.reducedVertices, gpu.reducedUvs, gpu.reducedIndices};
    for (GLuint b : buffers) {
        if (b != 0) {
            glDeleteBuffers(1, &b);
        }
    }
    if (gpu.reducedVao != 0) {
        glDeleteVertexArrays(1, &gpu.reducedVao);
    }
    gpu.reducedVao = gpu.reducedVertices = gpu.reducedUvs = gpu.reducedIndices = 0;
    gpu.reducedRanges.clear();
    gpu.reducedBuilt = false;
}

void EditportRenderer::buildReduced(ShapeGpu& gpu, const Shape& shape) {
    if (gpu.reducedBuilt) {
        return;
    }
    const ReducedMesh mesh =
        reduceMesh({shape.vertices(), shape.normals(), shape.texcoords(), shape.polygonStart(),
                    shape.cornerVertex(), shape.cornerNormal(), shape.cornerTexCoord(),
                    shape.polygonMaterial()},
                   kReducedMeshTriangles);
    ++reducedBuilds_;
    gpu.reducedBuilt = true;
    gpu.reducedRanges.clear();
    for (const ReducedMesh::Range& r : mesh.ranges) {
        gpu.reducedRanges.push_back({r.material, r.firstIndex, r.indexCount});
    }
    if (mesh.indices.empty()) {
        return;
    }
    if (gpu.reducedVao == 0) {
        createFaceArrays(gpu.reducedVao, gpu.reducedVertices, gpu.reducedUvs, gpu.reducedIndices);
    }
    std::vector<float> posNormal(mesh.positions.size() * 6);
    for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
        putPositionNormal(&posNormal[i * 6], mesh.positions[i], mesh.normals[i]);
    }
    glBindBuffer(GL_ARRAY_BUFFER, gpu.reducedVertices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(posNormal.size() * sizeof(float)),
                 posNormal.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, gpu.reducedUvs);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.texcoords.size() * sizeof(Vector2)),
                 mesh.texcoords.data(), GL_STATIC_DRAW);
    glBindVertexArray(gpu.reducedVao);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.reducedIndices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                 static_cast<GLsizeiptr>(mesh.indices.size() * sizeof(std::uint32_t)),
                 mesh.indices.data(), GL_STATIC_DRAW);
    glBindVertexArray(0);
    uploads_ += 3;
}

void EditportRenderer::freeShape(ShapeGpu& gpu) {
    freeReduced(gpu);
    const GLuint buffers[] = {gpu.positions,     gpu.edges,        gpu.facePositions,
                              gpu.faceUvs,       gpu.faceIndices,  gpu.highlightEdges,
                              gpu.seamEdges,     gpu.handlePoints, gpu.tintBuffer,
                              gpu.stretchBuffer, gpu.outlineEdges};
    for (GLuint b : buffers) {
        if (b != 0) {
            glDeleteBuffers(1, &b);
        }
    }
    if (gpu.overlayTexture != 0) {
        glDeleteTextures(1, &gpu.overlayTexture);
    }
    const GLuint arrays[] = {gpu.vao, gpu.faceVao, gpu.tintVao, gpu.stretchVao};
    for (GLuint a : arrays) {
        if (a != 0) {
            glDeleteVertexArrays(1, &a);
        }
    }
    gpu = ShapeGpu{};
}

void EditportRenderer::release() {
    if (!initialized_) {
        return;
    }
    for (auto& [key, gpu] : shapes_) {
        freeShape(gpu);
    }
    shapes_.clear();
    for (auto& [key, t] : textures_) {
        glDeleteTextures(1, &t.id);
    }
    textures_.clear();
    glDeleteBuffers(1, &scratchBuffer_);
    glDeleteVertexArrays(1, &scratchVao_);
    glDeleteVertexArrays(1, &emptyVao_);
    overlayPixels_ = {};
    overlayProjected_ = {};
    faceProgram_.reset();
    vertexLitFaceProgram_.reset();
    unlitFaceProgram_.reset();
    for (auto& program : plainFacePrograms_) {
        program.reset();
    }
    lineProgram_.reset();
    thinLineProgram_.reset();
    pointProgram_.reset();
    overlayProgram_.reset();
    stretchProgram_.reset();
    initialized_ = false;
}

void EditportRenderer::setBlend(bool on) {
    if (on != blend_) {
        on ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        blend_ = on;
    }
}

void EditportRenderer::bindTexture(const std::shared_ptr<Texture>& texture, GLint filter,
                                   bool& opaque) {
    auto& slot = textures_[texture.get()];
    if (slot.id != 0 && slot.owner.lock() == texture) {
        opaque = slot.opaque;
        glBindTexture(GL_TEXTURE_2D, slot.id);
        // Filters are texture state: set them only when a material asks for other ones.
        if (slot.filter != filter) {
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
            slot.filter = filter;
        }
        return;
    }
    if (slot.id == 0) {
        glGenTextures(1, &slot.id);
    }
    slot.owner = texture;
    const Image& image = texture->image();
    slot.opaque = std::all_of(image.pixels.begin(), image.pixels.end(),
                              [](std::uint32_t p) { return (p >> 24) == 0xffu; });
    opaque = slot.opaque;
    glBindTexture(GL_TEXTURE_2D, slot.id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // 0xAARRGGBB words are B, G, R, A bytes in memory on the little-endian machines we run on.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.width, image.height, 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, image.pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    slot.filter = filter;
    ++uploads_;
}

void EditportRenderer::uploadFaces(ShapeGpu& gpu, const Shape& shape, bool positionsOnly,
                                   bool uvsOnly) {
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    const auto& cn = shape.cornerNormal();
    const auto& ct = shape.cornerTexCoord();
    const auto& vertices = shape.vertices();
    const auto& normals = shape.normals();
    const auto& texcoords = shape.texcoords();
    const auto& materials = shape.polygonMaterial();
    const std::int32_t polygons = shape.GetPolygonCount();
    const auto corners = static_cast<std::int32_t>(cv.size());
    const auto normalOf = [&](std::int32_t k) {
        const std::int32_t n = k < static_cast<std::int32_t>(cn.size()) ? cn[k] : -1;
        return n >= 0 && n < static_cast<std::int32_t>(normals.size()) ? n : -1;
    };
    const auto texCoordOf = [&](std::int32_t k) {
        const std::int32_t t = k < static_cast<std::int32_t>(ct.size()) ? ct[k] : -1;
        return t >= 0 && t < static_cast<std::int32_t>(texcoords.size()) ? t : -1;
    };
    // Which corners become one GL vertex depends on the corner arrays only, so a change of
    // positions or texture coordinates alone keeps the indices and the vertex order.
    const std::uint64_t layout = hashVector(
        hashVector(hashVector(hashVector(hashVector(0x84222325cbf29ce4ull, start), cv), cn), ct),
        materials);
    const bool relayout = layout != gpu.faceLayoutHash || gpu.faceVao == 0;
    if (relayout) {
        positionsOnly = false;
        uvsOnly = false;
        // Corners with the same vertex, normal and texture coordinate share one GL vertex, so
        // the driver shades each shared vertex about once instead of once per triangle corner.
        // Corners of one vertex are chained from it: the chains are short (a vertex on a seam
        // has one entry per side), so this is linear in the corners.
        std::vector<std::int32_t> head(vertices.size(), -1), next;
        std::vector<std::int32_t>& rep = gpu.faceCorners;
        rep.clear();
        std::vector<std::uint32_t> slotOf(static_cast<std::size_t>(corners), 0);
        for (std::int32_t k = 0; k < corners; ++k) {
            const std::int32_t v = cv[k];
            const std::int32_t n = normalOf(k), t = texCoordOf(k);
            const bool valid = v >= 0 && v < static_cast<std::int32_t>(vertices.size());
            std::int32_t u = valid ? head[v] : -1;
            while (u >= 0 && (normalOf(rep[u]) != n || texCoordOf(rep[u]) != t)) {
                u = next[u];
            }
            if (u < 0) {
                u = static_cast<std::int32_t>(rep.size());
                rep.push_back(k);
                next.push_back(valid ? head[v] : -1);
                if (valid) {
                    head[v] = u;
                }
            }
            slotOf[k] = static_cast<std::uint32_t>(u);
        }
        rep.shrink_to_fit();
        // Triangles grouped by material (counting sort), so each material is one draw call.
        std::int32_t materialCount = 1;
        for (std::int32_t m : materials) {
            materialCount = std::max(materialCount, m + 1);
        }
        std::vector<GLsizei> perMaterial(static_cast<std::size_t>(materialCount) + 1, 0);
        auto materialOf = [&](std::int32_t p) {
            const std::int32_t m =
                p < static_cast<std::int32_t>(materials.size()) ? materials[p] : 0;
            return std::max(m, 0);
        };
        for (std::int32_t p = 0; p < polygons; ++p) {
            const std::int32_t n = start[p + 1] - start[p];
            if (n >= 3) {
                perMaterial[materialOf(p) + 1] += 3 * (n - 2);
            }
        }
        for (std::size_t m = 0; m + 1 < perMaterial.size(); ++m) {
            perMaterial[m + 1] += perMaterial[m];
        }
        gpu.ranges.clear();
        for (std::int32_t m = 0; m < materialCount; ++m) {
            if (perMaterial[m + 1] > perMaterial[m]) {
                gpu.ranges.push_back({m, perMaterial[m], perMaterial[m + 1] - perMaterial[m]});
            }
        }
        gpu.faceTriangles = perMaterial.back() / 3;
        std::vector<GLsizei> fill(perMaterial.begin(), perMaterial.end() - 1);
        std::vector<std::uint32_t> indices(static_cast<std::size_t>(perMaterial.back()));
        for (std::int32_t p = 0; p < polygons; ++p) {
            const std::int32_t s = start[p], n = start[p + 1] - s;
            GLsizei& at = fill[materialOf(p)];
            for (std::int32_t i = 1; i + 1 < n; ++i) {
                indices[at++] = slotOf[s];
                indices[at++] = slotOf[s + i];
                indices[at++] = slotOf[s + i + 1];
            }
        }
        if (gpu.faceVao == 0) {
            createFaceArrays(gpu.faceVao, gpu.facePositions, gpu.faceUvs, gpu.faceIndices);
        }
        glBindVertexArray(gpu.faceVao);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.faceIndices);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                     indices.data(), GL_STATIC_DRAW);
        glBindVertexArray(0);
        gpu.faceLayoutHash = layout;
        ++uploads_;
    }
    const std::vector<std::int32_t>& rep = gpu.faceCorners;
    if (!uvsOnly) {
        std::vector<float> posNormal(rep.size() * 6);
        bool complete = true;
        for (std::size_t u = 0; u < rep.size(); ++u) {
            const std::int32_t k = rep[u];
            const std::int32_t v = cv[k], ni = normalOf(k);
            const Vector3 p =
                v >= 0 && v < static_cast<std::int32_t>(vertices.size()) ? vertices[v] : Vector3{};
            const Vector3 n = ni >= 0 ? normals[ni] : Vector3{};
            complete = complete && n.x * n.x + n.y * n.y + n.z * n.z > 1e-12f;
            putPositionNormal(&posNormal[u * 6], p, n);
        }
        glBindBuffer(GL_ARRAY_BUFFER, gpu.facePositions);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(posNormal.size() * sizeof(float)),
                     posNormal.data(), GL_STATIC_DRAW);
        gpu.normalsComplete = complete;
        ++uploads_;
    }
    if (!positionsOnly) {
        std::vector<float> uv(rep.size() * 2);
        for (std::size_t u = 0; u < rep.size(); ++u) {
            const std::int32_t ti = texCoordOf(rep[u]);
            const Vector2 t = ti >= 0 ? texcoords[ti] : Vector2{};
            uv[u * 2] = t.u;
            uv[u * 2 + 1] = t.v;
        }
        glBindBuffer(GL_ARRAY_BUFFER, gpu.faceUvs);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(uv.size() * sizeof(float)), uv.data(),
                     GL_STATIC_DRAW);
        ++uploads_;
    }
}

// Attributes 0 (position) and 1 (normal) of the bound array buffer: six floats per vertex.
void EditportRenderer::positionNormalLayout() {
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                          reinterpret_cast<void*>(3 * sizeof(float)));
}

void EditportRenderer::createFaceArrays(GLuint& vao, GLuint& positions, GLuint& uvs,
                                        GLuint& indices) {
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &positions);
    glGenBuffers(1, &uvs);
    glGenBuffers(1, &indices);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, positions);
    positionNormalLayout();
    glBindBuffer(GL_ARRAY_BUFFER, uvs);
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, 2 * sizeof(float), nullptr);
    glBindVertexArray(0);
}

void EditportRenderer::uploadHighlights(ShapeGpu& gpu, const Shape& shape, DeviceID device) {
    const ShapeHighlights h = highlightsOf(shape, device);
    auto upload = [&](GLuint& buffer, const std::vector<std::uint32_t>& data, GLsizei& count) {
        if (buffer == 0) {
            glGenBuffers(1, &buffer);
        }
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                     static_cast<GLsizeiptr>(data.size() * sizeof(std::uint32_t)), data.data(),
                     GL_DYNAMIC_DRAW);
        count = static_cast<GLsizei>(data.size());
    };
    glBindVertexArray(gpu.vao);
    upload(gpu.highlightEdges, h.edgePairs, gpu.highlightCount);
    gpu.highlightPairs = h.edgePairs;
    upload(gpu.seamEdges, h.seamPairs, gpu.seamCount);
    upload(gpu.handlePoints, h.points, gpu.handleCount);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.edges);
    glBindVertexArray(0);
    std::vector<float> tint;
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    const auto& vertices = shape.vertices();
    for (std::int32_t p : h.polygons) {
        for (std::int32_t i = 1; i + 1 < start[p + 1] - start[p]; ++i) {
            for (std::int32_t k : {start[p], start[p] + i, start[p] + i + 1}) {
                const Vector3& v = vertices[cv[k]];
                tint.insert(tint.end(), {v.x, v.y, v.z, 0.0f, 0.0f, 0.0f});
            }
        }
    }
    if (gpu.tintVao == 0) {
        glGenVertexArrays(1, &gpu.tintVao);
        glGenBuffers(1, &gpu.tintBuffer);
        glBindVertexArray(gpu.tintVao);
        glBindBuffer(GL_ARRAY_BUFFER, gpu.tintBuffer);
        positionNormalLayout();
        glBindVertexArray(0);
    }
    glBindBuffer(GL_ARRAY_BUFFER, gpu.tintBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(tint.size() * sizeof(float)), tint.data(),
                 GL_DYNAMIC_DRAW);
    gpu.tintCount = static_cast<GLsizei>(tint.size() / 6);
    ++uploads_;
}

EditportRenderer::ShapeGpu& EditportRenderer::cacheFor(const ShapePtr& shape,
                                                       std::uint64_t generation, int previewSetting,
                                                       DeviceID device) {
    ShapeGpu& gpu = shapes_[shape.get()];
    bool fresh = false;
    if (gpu.owner.lock() != shape) {
        freeShape(gpu);
        gpu.owner = shape;
        fresh = true;
    }
    (void)previewSetting;
    if (fresh || gpu.generation != generation) {
        gpu.generation = generation;
        const std::uint64_t seed = 0xcbf29ce484222325ull;
        const std::uint64_t pos = hashVector(seed, shape->vertices());
        const std::uint64_t topo =
            hashVector(hashVector(seed, shape->polygonStart()), shape->cornerVertex());
        const std::uint64_t uvs =
            hashVector(hashVector(seed, shape->texcoords()), shape->cornerTexCoord());
        std::uint64_t face =
            hashVector(hashVector(hashVector(seed, shape->normals()), shape->cornerNormal()),
                       shape->polygonMaterial());
        face =
            hashBytes(face, &pos, sizeof(pos)) ^ static_cast<std::uint64_t>(shape->displayMode());
        const bool topologyChanged = fresh || topo != gpu.topologyHash;
        const bool positionsChanged = fresh || pos != gpu.positionHash;
        const bool uvsChanged = fresh || uvs != gpu.uvHash;
        const bool facesChanged = fresh || face != gpu.faceHash;
        if (topologyChanged || positionsChanged || uvsChanged || facesChanged) {
            freeReduced(gpu); // built again when the camera next moves
        }
        if (gpu.vao == 0) {
            glGenVertexArrays(1, &gpu.vao);
            glGenBuffers(1, &gpu.positions);
            glGenBuffers(1, &gpu.edges);
            glBindVertexArray(gpu.vao);
            glBindBuffer(GL_ARRAY_BUFFER, gpu.positions);
            glEnableVertexAttribArray(0);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vector3), nullptr);
            glBindVertexArray(0);
        }
        if (positionsChanged) {
            glBindBuffer(GL_ARRAY_BUFFER, gpu.positions);
            glBufferData(GL_ARRAY_BUFFER,
                         static_cast<GLsizeiptr>(shape->vertices().size() * sizeof(Vector3)),
                         shape->vertices().data(), GL_DYNAMIC_DRAW);
            gpu.vertexCount = static_cast<GLsizei>(shape->vertices().size());
            gpu.box = shape->GetBoundingBox();
            ++uploads_;
        }
        if (topologyChanged) {
            ShapeWirePairs pairs = wirePairsOf(*shape);
            gpu.closed = pairs.closed;
            glBindVertexArray(gpu.vao);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.edges);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                         static_cast<GLsizeiptr>(pairs.all.size() * sizeof(std::uint32_t)),
                         pairs.all.data(), GL_STATIC_DRAW);
            glBindVertexArray(0);
            gpu.edgeIndices = static_cast<GLsizei>(pairs.all.size());
            // The outline stays on the CPU as well (it is small): a dense layout's overlay
            // draws it from there.
            if (gpu.outlineEdges == 0) {
                glGenBuffers(1, &gpu.outlineEdges);
            }
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gpu.outlineEdges);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                         static_cast<GLsizeiptr>(pairs.outline.size() * sizeof(std::uint32_t)),
                         pairs.outline.data(), GL_STATIC_DRAW);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
            gpu.outlineIndices = static_cast<GLsizei>(pairs.outline.size());
            gpu.outlinePairs = std::move(pairs.outline);
            gpu.outlineOverlayKey = ~std::uint64_t{0};
            // The CPU copy is kept only by views that draw the wires on the CPU (below).
            gpu.wirePairs.clear();
            gpu.wirePairs.shrink_to_fit();
            ++uploads_;
        }
        if (topologyChanged || positionsChanged) {
            gpu.outward = gpu.closed ? outwardSign(*shape) : 0;
        }
        gpu.hasFaces = shape->displayMode() != kWireframeMode;
        if (gpu.hasFaces) {
            const bool rebuild = topologyChanged || gpu.faceVao == 0;
            if (rebuild) {
                uploadFaces(gpu, *shape, false, false);
            } else if (facesChanged && uvsChanged) {
                uploadFaces(gpu, *shape, false, false);
            } else if (facesChanged) {
                uploadFaces(gpu, *shape, true, false);
            } else if (uvsChanged) {
                uploadFaces(gpu, *shape, false, true);
            }
        }
        gpu.positionHash = pos;
        gpu.topologyHash = topo;
        gpu.uvHash = uvs;
        gpu.faceHash = face;
        // Highlights hold vertex indices (topology) and, for tinted polygons, positions.
        if (topologyChanged || (positionsChanged && gpu.tintCount > 0)) {
            gpu.selectionHash = ~std::uint64_t{0};
        }
    }
    // The selection can change between refreshes (a click redraws without one).
    const SubSelection sel = shape->GetSubSelection(device);
    const std::int32_t kind = shape->GetSelectionType(device);
    const std::uint64_t selHash =
        hashBytes(static_cast<std::uint64_t>(kind) + 1, sel.entries.data(),
                  sel.entries.size() * sizeof(SubSelectionEntry));
    if (selHash != gpu.selectionHash) {
        uploadHighlights(gpu, *shape, device);
        gpu.selectionHash = selHash;
    }
    return gpu;
}

void EditportRenderer::drawFaces(const ShapeGpu& gpu, const Shape& shape, const Matrix4& modelView,
                                 const EditportFrame& frame, bool translucentPass, bool reduced) {
    const std::vector<MaterialRange>& ranges = reduced ? gpu.reducedRanges : gpu.ranges;
    if (!gpu.hasFaces || ranges.empty()) {
        return;
    }
    const bool backdrop = (shape.displayFlags() & kBackdropFlag) != 0;
    const bool lit = !frame.flat && !backdrop;
    // 0 unlit, 1 lit per pixel, 2 lit per vertex; each with and without a texture. Every
    // vertex of a reduced mesh has a normal.
    const int kind = !lit ? 0 : gpu.denseOnScreen && (reduced || gpu.normalsComplete) ? 2 : 1;
    QOpenGLShaderProgram* bound = nullptr;
    const auto use = [&](bool textured) -> QOpenGLShaderProgram& {
        QOpenGLShaderProgram& program = !textured
                                            ? *plainFacePrograms_[static_cast<std::size_t>(kind)]
                                        : kind == 0 ? *unlitFaceProgram_
                                        : kind == 2 ? *vertexLitFaceProgram_
                                                    : *faceProgram_;
        if (&program != bound) {
            program.bind();
            setMatrix(program, "uModelView", modelView, *this);
            setMatrix(program, "uProjection", frame.view.eyeToClip, *this);
            program.setUniformValue("uEyeScale", 1.0f);
            program.setUniformValue("uLit", lit);
            program.setUniformValue("uOrtho", frame.view.orthographic);
            program.setUniformValue("uTexture", 0);
            bound = &program;
        }
        return program;
    };
    // Translucent faces show the back faces behind them.
    GLenum frontFace = GL_CCW;
    const bool cull = !translucentPass && cullsBackFaces(gpu, modelView, frame, frontFace);
    if (cull) {
        glFrontFace(frontFace);
        glEnable(GL_CULL_FACE);
    }
    glBindVertexArray(reduced ? gpu.reducedVao : gpu.faceVao);
    for (const MaterialRange& range : ranges) {
        const MaterialPtr material = range.material < shape.GetMaterialCount()
                                         ? shape.GetMaterialByIndex(range.material)
                                         : nullptr;
        const Color4 colour = material ? material->GetColorB() : Color4{0.8f, 0.8f, 0.8f, 1.0f};
        if ((colour.a < 1.0f) != translucentPass) {
            continue;
        }
        const TexturePtr texture = material && (frame.previewSetting & PreviewBits::Textures)
                                       ? material->texture()
                                       : nullptr;
        const bool textured = texture && !texture->image().empty();
        bool opaqueTexture = true;
        if (textured) {
            glActiveTexture(GL_TEXTURE0);
            bindTexture(texture, material->materialOption(0) == 0 ? GL_NEAREST : GL_LINEAR,
                        opaqueTexture);
        }
        QOpenGLShaderProgram& program = use(textured);
        program.setUniformValue("uTextured", textured);
        setColour(program, "uColour", colour);
        setBlend(colour.a < 1.0f || !opaqueTexture);
        glDrawElements(GL_TRIANGLES, range.count, GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(static_cast<std::uintptr_t>(range.first) *
                                                     sizeof(std::uint32_t)));
        trianglesDrawn_ += range.count / 3;
    }
    glBindVertexArray(0);
    if (cull) {
        glDisable(GL_CULL_FACE);
    }
}

void EditportRenderer::drawStretch(
    ShapeGpu& gpu, const Shape& shape,
    const std::shared_ptr<const std::vector<std::uint32_t>>& colourArray, const Matrix4& modelView,
    const EditportFrame& frame) {
    if (gpu.stretchColours != colourArray || gpu.stretchVao == 0) {
        const std::vector<std::uint32_t>& colours = *colourArray;
        // Position (3 floats) and colour (4 bytes) per triangle corner, fans in polygon order.
        struct Corner {
            float x, y, z;
            std::uint32_t colour;
        };
        const auto& start = shape.polygonStart();
        const auto& cv = shape.cornerVertex();
        const auto& vertices = shape.vertices();
        const auto polygons = static_cast<std::size_t>(shape.GetPolygonCount());
        std::size_t total = 0;
        for (std::size_t p = 0; p < polygons; ++p) {
            total += static_cast<std::size_t>(std::max(start[p + 1] - start[p] - 2, 0)) * 3;
        }
        std::vector<Corner> soup(total);
        std::size_t at = 0;
        const auto corner = [&](std::int32_t k, std::uint32_t colour) {
            const std::int32_t v = cv[static_cast<std::size_t>(k)];
            const Vector3 p = v >= 0 && static_cast<std::size_t>(v) < vertices.size()
                                  ? vertices[static_cast<std::size_t>(v)]
                                  : Vector3{};
            soup[at++] = {p.x, p.y, p.z, colour};
        };
        for (std::size_t p = 0; p < polygons; ++p) {
            const std::uint32_t colour = p < colours.size() ? colours[p] : kStretchNeutral;
            for (std::int32_t k = start[p] + 1; k + 1 < start[p + 1]; ++k) {
                corner(start[p], colour);
                corner(k, colour);
                corner(k + 1, colour);
            }
        }
        if (gpu.stretchVao == 0) {
            glGenVertexArrays(1, &gpu.stretchVao);
            glGenBuffers(1, &gpu.stretchBuffer);
            glBindVertexArray(gpu.stretchVao);
            glBindBuffer(GL_ARRAY_BUFFER, gpu.stretchBuffer);
            glEnableVertexAttribArray(0);
            glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Corner), nullptr);
            glEnableVertexAttribArray(3);
            glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Corner),
                                  reinterpret_cast<void*>(offsetof(Corner, colour)));
            glBindVertexArray(0);
        }
        glBindBuffer(GL_ARRAY_BUFFER, gpu.stretchBuffer);
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(soup.size() * sizeof(Corner)),
                     soup.data(), GL_DYNAMIC_DRAW);
        gpu.stretchCount = static_cast<GLsizei>(soup.size());
        gpu.stretchColours = colourArray;
        ++uploads_;
    }
    if (gpu.stretchCount == 0) {
        return;
    }
    stretchProgram_->bind();
    setMatrix(*stretchProgram_, "uModelView", modelView, *this);
    setMatrix(*stretchProgram_, "uProjection", frame.view.eyeToClip, *this);
    stretchProgram_->setUniformValue("uLit", !frame.flat);
    const float alpha = frame.flat ? static_cast<float>(kFlatStretchOpacity) : 1.0f;
    stretchProgram_->setUniformValue("uAlpha", alpha);
    setBlend(alpha < 1.0f);
    glBindVertexArray(gpu.stretchVao);
    glDrawArrays(GL_TRIANGLES, 0, gpu.stretchCount);
    glBindVertexArray(0);
}

void EditportRenderer::drawLines(GLuint vao, GLuint elements, GLsizei count,
                                 const Matrix4& modelView, const Matrix4& projection,
                                 const Color4& colour, float width, int w, int h) {
    if (count <= 0) {
        return;
    }
    // One-pixel lines are plain GL lines (every core context draws those); wider ones go
    // through the geometry shader, which costs far more per line on a software rasteriser.
    QOpenGLShaderProgram& program = width <= 1.0f ? *thinLineProgram_ : *lineProgram_;
    program.bind();
    setMatrix(program, "uModelView", modelView, *this);
    setMatrix(program, "uProjection", projection, *this);
    program.setUniformValue("uEyeScale", lineEyeScale_);
    program.setUniformValue("uPointSize", 1.0f);
    if (width > 1.0f) {
        program.setUniformValue("uViewport", static_cast<float>(w), static_cast<float>(h));
        program.setUniformValue("uWidth", width);
    }
    setColour(program, "uColour", colour);
    setBlend(colour.a < 1.0f);
    glBindVertexArray(vao);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elements);
    glDrawElements(GL_LINES, count, GL_UNSIGNED_INT, nullptr);
    glBindVertexArray(0);
}

void EditportRenderer::drawPoints(GLuint vao, GLuint elements, GLsizei count,
                                  const Matrix4& modelView, const Matrix4& projection,
                                  const Color4& colour, float size) {
    if (count <= 0) {
        return;
    }
    pointProgram_->bind();
    setMatrix(*pointProgram_, "uModelView", modelView, *this);
    setMatrix(*pointProgram_, "uProjection", projection, *this);
    pointProgram_->setUniformValue("uEyeScale", lineEyeScale_);
    pointProgram_->setUniformValue("uPointSize", size);
    setColour(*pointProgram_, "uColour", colour);
    setBlend(colour.a < 1.0f);
    glBindVertexArray(vao);
    if (elements != 0) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, elements);
        glDrawElements(GL_POINTS, count, GL_UNSIGNED_INT, nullptr);
    } else {
        glDrawArrays(GL_POINTS, 0, count);
    }
    glBindVertexArray(0);
}

void EditportRenderer::drawScreenLines(const std::vector<float>& xyz, const Matrix4& modelView,
                                       const Matrix4& projection, const Color4& colour, int w,
                                       int h) {
    if (xyz.empty()) {
        return;
    }
    glBindVertexArray(scratchVao_);
    glBindBuffer(GL_ARRAY_BUFFER, scratchBuffer_);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(xyz.size() * sizeof(float)), xyz.data(),
                 GL_STREAM_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
    (void)w;
    (void)h;
    thinLineProgram_->bind();
    setMatrix(*thinLineProgram_, "uModelView", modelView, *this);
    setMatrix(*thinLineProgram_, "uProjection", projection, *this);
    thinLineProgram_->setUniformValue("uEyeScale", lineEyeScale_);
    thinLineProgram_->setUniformValue("uPointSize", 1.0f);
    setColour(*thinLineProgram_, "uColour", colour);
    setBlend(colour.a < 1.0f);
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(xyz.size() / 3));
    glBindVertexArray(0);
}

void EditportRenderer::uploadOverlay(ShapeGpu& gpu, const OverlayRect& rect, int w) {
    // Only the part that can hold wires is uploaded and shown.
    if (!rect.empty()) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, w);
        glTexSubImage2D(GL_TEXTURE_2D, 0, rect.x0, rect.y0, rect.x1 - rect.x0, rect.y1 - rect.y0,
                        GL_RGBA, GL_UNSIGNED_BYTE,
                        overlayPixels_.data() + static_cast<std::size_t>(rect.y0) * w + rect.x0);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    gpu.overlayRect[0] = rect.x0;
    gpu.overlayRect[1] = rect.y0;
    gpu.overlayRect[2] = rect.x1;
    gpu.overlayRect[3] = rect.y1;
}

void EditportRenderer::drawWireOverlayQuad(ShapeGpu& gpu, const Shape& shape,
                                           const Matrix4& modelView, const EditportFrame& frame,
                                           const Color4& selected, int w, int h, bool outline) {
    if (w <= 0 || h <= 0) {
        return;
    }
    const Matrix4 modelToClip = multiply(frame.view.eyeToClip, modelView);
    const std::uint32_t wireWord = overlayWord(frame.wireColour);
    const std::uint32_t selectedWord = overlayWord(selected);
    // Everything the overlay shows; the hashes are those of the uploaded buffers.
    std::uint64_t key = hashBytes(gpu.positionHash ^ (gpu.topologyHash * 3), modelToClip.data(),
                                  sizeof(modelToClip));
    const std::uint64_t more[] = {gpu.selectionHash,
                                  static_cast<std::uint64_t>(w),
                                  static_cast<std::uint64_t>(h),
                                  wireWord,
                                  selectedWord,
                                  shape.vertices().size(),
                                  outline ? 1u : 0u};
    key = hashBytes(key, more, sizeof(more));
    if (gpu.overlayTexture == 0 || gpu.overlayWidth != w || gpu.overlayHeight != h) {
        if (gpu.overlayTexture == 0) {
            glGenTextures(1, &gpu.overlayTexture);
        }
        glBindTexture(GL_TEXTURE_2D, gpu.overlayTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        gpu.overlayWidth = w;
        gpu.overlayHeight = h;
        gpu.overlayKey = ~key; // a new texture holds nothing yet
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, gpu.overlayTexture);
    if (gpu.overlayKey != key && outline) {
        const std::uint64_t compactKey = gpu.topologyHash ^ (gpu.selectionHash * 5);
        if (gpu.outlineOverlayKey != compactKey) {
            // The vertices of the outline and of the highlighted wires, each once, and both
            // sets of pairs in their numbering. Runs when the edges or the selection change.
            std::vector<std::uint32_t> local(shape.vertices().size(), ~std::uint32_t{0});
            gpu.outlineVertexIds.clear();
            const auto renumber = [&](const std::vector<std::uint32_t>& pairs,
                                      std::vector<std::uint32_t>& out) {
                out.clear();
                out.reserve(pairs.size());
                for (std::uint32_t v : pairs) {
                    if (v >= local.size()) {
                        out.push_back(~std::uint32_t{0}); // skipped by the overlay
                        continue;
                    }
                    if (local[v] == ~std::uint32_t{0}) {
                        local[v] = static_cast<std::uint32_t>(gpu.outlineVertexIds.size());
                        gpu.outlineVertexIds.push_back(v);
                    }
                    out.push_back(local[v]);
                }
            };
            renumber(gpu.outlinePairs, gpu.outlineLocal);
            renumber(gpu.highlightPairs, gpu.outlineHighlightLocal);
            gpu.outlineOverlayKey = compactKey;
        }
        const auto& vertices = shape.vertices();
        gpu.outlinePositions.resize(gpu.outlineVertexIds.size());
        for (std::size_t i = 0; i < gpu.outlineVertexIds.size(); ++i) {
            gpu.outlinePositions[i] = vertices[gpu.outlineVertexIds[i]];
        }
        overlayPixels_.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        WireOverlayInput input;
        input.vertices = gpu.outlinePositions;
        input.modelToClip = modelToClip;
        input.wires = gpu.outlineLocal;
        input.wireColour = wireWord;
        input.selected = gpu.outlineHighlightLocal;
        input.selectedColour = selectedWord;
        input.selectedWidth = kHighlightWidth;
        input.scratch = &overlayProjected_;
        uploadOverlay(gpu, drawWireOverlay(overlayPixels_, w, h, input, overlayThreads_), w);
        gpu.overlayKey = key;
        ++overlayDraws_;
    }
    if (gpu.overlayKey != key) {
        if (gpu.wirePairs.size() != static_cast<std::size_t>(gpu.edgeIndices)) {
            // Read back once from the wire buffer: views that never draw wires on the CPU (the
            // 3D ones) keep no copy of it.
            gpu.wirePairs.resize(static_cast<std::size_t>(gpu.edgeIndices));
            glBindBuffer(GL_COPY_READ_BUFFER, gpu.edges);
            glGetBufferSubData(
                GL_COPY_READ_BUFFER, 0,
                static_cast<GLsizeiptr>(gpu.wirePairs.size() * sizeof(std::uint32_t)),
                gpu.wirePairs.data());
            glBindBuffer(GL_COPY_READ_BUFFER, 0);
        }
        overlayPixels_.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        WireOverlayInput input;
        input.vertices = shape.vertices();
        input.modelToClip = modelToClip;
        input.wires = gpu.wirePairs;
        input.wireColour = wireWord;
        input.selected = gpu.highlightPairs;
        input.selectedColour = selectedWord;
        input.selectedWidth = kHighlightWidth;
        input.scratch = &overlayProjected_;
        uploadOverlay(gpu, drawWireOverlay(overlayPixels_, w, h, input, overlayThreads_), w);
        gpu.overlayKey = key;
        ++overlayDraws_;
    }
    if (gpu.overlayRect[0] >= gpu.overlayRect[2] || gpu.overlayRect[1] >= gpu.overlayRect[3]) {
        return;
    }
    overlayProgram_->bind();
    overlayProgram_->setUniformValue("uOverlay", 0);
    overlayProgram_->setUniformValue(
        "uRect", static_cast<float>(gpu.overlayRect[0]), static_cast<float>(gpu.overlayRect[1]),
        static_cast<float>(gpu.overlayRect[2]), static_cast<float>(gpu.overlayRect[3]));
    overlayProgram_->setUniformValue("uSize", static_cast<float>(w), static_cast<float>(h));
    setBlend(true);
    glBindVertexArray(emptyVao_);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    glBindVertexArray(0);
}

void EditportRenderer::render(const EditportFrame& frame, int width, int height) {
    glViewport(0, 0, width, height);
    const std::uint32_t bg = frame.background;
    glClearColor(((bg >> 16) & 0xffu) / 255.0f, ((bg >> 8) & 0xffu) / 255.0f, (bg & 0xffu) / 255.0f,
                 1.0f);
    glClearDepth(1.0);
    // A flat view never tests depth: clearing it would only cost a pass over the buffer.
    glClear(frame.flat ? GL_COLOR_BUFFER_BIT : GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    trianglesDrawn_ = 0;
    if (!initialized_) {
        return;
    }
    glDisable(GL_BLEND);
    blend_ = false;
    lineEyeScale_ = frame.flat ? 1.0f : kLineEyeScale;
    // Colour blends by alpha; the framebuffer's alpha stays opaque, so grabs are opaque.
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_PROGRAM_POINT_SIZE);
    glDisable(GL_CULL_FACE);
    if (frame.flat) {
        glDisable(GL_DEPTH_TEST);
    } else {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
    }
    // Caches of shapes that left the scene are dropped.
    std::unordered_set<const Shape*> present;
    for (const auto& item : frame.items) {
        present.insert(item.first.get());
    }
    for (auto it = shapes_.begin(); it != shapes_.end();) {
        if (present.count(it->first) == 0 || it->second.owner.expired()) {
            freeShape(it->second);
            it = shapes_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = textures_.begin(); it != textures_.end();) {
        if (it->second.owner.expired()) {
            glDeleteTextures(1, &it->second.id);
            it = textures_.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<ShapeGpu*> gpus(frame.items.size());
    std::vector<Matrix4> modelViews(frame.items.size());
    for (std::size_t i = 0; i < frame.items.size(); ++i) {
        gpus[i] =
            &cacheFor(frame.items[i].first, frame.generation, frame.previewSetting, frame.device);
        modelViews[i] = multiply(frame.view.worldToEye, placementMatrix(frame.items[i].second));
        gpus[i]->denseOnScreen =
            !frame.flat &&
            !wiresReadable(gpus[i]->box, gpus[i]->edgeIndices / 2,
                           frame.view.withModel(placementMatrix(frame.items[i].second)));
        // A big shape in a moving 3D view is drawn from its reduced mesh.
        ShapeGpu& gpu = *gpus[i];
        const Shape& shape = *frame.items[i].first;
        gpu.reducedLastFrame = false;
        const bool stretched = frame.stretchMode != StretchMode::Off &&
                               i < frame.stretchColours.size() && frame.stretchColours[i];
        if (frame.cameraMoving && !frame.flat && gpu.hasFaces && !stretched &&
            gpu.faceTriangles >= kReducedMeshMinTriangles &&
            (shape.displayFlags() & kBackdropFlag) == 0) {
            buildReduced(gpu, shape);
            gpu.reducedLastFrame = !gpu.reducedRanges.empty();
        }
    }
    // A flat view draws backdrops first, then the shapes far to near (by their box centres, as
    // drawOrder does, but from the boxes kept with the buffers: no pass over the vertices).
    std::vector<std::size_t> order(frame.items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (frame.flat) {
        std::vector<double> depth(frame.items.size(), 0.0);
        for (std::size_t i = 0; i < frame.items.size(); ++i) {
            const BoundingBox& b = gpus[i]->box;
            const Vector3 centre{(b.minX + b.maxX) * 0.5f, (b.minY + b.maxY) * 0.5f,
                                 (b.minZ + b.maxZ) * 0.5f};
            depth[i] =
                frame.view.withModel(placementMatrix(frame.items[i].second)).project(centre).depth;
        }
        const auto backdrop = [&](std::size_t i) {
            return (frame.items[i].first->displayFlags() & kBackdropFlag) != 0;
        };
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (backdrop(a) != backdrop(b)) {
                return backdrop(a);
            }
            return depth[a] > depth[b];
        });
    }
    const Matrix4& projection = frame.view.eyeToClip;
    Color4 handle = frame.selectedColour;
    handle.a = 1.0f;
    auto overlays = [&](std::size_t i) {
        const Shape& shape = *frame.items[i].first;
        ShapeGpu& gpu = *gpus[i];
        if (gpu.tintCount > 0) {
            unlitFaceProgram_->bind();
            setMatrix(*unlitFaceProgram_, "uModelView", modelViews[i], *this);
            setMatrix(*unlitFaceProgram_, "uProjection", projection, *this);
            unlitFaceProgram_->setUniformValue("uEyeScale", lineEyeScale_);
            unlitFaceProgram_->setUniformValue("uTextured", false);
            setColour(*unlitFaceProgram_, "uColour", frame.selectedColour);
            setBlend(frame.selectedColour.a < 1.0f);
            glBindVertexArray(gpu.tintVao);
            glDepthMask(GL_FALSE);
            glDrawArrays(GL_TRIANGLES, 0, gpu.tintCount);
            glDepthMask(GL_TRUE);
            glBindVertexArray(0);
        }
        const bool wires =
            drawsWires(shape, frame.previewSetting) && (!gpu.hasFaces || !gpu.denseOnScreen);
        // A 2D view of a layout denser than readable draws its outline for its wires.
        gpu.outlineLastFrame =
            wires && frame.flat &&
            !layoutWiresReadable(gpu.box, gpu.edgeIndices / 2,
                                 frame.view.withModel(placementMatrix(frame.items[i].second)));
        const GLuint wireBuffer = gpu.outlineLastFrame ? gpu.outlineEdges : gpu.edges;
        const GLsizei wireIndices = gpu.outlineLastFrame ? gpu.outlineIndices : gpu.edgeIndices;
        gpu.overlayLastFrame = wires && frame.flat && frame.view.orthographic &&
                               wireIndices / 2 >= wireOverlayMinEdges_;
        if (gpu.overlayLastFrame) {
            // The wires and the highlighted wires together, in this order, as GL would draw them.
            drawWireOverlayQuad(gpu, shape, modelViews[i], frame, handle, width, height,
                                gpu.outlineLastFrame);
        } else {
            if (wires) {
                drawLines(gpu.vao, wireBuffer, wireIndices, modelViews[i], projection,
                          frame.wireColour, 1.0f, width, height);
            }
            drawLines(gpu.vao, gpu.highlightEdges, gpu.highlightCount, modelViews[i], projection,
                      handle, kHighlightWidth, width, height);
        }
        drawLines(gpu.vao, gpu.seamEdges, gpu.seamCount, modelViews[i], projection, handle,
                  static_cast<float>(kSeamWidth), width, height);
        if (drawsPoints(shape, frame.previewSetting) &&
            pointsReadable(gpu.box, gpu.vertexCount,
                           frame.view.withModel(placementMatrix(frame.items[i].second)))) {
            drawPoints(gpu.vao, 0, gpu.vertexCount, modelViews[i], projection, frame.wireColour,
                       static_cast<float>(kPointSize));
        }
        drawPoints(gpu.vao, gpu.handlePoints, gpu.handleCount, modelViews[i], projection, handle,
                   static_cast<float>(kHandleSize));
    };
    // The stretch colours of an item, when the stretch display is on and it has some.
    const auto stretchOf =
        [&](std::size_t i) -> const std::shared_ptr<const std::vector<std::uint32_t>>* {
        if (frame.stretchMode == StretchMode::Off || i >= frame.stretchColours.size() ||
            !frame.stretchColours[i]) {
            return nullptr;
        }
        return &frame.stretchColours[i];
    };
    if (frame.flat) {
        for (std::size_t i : order) {
            if (const auto* colours = stretchOf(i)) {
                drawStretch(*gpus[i], *frame.items[i].first, *colours, modelViews[i], frame);
            } else {
                drawFaces(*gpus[i], *frame.items[i].first, modelViews[i], frame, false);
                drawFaces(*gpus[i], *frame.items[i].first, modelViews[i], frame, true);
            }
            overlays(i);
        }
    } else {
        for (std::size_t i : order) {
            if (const auto* colours = stretchOf(i)) {
                drawStretch(*gpus[i], *frame.items[i].first, *colours, modelViews[i], frame);
            } else {
                drawFaces(*gpus[i], *frame.items[i].first, modelViews[i], frame, false,
                          gpus[i]->reducedLastFrame);
            }
        }
        glDepthMask(GL_FALSE);
        for (std::size_t i : order) {
            if (stretchOf(i) == nullptr) {
                drawFaces(*gpus[i], *frame.items[i].first, modelViews[i], frame, true,
                          gpus[i]->reducedLastFrame);
            }
        }
        glDepthMask(GL_TRUE);
        for (std::size_t i : order) {
            overlays(i);
        }
    }
    std::vector<float> lines;
    for (const Vector3& v : boundingBoxLines(frame)) {
        lines.insert(lines.end(), {v.x, v.y, v.z});
    }
    drawScreenLines(lines, frame.view.worldToEye, projection, handle, width, height);
    if (frame.rubberBand) {
        // In pixels: an orthographic projection of the screen rectangle, y down.
        glDisable(GL_DEPTH_TEST);
        const ViewTransform pixels =
            flatViewTransform(width / 2.0, height / 2.0, height / 2.0, width, height, -1.0);
        const float x0 = static_cast<float>(frame.bandX0), x1 = static_cast<float>(frame.bandX1);
        const float y0 = static_cast<float>(frame.bandY0), y1 = static_cast<float>(frame.bandY1);
        const std::vector<float> band = {x0, y0, 0, x1, y0, 0, x1, y0, 0, x1, y1, 0,
                                         x1, y1, 0, x0, y1, 0, x0, y1, 0, x0, y0, 0};
        drawScreenLines(band, pixels.worldToEye, pixels.eyeToClip, {1, 1, 1, 1}, width, height);
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

} // namespace brontle
