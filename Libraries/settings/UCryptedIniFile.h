#pragma once
// INI files read as plain text or in a protected form bound to the user.
//
// Protected form: "!CP <user> on <host>" CR LF, then Base64 in lines of 76
// characters separated by CR LF (none after the last). The Base64 holds a
// 24-byte nonce followed by a libsodium secretbox of the zlib (level 9)
// compressed UTF-8 text. The secretbox key is a 32-byte per-user file of mode
// 0600 in the user's config folder, made the first time a protected file is
// written; a file protected under another key cannot be read.

#include "SysExceptions.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// A file that is not readable: a protected form that does not decode (bad
// Base64, wrong or missing key, broken zlib data) or a file that cannot be written.
LORVANE_DECLARE_EXCEPTION(ECryptedIniError, Exception);

// The operations every INI reader offers; the typed accessors work through
// ReadString/WriteString.
class TCustomIniFile {
public:
    explicit TCustomIniFile(const QString& fileName) : FFileName(fileName) {}
    virtual ~TCustomIniFile() = default;

    const QString& FileName() const { return FFileName; }

    virtual QString ReadString(const QString& section, const QString& name, const QString& defaultValue) const = 0;
    virtual void WriteString(const QString& section, const QString& name, const QString& value) = 0;
    virtual void ReadSection(const QString& section, QStringList& names) const = 0;
    virtual void ReadSections(QStringList& names) const = 0;
    virtual void ReadSectionValues(const QString& section, QStringList& lines) const = 0;
    virtual void EraseSection(const QString& section) = 0;
    virtual void DeleteKey(const QString& section, const QString& name) = 0;
    virtual void UpdateFile() = 0;

    // Decimal or "0x"/"$" hexadecimal; anything else gives the default.
    int ReadInteger(const QString& section, const QString& name, int defaultValue) const;
    void WriteInteger(const QString& section, const QString& name, int value);
    // "." or "," as decimal separator; written with ".".
    double ReadFloat(const QString& section, const QString& name, double defaultValue) const;
    void WriteFloat(const QString& section, const QString& name, double value);
    // A stored integer other than 0 is true; "1"/"0" are written.
    bool ReadBool(const QString& section, const QString& name, bool defaultValue) const;
    void WriteBool(const QString& section, const QString& name, bool value);
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& name) const;

private:
    QString FFileName;
};

class TCryptedIniFile : public TCustomIniFile {
public:
    // Loads the file; a missing or empty file gives no sections. Raises
    // ECryptedIniError when a protected file cannot be decoded.
    explicit TCryptedIniFile(const QString& fileName);

    QString ReadString(const QString& section, const QString& name, const QString& defaultValue) const override;
    void WriteString(const QString& section, const QString& name, const QString& value) override;
    void ReadSection(const QString& section, QStringList& names) const override;
    // Each section name once, in file order.
    void ReadSections(QStringList& names) const override;
    void ReadSectionValues(const QString& section, QStringList& lines) const override;
    // Removes every section of that name.
    void EraseSection(const QString& section) override;
    void DeleteKey(const QString& section, const QString& name) override;
    // Writes the file in the form it was read in (or the one set with
    // SetProtected), through a temporary file; raises ECryptedIniError on failure.
    void UpdateFile() override;

    bool Protected() const { return FProtected; }
    void SetProtected(bool value) { FProtected = value; }

    // The plain text form of the sections: "[name]", the entries, an empty line.
    QString PlainText() const;
    // Replaces the content with the sections parsed from a file's bytes (plain
    // or protected form). Raises ECryptedIniError for a protected form that
    // does not decode.
    void LoadFromBytes(const QByteArray& bytes);
    // The sections parsed from text (no file form involved).
    void LoadFromText(const QString& text);

private:
    struct Section {
        QString name;
        QStringList entries;  // "name=value" or a bare line
    };
    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);

    std::vector<Section> FSections;
    bool FProtected = false;
};

// The protected file form, exposed for tools and tests.
namespace IniProtection {
// The file bytes for a text: header line, CR LF, Base64 lines. Creates the
// per-user key when there is none. Raises ECryptedIniError on failure.
QByteArray protect(const QString& text);
// The text of a protected file's bytes (which start with "!CP"). Raises
// ECryptedIniError when the payload does not decode under the user's key.
QString unprotect(const QByteArray& fileBytes);
// The key file in force (under settingsPaths().userConfigFolder).
QString keyFilePath();
// Base64 in lines of 76 characters joined by CR LF, no break after the last.
QByteArray base64Lines(const QByteArray& data);
}  // namespace IniProtection
