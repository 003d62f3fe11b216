// Fuzzes the settings store's reading path: the bytes are an application's INI file, edited by
// hand or damaged, and the store reads values from it. A file that cannot be parsed never fails
// a read (it counts as absent), so every read must simply return; nothing here may throw.

#include "ScratchFolder.h"
#include "brontle/services/SettingsStore.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The (section, key) pairs to look up: a few fixed names, including the awkward ones the store
// escapes, plus every "[section]" / "key=" pair the file appears to hold, so the fuzzer can reach
// values it wrote itself.
std::vector<std::pair<std::string, std::string>> lookups(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> pairs{
        {"General", "Factor"}, {"Peelwise", "Size"}, {"a/b", "c\\d"}, {"%41", "key with spaces"}};
    std::string section = "General";
    std::size_t start = 0;
    while (start < text.size() && pairs.size() < 64) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        if (line.size() > 2 && line.front() == '[' && line.find(']') != std::string::npos) {
            section = line.substr(1, line.find(']') - 1);
        } else if (const std::size_t eq = line.find('='); eq != std::string::npos && eq > 0) {
            pairs.emplace_back(section, line.substr(0, eq));
        }
        start = end + 1;
    }
    return pairs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_settings";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static const peelwise::fuzz::ScratchFolder folder;
    static brontle::SettingsStore store(folder.file(""));
    // QSettings caches parsed files by path and trusts the cache while size and time stamp
    // look unchanged, so every input gets a file name of its own.
    static unsigned long long run = 0;
    const std::string appName = "fuzz" + std::to_string(++run);
    const std::string path = store.fileFor(appName);
    folder.write(path.substr(path.rfind('/') + 1), data, size);

    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const auto& [section, key] : lookups(text)) {
        const std::string value = store.GetSetting(appName, section, key, "default");
        (void)value;
    }
    std::remove(path.c_str());
    return 0;
}
