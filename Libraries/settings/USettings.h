#pragma once
// The settings store: per-user and machine-wide values kept the way the
// registry kept them (key path, value name, string or DWORD value), the INI
// switches file the viewer only reads, and the boolean reading rule shared by
// settings and XML.
//
// Registry values live in QSettings INI files. A key path "Software\Vendor\App\Sub"
// maps to the file <root>/Vendor/App.conf, group "Sub"; "Software\Vendor" maps to
// <root>/Vendor.conf. The per-user root is the user's config folder, the
// machine-wide root the system config folder. Strings are stored as text,
// DWORDs as "dword:" followed by eight hexadecimal digits so that an integer
// stays an integer when it is read back.
//
// None of the helpers here raises: reads fall back to their default, writes
// report failure.

#include <QString>
#include <optional>

enum class TRegistryRoot { CurrentUser, LocalMachine };

inline constexpr TRegistryRoot HKEY_CURRENT_USER = TRegistryRoot::CurrentUser;
inline constexpr TRegistryRoot HKEY_LOCAL_MACHINE = TRegistryRoot::LocalMachine;

// Where the settings live. Every folder can be replaced, so that a test (or a
// portable installation) never touches the real user's files.
struct SettingsPaths {
    QString programFilePath;      // the program's own file; the INI beside it wins
    QString userConfigFolder;     // per-user registry root, INI folder, protection key
    QString machineConfigFolder;  // machine-wide registry root, common application data
};

// The folders in force: the ones set with setSettingsPaths, else the platform's
// (application file path, the user's config folder, the system config folder).
SettingsPaths settingsPaths();
// Replaces the folders (empty members keep the platform's) and forgets the
// cached INI location. resetSettingsPaths() goes back to the platform's.
void setSettingsPaths(const SettingsPaths& paths);
void resetSettingsPaths();

// A value as the registry types it.
struct RegistryValue {
    enum Kind { String, DWord };
    Kind kind = String;
    QString text;        // for String
    quint32 number = 0;  // for DWord
};

// The store behind the registry helpers. The default one is the QSettings
// layout described above; tests may install their own.
class IRegistryStore {
public:
    virtual ~IRegistryStore() = default;
    // The value, or nothing when the key or the value is missing or unreadable.
    virtual std::optional<RegistryValue> readValue(TRegistryRoot root, const QString& key,
                                                   const QString& name) = 0;
    // Creates the key when missing; false when the value could not be stored.
    virtual bool writeValue(TRegistryRoot root, const QString& key, const QString& name,
                            const RegistryValue& value) = 0;
};

// QSettings files under two root folders.
class IniRegistryStore : public IRegistryStore {
public:
    IniRegistryStore(const QString& userRoot, const QString& machineRoot);
    std::optional<RegistryValue> readValue(TRegistryRoot root, const QString& key,
                                           const QString& name) override;
    bool writeValue(TRegistryRoot root, const QString& key, const QString& name,
                    const RegistryValue& value) override;
    // The file and group that hold a key ("" group for the file's top level);
    // nothing for an empty key path.
    std::optional<std::pair<QString, QString>> location(TRegistryRoot root, const QString& key) const;

private:
    QString FUserRoot;
    QString FMachineRoot;
};

// Installs a store for the registry helpers (not owned; nullptr goes back to
// the QSettings files under settingsPaths()).
void setRegistryStore(IRegistryStore* store);

QString ReadRegString(TRegistryRoot root, const QString& key, const QString& valueName,
                      const QString& defaultValue);
int ReadRegInteger(TRegistryRoot root, const QString& key, const QString& valueName, int defaultValue);
// Both writes leave the store untouched when it already holds the value.
bool WriteRegString(TRegistryRoot root, const QString& key, const QString& valueName, const QString& text);
bool WriteRegInteger(TRegistryRoot root, const QString& key, const QString& valueName, int number);

// The INI switches file: beside the program when there is one, else in the
// user's folder under "Veltrano/" (an older one directly in that folder is
// moved there). Computed once and cached until setSettingsPaths.
QString iniFilePath();
// The value of [section] key in the INI file, or the default when the file,
// the section or the key is missing or the file cannot be read.
QString ReadIniSetting(const QString& section, const QString& key, const QString& defaultValue);

// Empty text gives the default; a first character among "YyOo1TtVvJjDd" or the
// text "-1" gives true; anything else false.
bool StrToBoolDef(const QString& text, bool defaultValue);

// Special folders the other modules ask for, each with a trailing separator.
enum class TSpecialFolder { LocalAppData, AppData, CommonAppData };
QString GetSpecialFolderPath(TSpecialFolder folder);
