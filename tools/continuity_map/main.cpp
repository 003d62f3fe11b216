// continuity_map OUT.bmp [SIZE]: writes the continuity texture (see ContinuityMap.h) as a
// 24-bit Windows bitmap, SIZE x SIZE pixels (1024 when not given, 64 to 8192). The build runs it
// to put System/ContinuityMap.bmp into the install folder.
//
// Exit status: 0 written, 1 the file could not be written, 2 bad arguments.

#include "ContinuityMap.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFileInfo>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int DefaultSize = 1024;
constexpr int MinimumSize = 64;
constexpr int MaximumSize = 8192;

int usage(const char* message) {
    std::fprintf(stderr,
                 "continuity_map: %s\nusage: continuity_map OUT.bmp [SIZE]   (SIZE %d..%d, "
                 "default %d)\n",
                 message, MinimumSize, MaximumSize, DefaultSize);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        return usage("expected an output file and an optional size");
    }
    int size = DefaultSize;
    if (argc == 3) {
        const char* text = argv[2];
        const char* end = text + std::strlen(text);
        const auto [stop, error] = std::from_chars(text, end, size);
        if (error != std::errc() || stop != end || size < MinimumSize || size > MaximumSize) {
            return usage("the size must be a whole number of pixels from 64 to 8192");
        }
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!continuity::drawContinuityMap(size).save(&buffer, "BMP")) {
        std::fprintf(stderr, "continuity_map: %s: cannot write the bitmap (encoding failed)\n",
                     argv[1]);
        return 1;
    }
    try {
        brontle::writeFilesAtomically(
            {{argv[1], std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()))}});
    } catch (const brontle::Error& e) {
        // The description is "<path>: <the system's reason>".
        std::string reason = e.description();
        const std::string prefix = std::string(argv[1]) + ": ";
        if (reason.rfind(prefix, 0) == 0) {
            reason.erase(0, prefix.size());
        }
        std::fprintf(stderr, "continuity_map: %s: cannot write the bitmap (%s)\n", argv[1],
                     reason.c_str());
        return 1;
    }
    return 0;
}
