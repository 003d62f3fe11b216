// The JSON report, kept apart so only this file pays for the JSON header.
#include "UnwrapJob.h"

#include <nlohmann/json.hpp>

namespace peelwise::tools {

std::string toJson(const UnwrapReport& report) {
    nlohmann::json shapes = nlohmann::json::array();
    for (const ShapeReport& s : report.shapes) {
        shapes.push_back({{"name", s.name},
                          {"polygons", s.polygons},
                          {"charts", s.charts},
                          {"utilisation", s.utilisation},
                          {"stretch_l2", s.stretchL2},
                          {"stretch_linf", s.stretchLinf},
                          {"area_ratio_p99", s.areaRatioP99},
                          {"flipped", s.flipped},
                          {"fallbacks", s.fallbacks},
                          {"overlaps", s.overlaps},
                          {"seconds", s.seconds}});
    }
    nlohmann::json out = {{"file", report.file}, {"seconds", report.seconds}, {"shapes", shapes}};
    return out.dump();
}

} // namespace peelwise::tools
