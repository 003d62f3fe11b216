#include "brontle/services/Log.h"

#include "brontle/services/EnvironmentVariable.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace brontle {

namespace {

std::string defaultLogFile() {
    if (std::string fromEnvironment = environmentVariable("BRONTLE_LOG_FILE");
        !fromEnvironment.empty()) {
        return fromEnvironment;
    }
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Brontle/brontle.log"))
        .toStdString();
}

std::string oneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            line += "\\n";
            // A Windows line end is one break, not two.
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += text[i];
        }
    }
    return line;
}

} // namespace

std::string logTimeStamp() {
    const QDateTime now = QDateTime::currentDateTime();
    const int offsetMinutes = now.offsetFromUtc() / 60;
    char offset[16];
    std::snprintf(offset, sizeof offset, "%c%02d:%02d", offsetMinutes < 0 ? '-' : '+',
                  std::abs(offsetMinutes) / 60, std::abs(offsetMinutes) % 60);
    return now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toStdString() + offset;
}

Log::Log(std::string file) : fixedFile_(std::move(file)) {}

std::string Log::file() const {
    return fixedFile_.empty() ? defaultLogFile() : fixedFile_;
}

void Log::write(const std::string& text) noexcept {
    try {
        const std::string line = logTimeStamp() + " " + oneLine(text);
        const std::string path = file();
        std::lock_guard lock(mutex_);
        std::error_code ignored; // a folder that cannot be made shows as a failed open below
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
        std::ofstream out(path, std::ios::app | std::ios::binary);
        out << line << '\n';
        out.flush();
        if (!out) {
            std::cerr << "brontle log (cannot append to " << path << "): " << line << std::endl;
        }
    } catch (...) {
        // Out of memory while formatting; the caller goes on regardless, as promised.
        std::fputs("brontle log: a line was lost\n", stderr);
    }
}

Log& hostLog() {
    static Log log;
    return log;
}

} // namespace brontle
