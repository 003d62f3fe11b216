#pragma once
// What the host window shows and saves: one scene graph, the root frame of the open model, its
// shapes and their names. Opening a file or the sample replaces the model; saving writes it.
//
// Every failure is brontle::Error naming the file and the reason; a failed open leaves the open
// model as it was, and a failed save leaves existing files as they were.

#include "brontle/model/Forward.h"

#include <string>
#include <vector>

namespace brontle {

class HostDocument {
  public:
    // A scene graph over `environment` that reads textures with Qt's image readers; no model
    // yet (root() is an empty frame).
    explicit HostDocument(HostEnvironmentPtr environment);

    SceneGraphPtr scene() const { return scene_; }
    FramePtr root() const { return root_; }
    const std::vector<ShapePtr>& shapes() const { return shapes_; }
    const std::vector<std::string>& shapeNames() const { return names_; }
    // The name of shape `shape` ("" when it is not one of the model's).
    std::string nameOf(const ShapePtr& shape) const;
    // The file the model came from ("" for the sample).
    const std::string& file() const { return file_; }
    // Things the user should know about the last open (a texture that could not be read).
    const std::vector<std::string>& warnings() const { return warnings_; }

    // Replaces the model by the built-in sample shape, named "Sample".
    void openSample();
    // Replaces the model by the mesh file's (brontle/io loadMeshFile), as a host operation of
    // the progress service (HostProgress.h). A cancelled load throws Error(HostCancelled) and
    // leaves the open model as it was.
    void open(const std::string& path);
    // Writes every shape by the extension: ".obj" (with its .mtl) or ".gltf"/".glb". For OBJ, a
    // texture file that is not in the target folder is copied there and the MTL names the copy,
    // so the saved model can be moved as one folder; textures already there are named as they
    // are. Throws Error(HostFileUnwritable) for another extension or a file that cannot be
    // written.
    void saveAs(const std::string& path) const;

  private:
    void replace(FramePtr root, std::vector<ShapePtr> shapes, std::vector<std::string> names,
                 std::string file, std::vector<std::string> warnings);

    SceneGraphPtr scene_;
    FramePtr root_;
    std::vector<ShapePtr> shapes_;
    std::vector<std::string> names_;
    std::string file_;
    std::vector<std::string> warnings_;
};

} // namespace brontle
