#include "brontle/services/FileDialogFilter.h"

#include <cstddef>

namespace brontle {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return parts;
        }
        start = end + 1;
    }
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "Windows Bitmap (*.bmp)" -> "Windows Bitmap"; a label without such a tail stays as it is.
std::string labelWithoutPatterns(const std::string& label) {
    const std::string text = trimmed(label);
    if (!text.empty() && text.back() == ')') {
        const std::size_t open = text.rfind('(');
        if (open != std::string::npos) {
            return trimmed(text.substr(0, open));
        }
    }
    return text;
}

} // namespace

std::vector<std::string> qtNameFilters(const std::string& filter) {
    std::vector<std::string> filters;
    if (trimmed(filter).empty()) {
        return filters;
    }
    const std::vector<std::string> parts = split(filter, '|');
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        std::string patterns;
        if (i + 1 < parts.size()) {
            for (const std::string& raw : split(parts[i + 1], ';')) {
                std::string pattern = trimmed(raw);
                if (pattern == "*.*") {
                    pattern = "*";
                }
                if (!pattern.empty()) {
                    patterns += (patterns.empty() ? "" : " ") + pattern;
                }
            }
        }
        if (patterns.empty()) {
            patterns = "*";
        }
        std::string label = labelWithoutPatterns(parts[i]);
        filters.push_back((label.empty() ? "" : label + " ") + "(" + patterns + ")");
    }
    return filters;
}

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    const std::size_t nameStart = path.find_last_of("/\\") + 1; // 0 when there is no folder
    if (path.empty() || extension.empty() || path.find('.', nameStart) != std::string::npos) {
        return path;
    }
    return path + "." + extension;
}

} // namespace brontle
