#pragma once
// Surface appearance shared by polygons. Colours: A ambient, B diffuse (its alpha is the
// surface's opacity), C specular, D emissive. Every material has a key that is unique in the
// process, so copies can be matched to their originals.

#include "brontle/core/Records.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/Forward.h"

#include <cstdint>
#include <memory>
#include <string>

namespace brontle {

class Material {
  public:
    static MaterialPtr create();

    void SetTexture(const TexturePtr& texture) {
        hostCall("Material::SetTexture");
        texture_ = texture;
    }
    TexturePtr texture() const { return texture_; }

    Color4 GetColorA() const { return colorA_; }
    void SetColorA(const Color4& c) { colorA_ = c; }
    Color4 GetColorB() const { return colorB_; }
    void SetColorB(const Color4& c) { colorB_ = c; }
    Color4 GetColorC() const { return colorC_; }
    void SetColorC(const Color4& c) { colorC_ = c; }
    Color4 GetColorD() const { return colorD_; }
    void SetColorD(const Color4& c) { colorD_ = c; }

    // The name the material had in the file it came from ("" for one made here); writers keep
    // it.
    const std::string& name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // Specular power.
    float GetMaterialValue() const { return value_; }
    void SetMaterialValue(float value) { value_ = value; }
    std::int32_t GetMaterialKey() const { return key_; }

    // (option, value) pairs; option 0 is texture filtering: 0 nearest, 1 linear.
    void SetMaterialOption(std::int32_t option, std::int32_t value);
    std::int32_t materialOption(std::int32_t option) const;

  private:
    Material() = default;

    TexturePtr texture_;
    std::string name_;
    Color4 colorA_{0.2f, 0.2f, 0.2f, 1.0f};
    Color4 colorB_{0.8f, 0.8f, 0.8f, 1.0f};
    Color4 colorC_{0.0f, 0.0f, 0.0f, 1.0f};
    Color4 colorD_{0.0f, 0.0f, 0.0f, 1.0f};
    float value_ = 16.0f;
    std::int32_t key_ = 0;
    std::int32_t filtering_ = 1;
};

} // namespace brontle
