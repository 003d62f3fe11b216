#include "peelwise/uv/UnwrapGeometry.h"

#include "peelwise/uv/BuildUVShape.h"
#include "peelwise/uv/CreaseEdgesToSubSelection.h"
#include "peelwise/uv/FindCreaseEdges.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"

#include "brontle/core/Error.h"
#include "brontle/model/Display.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <numeric>

namespace peelwise {

using namespace brontle;

namespace {

// Opacity of the layout's faces and of the atlas's ambient and specular colours: the backdrop
// and the texture show through.
constexpr float kLayoutAlpha = 0.7f;

Color4 withAlpha(Color4 colour, float alpha) {
    colour.a = alpha;
    return colour;
}

Color4 scaled(const Color4& colour, float factor, float alpha) {
    return {factor * colour.r, factor * colour.g, factor * colour.b, alpha};
}

MaterialPtr materialAt(const Shape& shape, std::int32_t index) {
    MaterialPtr material = shape.GetMaterialByIndex(index);
    if (!material) {
        throw Error(ErrorNumber::ObjectNotSet,
                    "Material " + std::to_string(index) + " of the shape is not set");
    }
    return material;
}

// Gives `shape` copies of its materials, in the same table order, so that dressing it for the
// preview leaves the originals alone. A copy of a shape shares its material objects with the
// shape it was made from, and the working copy's are the user's own: without this the preview's
// texture and colours would stay on the selected shape even after Cancel.
void usePrivateMaterials(SceneGraph& scene, Shape& shape) {
    if (shape.GetMaterialCount() == 0) {
        return;
    }
    ShapeArrays arrays;
    arrays.vertices = shape.vertices();
    arrays.normals = shape.normals();
    arrays.texcoords = shape.texcoords();
    arrays.polygonStart = shape.polygonStart();
    arrays.cornerVertex = shape.cornerVertex();
    arrays.cornerNormal = shape.cornerNormal();
    arrays.cornerTexCoord = shape.cornerTexCoord();
    arrays.polygonTag = shape.polygonTag();
    arrays.polygonMaterial = shape.polygonMaterial();
    for (std::int32_t m = 0; m < shape.GetMaterialCount(); ++m) {
        const MaterialPtr original = materialAt(shape, m);
        const MaterialPtr copy = scene.CreateMaterial();
        copy->SetColorA(original->GetColorA());
        copy->SetColorB(original->GetColorB());
        copy->SetColorC(original->GetColorC());
        copy->SetColorD(original->GetColorD());
        copy->SetMaterialValue(original->GetMaterialValue());
        copy->SetMaterialOption(kTextureFilterOption,
                                original->materialOption(kTextureFilterOption));
        copy->SetTexture(original->texture());
        arrays.materials.push_back(copy);
    }
    shape.assignArrays(std::move(arrays));
}

} // namespace

std::int32_t markCreaseSeams(SceneGraph& scene, Shape& shape, DeviceID device,
                             const std::vector<modUV::CreaseEdge>& creases, std::int32_t count) {
    scene.ClearSelection(device);
    std::vector<std::int32_t> polygons;
    std::vector<std::int32_t> corners;
    std::int32_t n = 0;
    modUV::CreaseEdgesToSubSelection(shape, creases, count, polygons, corners, n);
    if (n >= 1) {
        SubSelection record;
        record.entries.resize(static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i) {
            record.entries[i].index = polygons[i];
            record.entries[i].corner = corners[i];
        }
        shape.SetSubSelection(device, kSelectEdges, record);
    }
    return n;
}

DefaultSeams defaultSeams(SceneGraph& scene, Shape& source, DeviceID device) {
    DefaultSeams found;
    std::int32_t count = 0;
    modUV::FindCreaseEdges(scene, source, found.creases, count);
    scene.ClearSelection(device);
    if (count >= 1) {
        markCreaseSeams(scene, source, device, found.creases, count);
        found.seams = source.GetSubSelection(device);
        scene.ClearSelection(device);
    }
    return found;
}

ShapePtr copyWithSeams(SceneGraph& scene, const Shape& source, DeviceID device,
                       const SubSelection& seams) {
    ShapePtr copy = scene.CreateShape();
    copy->AppendShape(source);
    if (seams.count() > 0) {
        copy->SetSubSelection(device, kSelectEdges, seams);
    }
    return copy;
}

std::optional<UVLayout> atlasAndLayout(SceneGraph& scene, Shape& copy, const AtlasRequest& request,
                                       ShapePtr& atlas, const SubSelection& seams) {
    // A shape without polygons has nothing to unwrap: the host would refuse it with an error,
    // which the caller logs as a failed build. The build instead goes on to its own polygon
    // check below and ends there, unlogged.
    if (copy.GetPolygonCount() >= 1) {
        std::int32_t charts = 0; // the host reports its chart count; the editor has no use for it
        copy.GenerateAtlas(request.device, request.renderDevice, request.factorType, request.factor,
                           request.width, request.height, charts, request.progress);
    }

    // The atlas shape object is kept across builds: the preview's frame holds it.
    if (!atlas) {
        atlas = scene.CreateShape();
    } else {
        atlas->Clear();
    }
    atlas->AppendShape(copy);
    usePrivateMaterials(scene, *atlas);
    atlas->SetDisplayFlags(kWireOverlayFlag);

    const TexturePtr continuity = loadContinuityMap(scene);
    for (std::int32_t m = 0; m < atlas->GetMaterialCount(); ++m) {
        const MaterialPtr material = materialAt(*atlas, m);
        material->SetTexture(continuity);
        material->SetColorB(withAlpha(material->GetColorB(), 1.0f));
    }

    const std::int32_t polygonCount = atlas->GetPolygonCount();
    if (polygonCount < 1) {
        return std::nullopt;
    }
    std::vector<std::int32_t> all(static_cast<std::size_t>(polygonCount));
    std::iota(all.begin(), all.end(), 0);
    UVLayout layout;
    layout.uv = modUV::BuildUVShape(scene, *atlas, all);
    Shape* uv = layout.uv.get();

    for (std::int32_t m = 0; m < uv->GetMaterialCount(); ++m) {
        const MaterialPtr material = materialAt(*uv, m);
        material->SetColorB(withAlpha(material->GetColorB(), kLayoutAlpha));
    }
    uv->SetDisplayFlags(kWireOverlayFlag);

    // The atlas's ambient and specular follow its diffuse colour, darker, so the continuity
    // texture reads clearly under the preview's light.
    for (std::int32_t m = 0; m < atlas->GetMaterialCount(); ++m) {
        const MaterialPtr material = materialAt(*atlas, m);
        const Color4 c = material->GetColorB();
        material->SetColorA(scaled(c, 0.6f, kLayoutAlpha));
        material->SetColorC(scaled(c, 0.2f, kLayoutAlpha));
    }

    modUV::RebuildUVCorrespondence(*uv, *atlas, layout.vertexToTexCoord);

    scene.ClearSelection(request.device);
    if (seams.count() >= 1) {
        atlas->SetSubSelection(request.device, kSelectEdges, seams);
    }
    return layout;
}

std::string continuityMapFile(const std::string& installFolder) {
    return installFolder + "\\System\\" + "ContinuityMap.bmp";
}

TexturePtr loadContinuityMap(SceneGraph& scene) {
    const HostEnvironmentPtr environment = scene.GetEnvironment();
    if (!environment) {
        throw Error(ErrorNumber::ObjectNotSet, "The scene graph has no host environment");
    }
    std::int32_t width = 0; // the continuity map's size is of no use to the editor
    std::int32_t height = 0;
    return scene.LoadTexture(continuityMapFile(environment->GetInstallFolder()), 0, 0, "", "", 0.5f,
                             "", "", "", width, height);
}

} // namespace peelwise
