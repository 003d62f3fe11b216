#include "OutputFiles.h"

#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace peelwise::tools {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void badOption(const std::string& what) {
    throw brontle::Error(brontle::ErrorNumber::HostBadArgument, what, "peelwise-unwrap");
}

[[noreturn]] void refuse(const std::string& path, const std::string& reason) {
    throw brontle::Error(brontle::ErrorNumber::HostFileUnwritable, path + ": " + reason,
                         "peelwise-unwrap");
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Who a path is on disk: device and inode when it exists (so links and other spellings of the
// same file agree), else the absolute path with symbolic links followed.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    std::string path;
    bool operator==(const FileIdentity& other) const {
        return path.empty() == other.path.empty() &&
               (path.empty() ? device == other.device && inode == other.inode : path == other.path);
    }
};

FileIdentity identityOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return {st.st_dev, st.st_ino, {}};
    }
    return {0, 0, brontle::resolveWriteTarget(path)};
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

void checkOptions(const UnwrapOptions& o) {
    if (o.factorType != 0 && o.factorType != 1) {
        badOption("the factor type must be stretch or charts");
    }
    if (o.factor < 1 || o.factor > 100) {
        badOption("the factor must be a whole number from 1 to 100, not " +
                  std::to_string(o.factor));
    }
    if (o.width < 64 || o.width > 2048 || o.height < 64 || o.height > 2048) {
        badOption("the texture size must be 64 to 2048 pixels a side, not " +
                  std::to_string(o.width) + " x " + std::to_string(o.height));
    }
    if (!o.textureFile.empty()) {
        const std::string extension = lower(fs::path(o.textureFile).extension().string());
        if (extension != ".bmp" && extension != ".png") {
            badOption("the texture " + printable(o.textureFile) +
                      " must be a Windows bitmap (.bmp) or a PNG image (.png)");
        }
        if (fs::path(o.textureFile).stem().empty()) {
            badOption("the texture " + printable(o.textureFile) + " has no file name");
        }
    }
}

OutputPlan planOutputs(const std::string& input, const std::string& output,
                       const UnwrapOptions& options) {
    checkOptions(options);
    if (input.empty()) {
        badOption("no input file given");
    }
    if (output.empty()) {
        badOption("no output file given");
    }
    std::error_code ec;
    if (fs::path(input).is_relative() || fs::path(output).is_relative() ||
        (!options.textureFile.empty() && fs::path(options.textureFile).is_relative())) {
        [[maybe_unused]] const fs::path here = fs::current_path(ec);
        if (ec) {
            throw brontle::Error(brontle::ErrorNumber::HostFailure,
                                 "the current folder cannot be used (" + ec.message() +
                                     "; it may have been deleted): run from an existing folder "
                                     "or give absolute paths",
                                 "peelwise-unwrap");
        }
    }
    struct stat st {};
    if (::stat(input.c_str(), &st) != 0) {
        throw brontle::Error(brontle::ErrorNumber::HostFileUnreadable,
                             printable(fs::path(input).filename().string()) + ": no such file",
                             "peelwise-unwrap");
    }
    if (!S_ISREG(st.st_mode)) {
        throw brontle::Error(brontle::ErrorNumber::HostFileUnreadable,
                             printable(fs::path(input).filename().string()) + ": not a file",
                             "peelwise-unwrap");
    }
    OutputPlan plan;
    plan.mesh = output;
    plan.meshFiles = brontle::meshOutputFiles(output); // throws for an unsupported format
    // The output first, so that a folder that cannot be written is reported under the name the
    // user gave, not under the .mtl or .bin beside it.
    brontle::checkReplaceable(output, "peelwise-unwrap");
    for (const std::string& file : plan.meshFiles) {
        brontle::checkReplaceable(file, "peelwise-unwrap");
    }
    if (!options.textureFile.empty()) {
        const std::string meshExtension = lower(fs::path(output).extension().string());
        // glTF names PNG or JPEG images only.
        plan.textureExtension = meshExtension == ".obj"
                                    ? lower(fs::path(options.textureFile).extension().string())
                                    : ".png";
        brontle::checkReplaceable(texturePathFor(plan, options, 0, 1), "peelwise-unwrap");
    }
    return plan;
}

std::string texturePathFor(const OutputPlan& plan, const UnwrapOptions& options, int index,
                           int count) {
    fs::path file = fs::path(options.textureFile).stem();
    if (count > 1 && !options.sharedAtlas) {
        file += "-" + std::to_string(index + 1);
    }
    file += plan.textureExtension;
    std::error_code ec;
    const fs::path mesh = fs::absolute(fs::path(plan.mesh), ec);
    return ((ec ? fs::path(plan.mesh) : mesh).parent_path() / file).string();
}

std::vector<std::string> referencedFiles(const std::string& input,
                                         const std::vector<std::string>& textures) {
    std::vector<std::string> out{input};
    const fs::path folder = fs::path(input).parent_path();
    const std::string extension = lower(fs::path(input).extension().string());
    auto add = [&](const std::string& name) {
        if (name.empty() || name.rfind("data:", 0) == 0) {
            return;
        }
        std::string slashed = name;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        const fs::path path(slashed);
        out.push_back((path.is_absolute() ? path : folder / path).string());
    };
    if (extension == ".obj") {
        std::ifstream in(input);
        std::string line;
        while (std::getline(in, line)) {
            const std::string text = trim(line);
            if (text.rfind("mtllib", 0) != 0 || text.size() < 7 ||
                !std::isspace(static_cast<unsigned char>(text[6]))) {
                continue;
            }
            // One name with spaces, or several names: both readings are kept from harm.
            const std::string rest = trim(text.substr(6));
            add(rest);
            std::size_t at = 0;
            while (at < rest.size()) {
                const auto end = rest.find_first_of(" \t", at);
                add(rest.substr(at, end == std::string::npos ? std::string::npos : end - at));
                if (end == std::string::npos) {
                    break;
                }
                at = rest.find_first_not_of(" \t", end);
            }
        }
        // The images the libraries name (map_Kd and the like, also those this program could
        // not read): the file name is the last word, or the whole rest of the line.
        const std::size_t libraries = out.size();
        for (std::size_t l = 1; l < libraries; ++l) {
            std::ifstream library(out[l]);
            const fs::path libraryFolder = fs::path(out[l]).parent_path();
            while (std::getline(library, line)) {
                const std::string text = trim(line);
                const auto space = text.find_first_of(" \t");
                const std::string keyword = text.substr(0, space);
                if (space == std::string::npos ||
                    (keyword.rfind("map_", 0) != 0 && keyword != "bump" && keyword != "disp" &&
                     keyword != "decal" && keyword != "refl")) {
                    continue;
                }
                const std::string rest = trim(text.substr(space));
                const auto last = rest.find_last_of(" \t");
                for (const std::string& name :
                     {rest, last == std::string::npos ? rest : rest.substr(last + 1)}) {
                    std::string slashed = name;
                    std::replace(slashed.begin(), slashed.end(), '\\', '/');
                    const fs::path path(slashed);
                    out.push_back((path.is_absolute() ? path : libraryFolder / path).string());
                }
            }
        }
    } else if (extension == ".gltf") {
        std::ifstream in(input);
        const std::string text((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        for (std::size_t at = text.find("\"uri\""); at != std::string::npos;
             at = text.find("\"uri\"", at + 5)) {
            const auto open = text.find('"', text.find(':', at + 5));
            const auto close = open == std::string::npos ? open : text.find('"', open + 1);
            if (close == std::string::npos) {
                break;
            }
            add(text.substr(open + 1, close - open - 1));
        }
    }
    out.insert(out.end(), textures.begin(), textures.end());
    return out;
}

void checkOverwrites(const std::vector<std::string>& outputs,
                     const std::vector<std::string>& referenced, bool force) {
    std::vector<FileIdentity> written;
    for (const std::string& output : outputs) {
        const FileIdentity id = identityOf(output);
        if (std::find(written.begin(), written.end(), id) != written.end()) {
            refuse(printable(output), "two of the files this run writes are the same file");
        }
        written.push_back(id);
        if (force) {
            continue;
        }
        for (std::size_t r = 0; r < referenced.size(); ++r) {
            if (identityOf(referenced[r]) == id) {
                refuse(printable(output),
                       r == 0 ? "this is the input file; refusing to write over it (use --force "
                                "to allow it)"
                              : "the input uses this file (" + printable(referenced[r]) +
                                    "); refusing to write over it (use --force to allow it, or "
                                    "choose another output name)");
            }
        }
    }
}

std::string printable(const std::string& name) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (u < 0x20 || u == 0x7f) {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace peelwise::tools
