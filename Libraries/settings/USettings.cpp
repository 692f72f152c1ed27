#include "USettings.h"

#include "UCryptedIniFile.h"
#include "USysUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <atomic>
#include <mutex>

namespace {

std::mutex gPathsLock;
SettingsPaths gOverride;     // empty members: the platform's folder
QString gIniPath;            // cached INI location, empty until computed

QString platformUserConfigFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return folder;
}

QString platformMachineConfigFolder() {
    const QString user = platformUserConfigFolder();
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        if (folder != user) return folder;
    return QStringLiteral("/etc/xdg");
}

QString withSeparator(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
}

// The path with the extension of its file name replaced (or added).
QString changeFileExt(const QString& path, const QString& ext) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) return path.left(dot) + ext;
    return path + ext;
}

std::atomic<IRegistryStore*> gStore{nullptr};

const QLatin1String kDWordPrefix("dword:");
const QLatin1String kStringPrefix("sz:");

QString encodeValue(const RegistryValue& value) {
    if (value.kind == RegistryValue::DWord)
        return kDWordPrefix + QStringLiteral("%1").arg(value.number, 8, 16, QLatin1Char('0'));
    if (value.text.startsWith(kDWordPrefix) || value.text.startsWith(kStringPrefix))
        return kStringPrefix + value.text;
    return value.text;
}

RegistryValue decodeValue(const QString& stored) {
    RegistryValue value;
    if (stored.startsWith(kDWordPrefix)) {
        const QString digits = stored.mid(kDWordPrefix.size());
        bool ok = false;
        const qulonglong n = digits.toULongLong(&ok, 16);
        if (ok && !digits.isEmpty() && digits.size() <= 8 && !digits.startsWith(QLatin1Char('+')) &&
            !digits.startsWith(QLatin1Char('-'))) {
            value.kind = RegistryValue::DWord;
            value.number = static_cast<quint32>(n);
            return value;
        }
    }
    value.text = stored.startsWith(kStringPrefix) ? stored.mid(kStringPrefix.size()) : stored;
    return value;
}

// Value names are matched case-insensitively, as the registry does.
QString existingName(const QSettings& settings, const QString& name) {
    if (settings.contains(name)) return name;
    const QStringList keys = settings.childKeys();
    for (const QString& key : keys)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return key;
    return name;
}

bool validValueName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

}  // namespace

SettingsPaths settingsPaths() {
    SettingsPaths paths;
    {
        std::lock_guard<std::mutex> lock(gPathsLock);
        paths = gOverride;
    }
    if (paths.programFilePath.isEmpty() && QCoreApplication::instance())
        paths.programFilePath = QCoreApplication::applicationFilePath();
    if (paths.userConfigFolder.isEmpty()) paths.userConfigFolder = platformUserConfigFolder();
    if (paths.machineConfigFolder.isEmpty()) paths.machineConfigFolder = platformMachineConfigFolder();
    return paths;
}

void setSettingsPaths(const SettingsPaths& paths) {
    std::lock_guard<std::mutex> lock(gPathsLock);
    gOverride = paths;
    gIniPath.clear();
}

void resetSettingsPaths() { setSettingsPaths(SettingsPaths{}); }

// ---------------------------------------------------------------------------
// Registry values in QSettings files

IniRegistryStore::IniRegistryStore(const QString& userRoot, const QString& machineRoot)
    : FUserRoot(userRoot), FMachineRoot(machineRoot) {}

std::optional<std::pair<QString, QString>> IniRegistryStore::location(TRegistryRoot root,
                                                                      const QString& key) const {
    QStringList parts = QString(key).replace(QLatin1Char('/'), QLatin1Char('\\'))
                            .split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() > 1 && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty()) return std::nullopt;
    for (const QString& part : parts)
        if (part == QLatin1String(".") || part == QLatin1String("..")) return std::nullopt;
    const QString base = root == TRegistryRoot::CurrentUser ? FUserRoot : FMachineRoot;
    if (base.isEmpty()) return std::nullopt;
    if (parts.size() == 1) return std::make_pair(withSeparator(base) + parts[0] + QLatin1String(".conf"), QString());
    const QString file = withSeparator(base) + parts[0] + QLatin1Char('/') + parts[1] + QLatin1String(".conf");
    return std::make_pair(file, parts.mid(2).join(QLatin1Char('/')));
}

std::optional<RegistryValue> IniRegistryStore::readValue(TRegistryRoot root, const QString& key,
                                                         const QString& name) {
    const auto where = location(root, key);
    if (!where || !validValueName(name) || !QFileInfo(where->first).isFile()) return std::nullopt;
    QSettings settings(where->first, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return std::nullopt;
    if (!where->second.isEmpty()) settings.beginGroup(where->second);
    const QString stored = existingName(settings, name);
    if (!settings.contains(stored)) return std::nullopt;
    const QVariant variant = settings.value(stored);
    // A hand-written line with commas reads back as a list: keep its text.
    const QString text = variant.typeId() == QMetaType::QStringList
                             ? variant.toStringList().join(QLatin1String(", "))
                             : variant.toString();
    return decodeValue(text);
}

bool IniRegistryStore::writeValue(TRegistryRoot root, const QString& key, const QString& name,
                                  const RegistryValue& value) {
    const auto where = location(root, key);
    if (!where || !validValueName(name)) return false;
    const QFileInfo file(where->first);
    if (!QDir().mkpath(file.absolutePath())) return false;
    QSettings settings(where->first, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return false;
    if (!where->second.isEmpty()) settings.beginGroup(where->second);
    settings.setValue(existingName(settings, name), encodeValue(value));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

void setRegistryStore(IRegistryStore* store) { gStore.store(store); }

namespace {

template <typename F>
auto withStore(F&& f) {
    if (IRegistryStore* store = gStore.load()) return f(*store);
    const SettingsPaths paths = settingsPaths();
    IniRegistryStore store(paths.userConfigFolder, paths.machineConfigFolder);
    return f(store);
}

std::optional<RegistryValue> readRegistry(TRegistryRoot root, const QString& key, const QString& name) {
    try {
        return withStore([&](IRegistryStore& store) { return store.readValue(root, key, name); });
    } catch (...) {
        return std::nullopt;
    }
}

bool writeRegistry(TRegistryRoot root, const QString& key, const QString& name, const RegistryValue& value) {
    try {
        return withStore([&](IRegistryStore& store) { return store.writeValue(root, key, name, value); });
    } catch (...) {
        return false;
    }
}

}  // namespace

QString ReadRegString(TRegistryRoot root, const QString& key, const QString& valueName,
                      const QString& defaultValue) {
    const auto value = readRegistry(root, key, valueName);
    if (value && value->kind == RegistryValue::String) return value->text;
    return defaultValue;
}

int ReadRegInteger(TRegistryRoot root, const QString& key, const QString& valueName, int defaultValue) {
    const auto value = readRegistry(root, key, valueName);
    if (value && value->kind == RegistryValue::DWord) return static_cast<int>(value->number);
    return defaultValue;
}

bool WriteRegString(TRegistryRoot root, const QString& key, const QString& valueName, const QString& text) {
    // A missing value, or one of another type, always counts as different.
    const auto current = readRegistry(root, key, valueName);
    if (current && current->kind == RegistryValue::String && current->text == text) return true;
    RegistryValue value;
    value.text = text;
    return writeRegistry(root, key, valueName, value);
}

bool WriteRegInteger(TRegistryRoot root, const QString& key, const QString& valueName, int number) {
    // number + 1, wrapping, never equals number: a missing value counts as different.
    const int different = static_cast<int>(static_cast<quint32>(number) + 1u);
    if (ReadRegInteger(root, key, valueName, different) == number) return true;
    RegistryValue value;
    value.kind = RegistryValue::DWord;
    value.number = static_cast<quint32>(number);
    return writeRegistry(root, key, valueName, value);
}

// ---------------------------------------------------------------------------
// INI switches file

QString iniFilePath() {
    {
        std::lock_guard<std::mutex> lock(gPathsLock);
        if (!gIniPath.isEmpty()) return gIniPath;
    }
    const SettingsPaths paths = settingsPaths();
    QString result;
    const QString besideProgram =
        paths.programFilePath.isEmpty() ? QString() : changeFileExt(paths.programFilePath, QStringLiteral(".ini"));
    if (!besideProgram.isEmpty() && QFileInfo::exists(besideProgram)) {
        result = besideProgram;
    } else {
        const QString iniName =
            besideProgram.isEmpty() ? QStringLiteral("lorvane.ini") : QFileInfo(besideProgram).fileName();
        const QString folder = withSeparator(paths.userConfigFolder);
        const QString vendorFolder = folder + QLatin1String("Veltrano/");
        result = vendorFolder + iniName;
        if (!QFileInfo::exists(result)) {
            QDir().mkpath(vendorFolder);
            const QString older = folder + iniName;
            // When the move fails the older file is still the one to read.
            if (QFileInfo(older).isFile() && !QFile::rename(older, result)) result = older;
        }
    }
    std::lock_guard<std::mutex> lock(gPathsLock);
    if (gIniPath.isEmpty()) gIniPath = result;
    return gIniPath;
}

QString ReadIniSetting(const QString& section, const QString& key, const QString& defaultValue) {
    try {
        const QString path = iniFilePath();
        if (!QFileInfo(path).isFile()) return defaultValue;
        const TCryptedIniFile ini(path);
        return ini.ReadString(section, key, defaultValue);
    } catch (...) {
        return defaultValue;
    }
}

bool StrToBoolDef(const QString& text, bool defaultValue) {
    return text.isEmpty() ? defaultValue : IsTrueText(text);
}

QString GetSpecialFolderPath(TSpecialFolder folder) {
    const SettingsPaths paths = settingsPaths();
    switch (folder) {
        case TSpecialFolder::CommonAppData:
            return withSeparator(paths.machineConfigFolder);
        case TSpecialFolder::LocalAppData:
        case TSpecialFolder::AppData:
            break;
    }
    return withSeparator(paths.userConfigFolder);
}
