#pragma once
// An image used as a texture, with the file it came from.

#include "brontle/model/Forward.h"
#include "brontle/model/Image.h"

#include <memory>
#include <string>

namespace brontle {

class Texture {
  public:
    Texture(Image image, std::string file) : image_(std::move(image)), file_(std::move(file)) {}

    const Image& image() const { return image_; }
    const std::string& file() const { return file_; }
    int width() const { return image_.width; }
    int height() const { return image_.height; }

  private:
    Image image_;
    std::string file_;
};

} // namespace brontle
