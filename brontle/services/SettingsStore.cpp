#include "brontle/services/SettingsStore.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/services/EnvironmentVariable.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <cstdio>

namespace brontle {

namespace {

// Percent-encodes '%', '/' and '\' and, for file names, also ':' and control characters,
// which some file systems refuse. QSettings reads '/' and '\' in a key as group separators, so
// they (and '%', to stay reversible) are encoded before QSettings sees a name; QSettings escapes
// everything else for the INI file itself, and files a section called "General" apart from its
// own top-level [General] section.
std::string percentEscaped(const std::string& name, bool forFileName) {
    std::string escaped;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '/' || c == '\\' || (forFileName && (c == ':' || byte < 0x20))) {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

QString escapedName(const std::string& name) {
    return QString::fromStdString(percentEscaped(name, false));
}

std::string fileNameOf(const std::string& appName) {
    return percentEscaped(appName, true) + ".ini";
}

QString keyPath(const std::string& section, const std::string& key) {
    return escapedName(section) + QLatin1Char('/') + escapedName(key);
}

} // namespace

SettingsStore::SettingsStore(std::string folder) : folder_(std::move(folder)) {}

std::string SettingsStore::folder() const {
    {
        std::lock_guard lock(mutex_);
        if (!folder_.empty()) {
            return folder_;
        }
    }
    if (std::string fromEnvironment = environmentVariable("BRONTLE_SETTINGS_DIR");
        !fromEnvironment.empty()) {
        return fromEnvironment;
    }
    // The generic location, not the per-application one: the host, its plug-ins and its tools
    // are different executables that must find the same files.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Brontle"))
        .toStdString();
}

std::string SettingsStore::fileFor(const std::string& appName) const {
    return QDir(QString::fromStdString(folder()))
        .filePath(QString::fromStdString(fileNameOf(appName)))
        .toStdString();
}

void SettingsStore::setFolder(std::string folder) {
    std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
}

std::string SettingsStore::GetSetting(const std::string& appName, const std::string& section,
                                      const std::string& key,
                                      const std::string& defaultValue) const {
    hostCall("SettingsStore::GetSetting");
    if (appName.empty() || section.empty() || key.empty()) {
        return defaultValue;
    }
    const QSettings file(QString::fromStdString(fileFor(appName)), QSettings::IniFormat);
    const QVariant value = file.value(keyPath(section, key));
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().toStdString();
    case QMetaType::QStringList:
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    case QMetaType::QByteArray:
        return value.toByteArray().toStdString();
    default:
        // Absent, or a typed value this store never writes (an unknown @Variant, @Invalid).
        if (value.isValid() && value.canConvert<QString>()) {
            return value.toString().toStdString();
        }
        return defaultValue;
    }
}

void SettingsStore::SaveSetting(const std::string& appName, const std::string& section,
                                const std::string& key, const std::string& value) {
    hostCall("SettingsStore::SaveSetting");
    if (appName.empty() || section.empty() || key.empty()) {
        throw Error(ErrorNumber::HostBadArgument,
                    "SaveSetting: the application name, section and key must not be empty "
                    "(given \"" +
                        appName + "\", \"" + section + "\", \"" + key + "\")");
    }
    const std::string path = fileFor(appName);
    const std::string where = folder();
    if (!QDir().mkpath(QString::fromStdString(where))) {
        throw Error(ErrorNumber::HostFileUnwritable, path + ": cannot save the setting " + section +
                                                         "/" + key +
                                                         " (the folder cannot be made)");
    }
    QSettings file(QString::fromStdString(path), QSettings::IniFormat);
    file.setValue(keyPath(section, key), QString::fromStdString(value));
    file.sync();
    if (file.status() == QSettings::AccessError) {
        throw Error(ErrorNumber::HostFileUnwritable, path + ": cannot save the setting " + section +
                                                         "/" + key +
                                                         " (the file cannot be written)");
    }
}

SettingsStore& settings() {
    static SettingsStore store;
    return store;
}

void setSettingsFolder(const std::string& folder) {
    settings().setFolder(folder);
}

} // namespace brontle
