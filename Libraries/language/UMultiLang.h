#pragma once
// Run-time translation of the interface texts, which are written in French
// (the source language, 1036).
//
// Texts are looked up when they are shown, in the dictionary of the current
// language (kept per thread; 0 is the source language) and of the kind of text
// (interface texts, document content, imported content). Dictionaries are
// translation files beside the program, loaded at their first lookup; a text
// that is missing is learned (added with itself as its translation) and the
// file is rewritten at the end, so that translators receive complete lists.

#include "SysExceptions.h"
#include "USysUtils.h"
#include "XClasses.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <map>
#include <mutex>
#include <span>

enum TDictionaryType { dtApplication = 0, dtConfiguration = 1, dtImport = 2 };

// French - France.
constexpr int SourceLanguage = 1036;
// The message number listeners receive when the language changes.
constexpr unsigned LanguageChangedMessage = 0xB012;

// One translation file: a sorted, case-sensitive list of entries "key=value".
// Persisted through the filer as: version 0, "LanguageID", "DictionaryType",
// "FileName", "ReadOnly", then the list "Entries" of its lines.
class TLanguageDictionary : public TClipBoardAble {
    LORVANE_PERSISTENT_CLASS(TLanguageDictionary, TClipBoardAble)
public:
    TLanguageDictionary();
    TLanguageDictionary(int languageID, TDictionaryType dictionaryType, const QString& fileName);
    // Saves the file when it was modified; a failure is swallowed here (call
    // SaveDictionaryFile first to learn about it).
    ~TLanguageDictionary() override;

    void WriteToFiler(TVirtualWriter& writer) const override;
    // Raises EFilerException for an unknown version or dictionary type; the
    // loaded dictionary is not modified.
    void ReadFromFiler(TVirtualReader& reader) override;

    int LanguageID() const { return FLanguageID; }
    TDictionaryType DictionaryType() const { return FDictionaryType; }
    const QString& FileName() const { return FFileName; }
    bool Modified() const;
    bool ReadOnly() const;
    void SetReadOnly(bool value);

    // Replaces the entries with the file's (nothing when the file does not
    // exist) and clears the modified flag. Raises Exception "Invalid file
    // format" for a truncated or unknown header, EConvertError for a header
    // that is not a hexadecimal number.
    void LoadDictionaryFile();
    // The entries as a file's bytes; a file's bytes as entries (same rules as
    // LoadDictionaryFile; fileName is used for the language id of a "u0000" header).
    QByteArray DictionaryBytes() const;
    void LoadDictionaryBytes(const QByteArray& bytes, const QString& fileName);
    // Writes the file when modified and not read-only, or when forced. When
    // the file cannot be written a copy goes to the temporary folder and an
    // Exception names both paths.
    void SaveDictionaryFile(bool force = false);

    // The translation of a source text, learning it when missing.
    QString Lookup(const QString& text);
    // The stored value of a key, if any.
    bool Find(const QString& key, QString& value) const;
    // Sets the value of a key (added or replaced) and marks the dictionary modified.
    void SetEntry(const QString& key, const QString& value);
    // The entries as "key=value" lines in their sorted order.
    QStringList Lines() const;
    int Count() const;

private:
    friend void MergeImportEntries(TLanguageDictionary& from, TLanguageDictionary& into);

    int FLanguageID = 0;
    TDictionaryType FDictionaryType = dtApplication;
    QString FFileName;
    std::map<QString, QString> FEntries;  // key -> value, ordered by UTF-16 code units
    QStringList FBareLines;               // lines without "=" met in the file, kept on save
    bool FModified = false;
    bool FReadOnly = false;
    mutable std::recursive_mutex FLock;
};

// Copies every entry of an import dictionary into a content dictionary, both
// name and value escaped as keys are.
void MergeImportEntries(TLanguageDictionary& from, TLanguageDictionary& into);

// ---------------------------------------------------------------------------
// Text rules

// CR LF, a lone CR or a lone LF become "^%"; a space directly before "!" or
// "?" is dropped; "=" becomes U+00AF.
QString EscapeLanguageKey(const QString& text);
// "^%" becomes CR LF, U+00AF "="; with French spacing the signs "!", ":" and
// "?" get a no-break space before them (replacing a space, or inserted when
// the sign ends a word that does not end with a digit).
QString UnescapeLanguageValue(const QString& value, bool frenchSpacing = true);
// Whether a language sets a space before "!", ":" and "?" (the French ones).
inline bool UsesFrenchSpacing(int languageID) { return (languageID & 0x3FF) == 0x0C; }
// The placeholder check of translated formats: empty when the translation may
// replace the source, else the reason ("Hotspot count mismatch", "Hotspots
// order not qualified", "Hotspots mismatched").
QString CheckFormatPlaceholders(const QString& source, const QString& translation);

// ---------------------------------------------------------------------------
// The language service

// Where the service finds the program (its folder holds the translation files
// and the debug switch) and the temporary folder. Empty members take the
// platform's.
struct MultiLangEnvironment {
    QString programFilePath;
    QString tempFolder;
};

// Starts (or restarts) the service: the dictionaries of a previous start are
// saved and dropped, the folders and the debug switch are read again, and the
// calling thread's language is the source language. Lookups before any call
// start it with the platform's folders.
void InitializeMultiLang(const MultiLangEnvironment& environment = {});
// Ends the service: every modified dictionary is saved and all are dropped.
// Raises the first save failure after trying every dictionary.
void FinalizeMultiLang();

QString TranslationFolder();  // with a trailing separator
QString TranslationBaseName();  // folder + program file name without extension
QString DictionaryFileName(int languageID, TDictionaryType dictionaryType);
bool MultiLangDebugDisplay();

// The calling thread's language (0 = source language).
int GetCurrentLanguage();
// Switches the calling thread's language (the source language counts as 0),
// merges imported content and tells every listener.
void SetCurrentLanguage(int languageID);

QString TranslateText(const QString& text, TDictionaryType dictionaryType);
QString Translate(const QString& text);         // interface texts
QString TranslateContent(const QString& text);  // document content
// A caption with a control's settings: unchanged when multiLang is false.
QString TranslateCaption(const QString& caption, bool multiLang, TDictionaryType dictionaryType);
// Translates the format, checks its placeholders against the source and
// formats; a translation that fails the check (or cannot take the arguments)
// gives "TRNERR:" followed by the formatted source.
QString TranslateFormat(const QString& format, std::span<const FormatArg> args,
                        TDictionaryType dictionaryType = dtApplication);
QString TranslateFormat(const QString& format, std::initializer_list<FormatArg> args,
                        TDictionaryType dictionaryType = dtApplication);

// Widgets that repaint their captions when the language changes.
class ILanguageListener {
public:
    virtual ~ILanguageListener() = default;
    virtual void LanguageChanged() = 0;
};
void RegisterLanguageListener(ILanguageListener* listener);
void UnregisterLanguageListener(ILanguageListener* listener);
// Called after the listeners, to repaint every window (set by the viewer).
void SetInvalidateAllWindowsHandler(std::function<void()> handler);
// Told once about each translation file that cannot be read (its texts then
// stay untranslated and the file is left as it is). The message names the
// file and the fault. By default the message goes to the Qt warning output.
void SetDictionaryErrorHandler(std::function<void(const QString& message)> handler);

// The languages offered to the user: the source language and every
// translation file of interface texts beside the program, named in their own
// language, sorted by name.
struct TAvailableLanguage {
    int LanguageID = 0;
    QString Name;
    bool Current = false;  // the current language (the source language when it is 0)
};
QList<TAvailableLanguage> AvailableLanguages();
// A language's own name for itself, such as "Français (France)" for 1036 or
// "English (United States)" for 9.
QString LanguageNativeName(int languageID);
