// Translation file bytes, every header form, read as a dictionary and written back.
#include "UMultiLang.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        TLanguageDictionary dictionary;
        dictionary.LoadDictionaryBytes(bytes, QStringLiteral("app-0409.LAND"));
        const QByteArray written = dictionary.DictionaryBytes();
        TLanguageDictionary again;
        again.LoadDictionaryBytes(written, QString());
        if (again.Lines() != dictionary.Lines()) __builtin_trap();  // the written form must read back
        for (const QString& line : dictionary.Lines()) (void)dictionary.Lookup(line.left(line.indexOf('=')));
        (void)UnescapeLanguageValue(QString::fromUtf8(bytes));
        (void)CheckFormatPlaceholders(QString::fromUtf8(bytes), QStringLiteral("%0:s %1:d"));
    } catch (const Exception&) {
    }
    return 0;
}
