#include "brontle/app/HostDocument.h"

#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"
#include "brontle/io/SampleShapes.h"
#include "brontle/model/Display.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/services/QtImageFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <system_error>

namespace brontle {

namespace fs = std::filesystem;

namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool sameContent(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) {
        return false;
    }
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

// Texture files copied beside an OBJ for one save; removed again when the save fails, so a
// failed save adds no files either.
class TextureCopies {
  public:
    explicit TextureCopies(fs::path folder) : folder_(std::move(folder)) {}
    ~TextureCopies() {
        if (!committed_) {
            for (const fs::path& made : made_) {
                std::error_code ignored;
                fs::remove(made, ignored);
            }
        }
    }
    void commit() { committed_ = true; }

    // The path the MTL should name for `source`: the file itself when it is in the folder,
    // else a copy there (an existing file of the same name and content is reused; one with
    // other content is left alone and the copy gets a numbered name).
    std::string placeBeside(const std::string& source) {
        const fs::path from = fs::absolute(source).lexically_normal();
        if (from.parent_path() == folder_) {
            return from.string();
        }
        if (auto it = placed_.find(from); it != placed_.end()) {
            return it->second.string();
        }
        fs::path target = folder_ / from.filename();
        for (int n = 2; fs::exists(target) && !sameContent(from, target); ++n) {
            target = folder_ /
                     (from.stem().string() + "_" + std::to_string(n) + from.extension().string());
        }
        if (!fs::exists(target)) {
            std::error_code ec;
            fs::copy_file(from, target, ec);
            if (ec) {
                throw Error(ErrorNumber::HostFileUnwritable,
                            target.string() + ": the texture " + from.string() +
                                " could not be copied beside the model: " + ec.message());
            }
            made_.push_back(target);
        }
        placed_[from] = target;
        return target.string();
    }

  private:
    fs::path folder_;
    std::map<fs::path, fs::path> placed_;
    std::vector<fs::path> made_;
    bool committed_ = false;
};

// A copy of `shape` whose textured materials name the texture files `copies` placed beside the
// model; the user's shapes and materials are not changed.
ShapePtr withTexturesBeside(const Shape& shape, TextureCopies& copies,
                            std::map<MaterialPtr, MaterialPtr>& cloned) {
    ShapeArrays arrays{shape.vertices(),       shape.normals(),      shape.texcoords(),
                       shape.polygonStart(),   shape.cornerVertex(), shape.cornerNormal(),
                       shape.cornerTexCoord(), shape.polygonTag(),   shape.polygonMaterial(),
                       shape.materials()};
    for (MaterialPtr& material : arrays.materials) {
        if (!material || !material->texture() || material->texture()->file().empty() ||
            !fs::exists(material->texture()->file())) {
            continue;
        }
        MaterialPtr& copy = cloned[material];
        if (!copy) {
            copy = Material::create();
            copy->SetColorA(material->GetColorA());
            copy->SetColorB(material->GetColorB());
            copy->SetColorC(material->GetColorC());
            copy->SetColorD(material->GetColorD());
            copy->SetMaterialValue(material->GetMaterialValue());
            copy->SetMaterialOption(kTextureFilterOption,
                                    material->materialOption(kTextureFilterOption));
            const TexturePtr& texture = material->texture();
            copy->SetTexture(
                std::make_shared<Texture>(texture->image(), copies.placeBeside(texture->file())));
        }
        material = copy;
    }
    ShapePtr result = Shape::create();
    result->assignArrays(std::move(arrays));
    return result;
}

} // namespace

HostDocument::HostDocument(HostEnvironmentPtr environment)
    : scene_(SceneGraph::create(std::move(environment))) {
    scene_->setImageReader(qtImageReader());
    root_ = scene_->CreateFrame(nullptr);
}

std::string HostDocument::nameOf(const ShapePtr& shape) const {
    const auto it = std::find(shapes_.begin(), shapes_.end(), shape);
    if (it == shapes_.end()) {
        return {};
    }
    return names_[static_cast<std::size_t>(it - shapes_.begin())];
}

void HostDocument::replace(FramePtr root, std::vector<ShapePtr> shapes,
                           std::vector<std::string> names, std::string file,
                           std::vector<std::string> warnings) {
    root_ = std::move(root);
    shapes_ = std::move(shapes);
    names_ = std::move(names);
    file_ = std::move(file);
    warnings_ = std::move(warnings);
}

void HostDocument::openSample() {
    FramePtr root = scene_->CreateFrame(nullptr);
    ShapePtr shape = makeSampleShape(*scene_);
    root->AddShape(shape);
    replace(std::move(root), {shape}, {"Sample"}, {}, {});
}

void HostDocument::open(const std::string& path) {
    // A host operation with progress and Cancel; it throws before anything is replaced.
    const std::string name = fs::path(path).filename().string();
    LoadedScene loaded;
    progressService().run(
        "Loading " + name,
        Error(ErrorNumber::HostCancelled, name + ": loading was cancelled", "HostDocument"),
        WorkThread::Caller, [&](ProgressReporter& reporter) {
            loaded = loadMeshFile(path, *scene_, [&](double done) { reporter.report(done); });
            reporter.report(1.0);
        });
    std::vector<std::string> warnings = std::move(loaded.warnings);
    if (loaded.droppedPolygons > 0) {
        warnings.push_back(std::to_string(loaded.droppedPolygons) +
                           " degenerate polygons of the file were left out.");
    }
    if (loaded.repairedPolygons > 0) {
        warnings.push_back(std::to_string(loaded.repairedPolygons) +
                           " polygons of the file had repeated corners, which were removed.");
    }
    replace(std::move(loaded.root), std::move(loaded.shapes), std::move(loaded.shapeNames), path,
            std::move(warnings));
}

void HostDocument::saveAs(const std::string& path) const {
    const std::string extension = lowerExtension(path);
    if (extension != ".obj") {
        // glTF embeds or references its images through Assimp; other extensions are refused
        // there with a message naming the file.
        saveMeshFile(path, shapes_, names_);
        return;
    }
    const fs::path folder = fs::absolute(path).lexically_normal().parent_path();
    TextureCopies copies(folder);
    std::map<MaterialPtr, MaterialPtr> cloned;
    std::vector<ShapePtr> toSave;
    toSave.reserve(shapes_.size());
    for (const ShapePtr& shape : shapes_) {
        toSave.push_back(withTexturesBeside(*shape, copies, cloned));
    }
    saveMeshFile(path, toSave, names_);
    copies.commit();
}

} // namespace brontle
