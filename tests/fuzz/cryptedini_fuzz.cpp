// INI file bytes, plain or protected, parsed as the viewer reads its switches.
#include "UCryptedIniFile.h"
#include "USettings.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool once = [] {
        // No key is ever found or made: protected inputs stop at the key lookup.
        setSettingsPaths({QStringLiteral("/nonexistent/lorvane-fuzz/bin/lorvane"),
                          QStringLiteral("/nonexistent/lorvane-fuzz/user"),
                          QStringLiteral("/nonexistent/lorvane-fuzz/machine")});
        return true;
    }();
    (void)once;
    try {
        TCryptedIniFile ini{QString()};
        ini.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
        QStringList sections, lines;
        ini.ReadSections(sections);
        for (const QString& s : sections) {
            ini.ReadSectionValues(s, lines);
            ini.ReadString(s, QStringLiteral("Enabled"), QString());
        }
        (void)ini.PlainText();
    } catch (const ECryptedIniError&) {
    }
    return 0;
}
