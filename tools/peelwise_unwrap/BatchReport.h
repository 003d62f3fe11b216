#pragma once
// The lines of a batch report (internal to the batch): one JSON object per input, holding the
// fields of peelwise-unwrap --json and "input", "output", "status", "error", "size",
// "checksum" and "settings". Only BatchReport.cpp reads or writes JSON.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace peelwise::tools {

struct ReportLine {
    std::string input;
    std::string output;
    std::string status; // "ok", "failed", "skipped"
    std::string error;
    std::optional<std::uint64_t> size; // none when the input is not a readable file
    std::string checksum;
    std::string settings;
    // Over the line's shapes: the lowest utilisation and the highest stretch (L-infinity);
    // none without shapes.
    std::optional<double> worstUtilisation;
    std::optional<double> worstStretch;
    double seconds = 0.0; // the line's "seconds"
    std::string text;     // the JSON object on one line
};

struct ReportFields {
    std::string input;
    std::string output;
    std::string file; // the path read, as --json names it
    std::string status;
    std::string error;
    std::optional<std::uint64_t> size;
    std::string checksum;
    std::string settings;
    double seconds = 0.0;
};

// A line from the worker's --json report (empty for a failed input: no shapes, and
// `fields.seconds`) and the batch's fields. A worker report that is not a JSON object makes a
// failed line saying so.
ReportLine makeReportLine(const std::string& unwrapJson, const ReportFields& fields);

// The same line with another status and no error (a skipped input keeps its earlier results).
ReportLine withStatus(const ReportLine& line, const std::string& status);

// Nothing for a line that is not a report object with an input and a status.
std::optional<ReportLine> parseReportLine(const std::string& text);

// Adds every line of `path` to `lines` by input, a later line replacing an earlier one;
// nothing when the file does not exist.
void readReportFile(const std::string& path, std::map<std::string, ReportLine>& lines);

} // namespace peelwise::tools
