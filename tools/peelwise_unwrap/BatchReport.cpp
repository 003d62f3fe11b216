// The batch report's JSON, kept apart so only this file of the batch pays for the JSON header.
#include "BatchReport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>

namespace peelwise::tools {

namespace {

using nlohmann::json;

void fillSummary(const json& object, ReportLine& line) {
    line.worstUtilisation.reset();
    line.worstStretch.reset();
    if (!object.contains("shapes") || !object["shapes"].is_array()) {
        return;
    }
    for (const json& shape : object["shapes"]) {
        if (shape.contains("utilisation") && shape["utilisation"].is_number()) {
            const double u = shape["utilisation"].get<double>();
            line.worstUtilisation = std::min(line.worstUtilisation.value_or(u), u);
        }
        if (shape.contains("stretch_linf") && shape["stretch_linf"].is_number()) {
            const double s = shape["stretch_linf"].get<double>();
            line.worstStretch = std::max(line.worstStretch.value_or(s), s);
        }
    }
}

std::string text(const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

ReportLine fromObject(const json& object) {
    ReportLine line;
    line.input = text(object, "input");
    line.output = text(object, "output");
    line.status = text(object, "status");
    line.error = text(object, "error");
    line.checksum = text(object, "checksum");
    line.settings = text(object, "settings");
    if (object.contains("size") && object["size"].is_number_unsigned()) {
        line.size = object["size"].get<std::uint64_t>();
    }
    fillSummary(object, line);
    if (object.contains("seconds") && object["seconds"].is_number()) {
        line.seconds = object["seconds"].get<double>();
    }
    line.text = object.dump();
    return line;
}

} // namespace

ReportLine makeReportLine(const std::string& unwrapJson, const ReportFields& fields) {
    json object = json::object();
    std::string status = fields.status;
    std::string error = fields.error;
    if (!unwrapJson.empty()) {
        object = json::parse(unwrapJson, nullptr, false);
        if (!object.is_object()) {
            object = json::object();
            status = "failed";
            error = fields.file + ": the worker's report could not be read";
        }
    }
    if (!object.contains("file")) {
        object["file"] = fields.file;
    }
    if (!object.contains("seconds")) {
        object["seconds"] = fields.seconds;
    }
    if (!object.contains("shapes")) {
        object["shapes"] = json::array();
    }
    object["input"] = fields.input;
    object["output"] = fields.output;
    object["status"] = status;
    object["error"] = error;
    object["size"] = fields.size ? json(*fields.size) : json(nullptr);
    object["checksum"] = fields.checksum.empty() ? json(nullptr) : json(fields.checksum);
    object["settings"] = fields.settings;
    return fromObject(object);
}

ReportLine withStatus(const ReportLine& line, const std::string& status) {
    json object = json::parse(line.text, nullptr, false);
    if (!object.is_object()) {
        return line;
    }
    object["status"] = status;
    object["error"] = "";
    return fromObject(object);
}

std::optional<ReportLine> parseReportLine(const std::string& text) {
    const json object = json::parse(text, nullptr, false);
    if (!object.is_object() || !object.contains("input") || !object["input"].is_string() ||
        !object.contains("status") || !object["status"].is_string()) {
        return std::nullopt;
    }
    return fromObject(object);
}

void readReportFile(const std::string& path, std::map<std::string, ReportLine>& lines) {
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        // A batch killed while appending may leave its last line cut short: it is left out,
        // and that input is done again.
        if (auto line = parseReportLine(text)) {
            lines[line->input] = std::move(*line);
        }
    }
}

} // namespace peelwise::tools
