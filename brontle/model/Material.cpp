#include "brontle/model/Material.h"

#include <atomic>

namespace brontle {

namespace {
std::atomic<std::int32_t> nextMaterialKey{1};
}

MaterialPtr Material::create() {
    MaterialPtr material(new Material());
    material->key_ = nextMaterialKey.fetch_add(1);
    return material;
}

void Material::SetMaterialOption(std::int32_t option, std::int32_t value) {
    if (option == 0) {
        filtering_ = value;
    }
}

std::int32_t Material::materialOption(std::int32_t option) const {
    return option == 0 ? filtering_ : 0;
}

} // namespace brontle
