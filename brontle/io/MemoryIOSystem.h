#pragma once
// An Assimp file system that keeps what an exporter writes in memory (internal to
// saveMeshFile), so that the files reach the disk only through writeFilesAtomically and keep the
// names the exporter gave them (a .gltf refers to its .bin by name).

#include "brontle/model/AtomicFiles.h"

#include <assimp/IOSystem.hpp>

#include <map>
#include <string>
#include <vector>

namespace brontle {

class MemoryIOSystem : public Assimp::IOSystem {
  public:
    bool Exists(const char* file) const override;
    char getOsSeparator() const override { return '/'; }
    // Write modes ('w' or 'a') open a buffer under `file` (emptied for 'w'); read modes open a
    // buffer written before in this run. Anything else is not there: nullptr.
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
    void Close(Assimp::IOStream* stream) override;

    // Every file written, in the order each was first opened.
    std::vector<FileContent> files() const;

  private:
    std::map<std::string, std::string> contents_;
    std::vector<std::string> order_;
};

} // namespace brontle
