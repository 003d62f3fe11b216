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
    nlohmann::json warnings = nlohmann::json::array();
    for (const UnwrapWarning& w : report.warnings) {
        warnings.push_back({{"message", w.message}, {"count", w.count}});
    }
    nlohmann::json out = {{"file", report.file},
                          {"seconds", report.seconds},
                          {"shapes", shapes},
                          {"warnings", warnings}};
    // Names from a file may hold bytes that are not UTF-8: they are replaced, not fatal.
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string toJsonError(const std::string& file, const std::string& error) {
    const nlohmann::json out = {{"file", file}, {"error", error}};
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace peelwise::tools
