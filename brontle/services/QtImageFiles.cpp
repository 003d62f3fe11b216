#include "brontle/services/QtImageFiles.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/HostProgress.h"
#include "brontle/services/FileUtility.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace brontle {

namespace {

Image fromQImage(const QImage& source) {
    // ARGB32 keeps each pixel as one 0xAARRGGBB word, which is Image's layout.
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    Image image(argb.width(), argb.height());
    for (int y = 0; y < argb.height(); ++y) {
        std::memcpy(&image.at(0, y), argb.constScanLine(y),
                    static_cast<std::size_t>(argb.width()) * sizeof(std::uint32_t));
    }
    return image;
}

// As ARGB32, or as RGB32 with every alpha set to opaque: the colour stays exactly as it was,
// where Qt's own conversion would blend translucent pixels into black.
QImage toQImage(const Image& image, bool keepAlpha) {
    QImage out(image.width, image.height, keepAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const std::uint32_t opaque = keepAlpha ? 0u : 0xff000000u;
    for (int y = 0; y < image.height; ++y) {
        const std::uint32_t* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
        auto* target = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        for (int x = 0; x < image.width; ++x) {
            target[x] = row[x] | opaque;
        }
    }
    return out;
}

} // namespace

std::optional<Image> readImageFile(const std::string& path) {
    hostCall("QtImageFiles::readImageFile");
    const std::string native = nativePath(path);
    std::error_code error;
    if (!std::filesystem::exists(native, error)) {
        return std::nullopt;
    }
    QImageReader reader(QString::fromStdString(native));
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        throw Error(ErrorNumber::HostFileUnreadable, path + ": not an image this host can read");
    }
    return fromQImage(image);
}

ImageReader qtImageReader() {
    return &readImageFile;
}

void saveImage(const std::string& path, const Image& image) {
    hostCall("QtImageFiles::saveImage");
    if (image.pixels.size() != static_cast<std::size_t>(std::max(image.width, 0)) *
                                   static_cast<std::size_t>(std::max(image.height, 0))) {
        throw Error(ErrorNumber::HostBadArgument,
                    path + ": the image has " + std::to_string(image.pixels.size()) +
                        " pixels for a size of " + std::to_string(image.width) + " x " +
                        std::to_string(image.height));
    }
    const std::string native = nativePath(path);
    const std::string extension = splitPath(native).extension;
    if (extension != "BMP" && extension != "PNG") {
        throw Error(ErrorNumber::HostFileUnwritable,
                    path +
                        ": cannot write images of this kind (the name must end in .bmp or .png)");
    }
    if (image.empty()) {
        throw Error(ErrorNumber::HostFileUnwritable, path + ": an empty image cannot be written");
    }
    // Run as a host operation, the save reports its stages (reportProgress) and stops at a
    // cancel before the file is replaced; a cancel never leaves a temporary file.
    reportProgress(0.05);
    // Qt writes an RGB32 image as a 24-bit bitmap.
    const QImage out = toQImage(image, extension == "PNG");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!out.save(&buffer, extension.c_str())) {
        throw Error(ErrorNumber::HostFileUnwritable,
                    path + ": cannot write the image (encoding failed)");
    }
    reportProgress(0.5);
    try {
        FileGroup file("SaveSurface");
        file.add(native,
                 std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        reportProgress(1.0); // the last chance to stop: the rename below cannot be undone
        file.commit();
    } catch (const Error& e) {
        if (e.number() == ErrorNumber::HostCancelled) {
            throw; // the operation was cancelled: nothing was written, nothing to explain
        }
        // The group names the file and gives the system's reason ("No space left on device").
        std::string reason = e.description();
        if (reason.rfind(native + ": ", 0) == 0) {
            reason.erase(0, native.size() + 2);
        }
        throw Error(ErrorNumber::HostFileUnwritable,
                    path + ": cannot write the image (" + reason + ")");
    }
}

} // namespace brontle
