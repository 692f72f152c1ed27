// The language service: current language, dictionaries, listeners, formats.
#include "UMultiLang.h"
#include "UMultiLangInternal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

namespace {

struct ServiceState {
    std::mutex initLock;  // one start at a time
    std::atomic<bool> initialized{false};

    std::mutex envLock;  // the members below
    QString programFilePath;
    QString tempFolder;
    QString translationFolder;  // computed at first need
    bool debugDisplay = false;

    std::recursive_mutex dictionariesLock;
    std::vector<std::unique_ptr<TLanguageDictionary>> dictionaries;

    std::recursive_mutex listenersLock;
    QList<ILanguageListener*> listeners;
    std::function<void()> invalidateAllWindows;
    std::function<void(const QString&)> dictionaryError;  // under dictionariesLock
};

ServiceState& state() {
    static ServiceState* s = new ServiceState;  // lives to the very end of the process
    return *s;
}

thread_local int tCurrentLanguage = 0;

QString withSeparator(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

QString withoutExtension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

QString programFolder(const QString& programFilePath) {
    return withSeparator(QFileInfo(programFilePath).absolutePath());
}

// The program's folder when a file can be written there, else the temporary folder.
QString computeTranslationFolder(const QString& programFilePath, const QString& tempFolder) {
    if (!programFilePath.isEmpty()) {
        const QString folder = programFolder(programFilePath);
        QFile probe(folder + QLatin1String("dummy.land"));
        if (probe.exists()) {
            if (probe.open(QIODevice::ReadWrite)) return folder;
        } else if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const bool written = probe.write("a", 1) == 1;
            probe.close();
            probe.remove();
            if (written) return folder;
        }
    }
    return withSeparator(tempFolder);
}

void saveAndDropAll(bool rethrow) {
    ServiceState& s = state();
    std::vector<std::unique_ptr<TLanguageDictionary>> dictionaries;
    {
        std::lock_guard<std::recursive_mutex> lock(s.dictionariesLock);
        dictionaries.swap(s.dictionaries);
    }
    std::exception_ptr first;
    for (auto& dictionary : dictionaries) {
        try {
            dictionary->SaveDictionaryFile();
        } catch (...) {
            if (!first) first = std::current_exception();
            // Already reported once: the destructor must not write a second copy.
            dictionary->SetReadOnly(true);
        }
    }
    dictionaries.clear();
    if (first && rethrow) std::rethrow_exception(first);
}

void startService(const MultiLangEnvironment& environment) {
    ServiceState& s = state();
    saveAndDropAll(false);
    QString program = environment.programFilePath;
    if (program.isEmpty() && QCoreApplication::instance()) program = QCoreApplication::applicationFilePath();
    QString temp = environment.tempFolder;
    if (temp.isEmpty()) {
        temp = QDir::tempPath();
        const QString canonical = QFileInfo(temp).canonicalFilePath();
        if (!canonical.isEmpty()) temp = canonical;
    }
    const bool debug =
        !program.isEmpty() && QFileInfo::exists(programFolder(program) +
                                                withoutExtension(QFileInfo(program).fileName()) +
                                                QLatin1String(".multilangdebug"));
    {
        std::lock_guard<std::mutex> lock(s.envLock);
        s.programFilePath = program;
        s.tempFolder = temp;
        s.translationFolder.clear();
        s.debugDisplay = debug;
    }
    tCurrentLanguage = 0;
    s.initialized = true;
}

void ensureStarted() {
    ServiceState& s = state();
    if (s.initialized) return;
    std::lock_guard<std::mutex> lock(s.initLock);
    if (!s.initialized) startService({});
}

QString currentProgramFilePath() {
    ensureStarted();
    ServiceState& s = state();
    std::lock_guard<std::mutex> lock(s.envLock);
    return s.programFilePath;
}

TLanguageDictionary* findDictionary(int languageID, TDictionaryType type) {
    ServiceState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.dictionariesLock);
    for (const auto& d : s.dictionaries)
        if (d->LanguageID() == languageID && d->DictionaryType() == type) return d.get();
    return nullptr;
}

// The dictionary of a (language, type) pair, made and loaded at its first use.
// A file that cannot be read gives an empty dictionary that neither learns
// nor saves, so that the file is never overwritten; the texts stay untranslated.
TLanguageDictionary& dictionaryFor(int languageID, TDictionaryType type) {
    ServiceState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.dictionariesLock);
    if (TLanguageDictionary* found = findDictionary(languageID, type)) return *found;
    const QString fileName = DictionaryFileName(languageID, type);
    auto dictionary = std::make_unique<TLanguageDictionary>(languageID, type, fileName);
    QString error;
    try {
        // A program installed where the user may not write keeps its learnt
        // entries elsewhere (the translation folder): until that copy exists,
        // the translations are read from the file shipped beside the program.
        const QString shipped = programFolder(currentProgramFilePath()) + QFileInfo(fileName).fileName();
        QFile installed(shipped);
        if (!QFileInfo::exists(fileName) && shipped != fileName && !currentProgramFilePath().isEmpty() && installed.open(QIODevice::ReadOnly))
            dictionary->LoadDictionaryBytes(installed.readAll(), shipped);
        else
            dictionary->LoadDictionaryFile();
    } catch (const Exception& e) {
        error = e.message();
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    }
    if (!error.isNull()) {
        dictionary = std::make_unique<TLanguageDictionary>(languageID, type, fileName);
        dictionary->SetReadOnly(true);
    }
    s.dictionaries.push_back(std::move(dictionary));
    TLanguageDictionary& result = *s.dictionaries.back();
    if (!error.isNull()) {
        const QString message = QStringLiteral("%1: %2").arg(fileName, error);
        if (s.dictionaryError) s.dictionaryError(message);
        else qWarning("%s", qUtf8Printable(message));
    }
    return result;
}

// ---------------------------------------------------------------------------
// Placeholders of formats

struct Placeholders {
    QStringList order;                     // distinct texts, in order of first use
    std::map<QString, QList<int>> positions;
};

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

Placeholders scanPlaceholders(const QString& text) {
    Placeholders found;
    const qsizetype n = text.size();
    qsizetype i = 0;
    int occurrence = 0;
    while (i < n) {
        if (text.at(i) != QLatin1Char('%')) {
            ++i;
            continue;
        }
        if (i + 1 < n && text.at(i + 1) == QLatin1Char('%')) {
            i += 2;
            continue;
        }
        qsizetype j = i + 1;
        qsizetype k = j;
        while (k < n && isDigit(text.at(k))) ++k;
        bool widthAfterPercent = false;
        if (k > j && k < n && text.at(k) == QLatin1Char(':')) {
            j = k + 1;  // an index of its own
        } else if (k > j) {
            j = k;  // a width written directly after "%": no precision may follow
            widthAfterPercent = true;
        }
        if (!widthAfterPercent) {
            if (j < n && text.at(j) == QLatin1Char('-')) ++j;
            while (j < n && isDigit(text.at(j))) ++j;
            if (j < n && text.at(j) == QLatin1Char('.')) {
                ++j;
                while (j < n && isDigit(text.at(j))) ++j;
            }
        }
        if (j >= n || !QStringView(u"defgmnpsuxDEFGMNPSUX").contains(text.at(j))) break;  // malformed: stop
        const QString placeholder = text.mid(i, j - i + 1);
        auto [it, added] = found.positions.try_emplace(placeholder);
        if (added) found.order.append(placeholder);
        it->second.append(occurrence++);
        i = j + 1;
    }
    return found;
}

// ---------------------------------------------------------------------------
// Native language names

struct LangIdName {
    int id;
    const char* locale;
};

// Windows language ids and the locales they stand for.
constexpr LangIdName kLangIds[] = {
    {0x0401, "ar_SA"}, {0x0402, "bg_BG"}, {0x0403, "ca_ES"}, {0x0404, "zh_TW"}, {0x0405, "cs_CZ"},
    {0x0406, "da_DK"}, {0x0407, "de_DE"}, {0x0408, "el_GR"}, {0x0409, "en_US"}, {0x040A, "es_ES"},
    {0x040B, "fi_FI"}, {0x040C, "fr_FR"}, {0x040D, "he_IL"}, {0x040E, "hu_HU"}, {0x040F, "is_IS"},
    {0x0410, "it_IT"}, {0x0411, "ja_JP"}, {0x0412, "ko_KR"}, {0x0413, "nl_NL"}, {0x0414, "nb_NO"},
    {0x0415, "pl_PL"}, {0x0416, "pt_BR"}, {0x0417, "rm_CH"}, {0x0418, "ro_RO"}, {0x0419, "ru_RU"},
    {0x041A, "hr_HR"}, {0x041B, "sk_SK"}, {0x041C, "sq_AL"}, {0x041D, "sv_SE"}, {0x041E, "th_TH"},
    {0x041F, "tr_TR"}, {0x0420, "ur_PK"}, {0x0421, "id_ID"}, {0x0422, "uk_UA"}, {0x0423, "be_BY"},
    {0x0424, "sl_SI"}, {0x0425, "et_EE"}, {0x0426, "lv_LV"}, {0x0427, "lt_LT"}, {0x0429, "fa_IR"},
    {0x042A, "vi_VN"}, {0x042B, "hy_AM"}, {0x042C, "az_Latn_AZ"}, {0x042D, "eu_ES"}, {0x042F, "mk_MK"},
    {0x0436, "af_ZA"}, {0x0437, "ka_GE"}, {0x0438, "fo_FO"}, {0x0439, "hi_IN"}, {0x043E, "ms_MY"},
    {0x043F, "kk_KZ"}, {0x0441, "sw_KE"}, {0x0443, "uz_Latn_UZ"}, {0x0445, "bn_IN"}, {0x0446, "pa_IN"},
    {0x0447, "gu_IN"}, {0x0449, "ta_IN"}, {0x044A, "te_IN"}, {0x044B, "kn_IN"}, {0x044C, "ml_IN"},
    {0x044E, "mr_IN"}, {0x0456, "gl_ES"}, {0x0801, "ar_IQ"}, {0x0804, "zh_CN"}, {0x0807, "de_CH"},
    {0x0809, "en_GB"}, {0x080A, "es_MX"}, {0x080C, "fr_BE"}, {0x0810, "it_CH"}, {0x0813, "nl_BE"},
    {0x0814, "nn_NO"}, {0x0816, "pt_PT"}, {0x081A, "sr_Latn_RS"}, {0x081D, "sv_FI"}, {0x0C01, "ar_EG"},
    {0x0C04, "zh_HK"}, {0x0C07, "de_AT"}, {0x0C09, "en_AU"}, {0x0C0A, "es_ES"}, {0x0C0C, "fr_CA"},
    {0x0C1A, "sr_Cyrl_RS"}, {0x1004, "zh_SG"}, {0x1007, "de_LU"}, {0x1009, "en_CA"}, {0x100A, "es_GT"},
    {0x100C, "fr_CH"}, {0x1407, "de_LI"}, {0x1409, "en_NZ"}, {0x140A, "es_CR"}, {0x140C, "fr_LU"},
    {0x1809, "en_IE"}, {0x180C, "fr_MC"}, {0x1C09, "en_ZA"}, {0x2C0A, "es_AR"}, {0x4009, "en_IN"},
};

// Primary language ids (the low ten bits) and their language codes.
constexpr LangIdName kPrimaryLanguages[] = {
    {0x01, "ar"}, {0x02, "bg"}, {0x03, "ca"}, {0x04, "zh"}, {0x05, "cs"}, {0x06, "da"}, {0x07, "de"},
    {0x08, "el"}, {0x09, "en"}, {0x0A, "es"}, {0x0B, "fi"}, {0x0C, "fr"}, {0x0D, "he"}, {0x0E, "hu"},
    {0x0F, "is"}, {0x10, "it"}, {0x11, "ja"}, {0x12, "ko"}, {0x13, "nl"}, {0x14, "nb"}, {0x15, "pl"},
    {0x16, "pt"}, {0x17, "rm"}, {0x18, "ro"}, {0x19, "ru"}, {0x1A, "hr"}, {0x1B, "sk"}, {0x1C, "sq"},
    {0x1D, "sv"}, {0x1E, "th"}, {0x1F, "tr"}, {0x20, "ur"}, {0x21, "id"}, {0x22, "uk"}, {0x23, "be"},
    {0x24, "sl"}, {0x25, "et"}, {0x26, "lv"}, {0x27, "lt"}, {0x29, "fa"}, {0x2A, "vi"}, {0x2B, "hy"},
    {0x2C, "az"}, {0x2D, "eu"}, {0x2F, "mk"}, {0x36, "af"}, {0x37, "ka"}, {0x38, "fo"}, {0x39, "hi"},
    {0x3E, "ms"}, {0x3F, "kk"}, {0x41, "sw"}, {0x43, "uz"}, {0x45, "bn"}, {0x46, "pa"}, {0x47, "gu"},
    {0x49, "ta"}, {0x4A, "te"}, {0x4B, "kn"}, {0x4C, "ml"}, {0x4E, "mr"}, {0x56, "gl"},
};

const char* localeOfLangId(int id) {
    for (const LangIdName& e : kLangIds)
        if (e.id == id) return e.locale;
    for (const LangIdName& e : kPrimaryLanguages)
        if (e.id == (id & 0x3FF)) return e.locale;
    return nullptr;
}

QString capitalized(QString s) {
    if (!s.isEmpty()) s[0] = s.at(0).toUpper();
    return s;
}

}  // namespace

// ---------------------------------------------------------------------------

QString MultiLangInternal::tempFolder() {
    ensureStarted();
    ServiceState& s = state();
    std::lock_guard<std::mutex> lock(s.envLock);
    return s.tempFolder;
}

void InitializeMultiLang(const MultiLangEnvironment& environment) {
    ServiceState& s = state();
    std::lock_guard<std::mutex> lock(s.initLock);
    startService(environment);
}

void FinalizeMultiLang() { saveAndDropAll(true); }

QString TranslationFolder() {
    ensureStarted();
    ServiceState& s = state();
    std::lock_guard<std::mutex> lock(s.envLock);
    if (s.translationFolder.isEmpty())
        s.translationFolder = computeTranslationFolder(s.programFilePath, s.tempFolder);
    return s.translationFolder;
}

QString TranslationBaseName() {
    const QString program = currentProgramFilePath();
    const QString name = program.isEmpty() ? QStringLiteral("lorvane") : QFileInfo(program).fileName();
    return TranslationFolder() + withoutExtension(name);
}

QString DictionaryFileName(int languageID, TDictionaryType dictionaryType) {
    static const char* const extensions[] = {".LAND", ".CLAND", ".ILAND"};
    const int type = std::clamp(static_cast<int>(dictionaryType), 0, 2);
    return TranslationBaseName() + QLatin1Char('-') + IntToHex(languageID, 4) + QLatin1String(extensions[type]);
}

bool MultiLangDebugDisplay() {
    ensureStarted();
    ServiceState& s = state();
    std::lock_guard<std::mutex> lock(s.envLock);
    return s.debugDisplay;
}

int GetCurrentLanguage() { return tCurrentLanguage; }

void SetCurrentLanguage(int languageID) {
    ensureStarted();
    if (languageID == SourceLanguage) languageID = 0;
    if (languageID < 0 || languageID > 0xFFFF) return;  // not a language id
    if (languageID == tCurrentLanguage) return;
    tCurrentLanguage = languageID;

    // Imported content joins the content dictionary of the new language.
    if (languageID != 0) {
        ServiceState& s = state();
        std::lock_guard<std::recursive_mutex> lock(s.dictionariesLock);
        if (findDictionary(languageID, dtImport) || QFileInfo::exists(DictionaryFileName(languageID, dtImport)))
            MergeImportEntries(dictionaryFor(languageID, dtImport), dictionaryFor(languageID, dtConfiguration));
    }

    ServiceState& s = state();
    {
        std::lock_guard<std::recursive_mutex> lock(s.listenersLock);
        // By index over the live list: a listener may unregister itself or another.
        for (qsizetype i = 0; i < s.listeners.size(); ++i) {
            ILanguageListener* listener = s.listeners.at(i);
            listener->LanguageChanged();
            if (i < s.listeners.size() && s.listeners.at(i) != listener) --i;
        }
    }
    std::function<void()> invalidate;
    {
        std::lock_guard<std::recursive_mutex> lock(s.listenersLock);
        invalidate = s.invalidateAllWindows;
    }
    if (invalidate) invalidate();
}

QString TranslateText(const QString& text, TDictionaryType dictionaryType) {
    if (text.isEmpty()) return QString();
    if (MultiLangDebugDisplay()) return QLatin1String("[#") + text + QLatin1String("#]");
    const int language = tCurrentLanguage;
    if (language == 0 || text.startsWith(QLatin1Char('!')))
        return text.startsWith(QLatin1Char('!')) ? text.mid(1) : text;
    return dictionaryFor(language, dictionaryType).Lookup(text);
}

QString Translate(const QString& text) { return TranslateText(text, dtApplication); }

QString TranslateContent(const QString& text) { return TranslateText(text, dtConfiguration); }

QString TranslateCaption(const QString& caption, bool multiLang, TDictionaryType dictionaryType) {
    return multiLang ? TranslateText(caption, dictionaryType) : caption;
}

QString CheckFormatPlaceholders(const QString& source, const QString& translation) {
    const Placeholders src = scanPlaceholders(source);
    if (src.order.isEmpty()) return QString();
    const Placeholders trn = scanPlaceholders(translation);
    if (src.order.size() != trn.order.size()) return QStringLiteral("Hotspot count mismatch");
    bool several = src.order.size() >= 2;
    for (const auto& [text, positions] : src.positions) several = several || positions.size() > 1;
    if (several)
        for (const QString& text : src.order)
            if (!text.contains(QLatin1Char(':'))) return QStringLiteral("Hotspots order not qualified");
    QStringList a = src.order, b = trn.order;
    a.sort();
    b.sort();
    if (a != b) return QStringLiteral("Hotspots mismatched");
    return QString();
}

QString TranslateFormat(const QString& format, std::span<const FormatArg> args, TDictionaryType dictionaryType) {
    const QString untranslated = format.startsWith(QLatin1Char('!')) ? format.mid(1) : format;
    QString translated = TranslateText(format, dictionaryType);
    const QString failed = QLatin1String("TRNERR:") + format;
    if (!format.startsWith(QLatin1Char('!')) && translated != format &&
        !CheckFormatPlaceholders(format, translated).isEmpty())
        translated = failed;
    if (translated == untranslated || translated == failed) return Format(translated, args);
    try {
        return Format(translated, args);
    } catch (const EConvertError&) {
        // A translation the arguments do not fit is the translator's fault, not the caller's.
        return Format(failed, args);
    }
}

QString TranslateFormat(const QString& format, std::initializer_list<FormatArg> args,
                        TDictionaryType dictionaryType) {
    return TranslateFormat(format, std::span<const FormatArg>(args.begin(), args.size()), dictionaryType);
}

void RegisterLanguageListener(ILanguageListener* listener) {
    if (!listener) return;
    ServiceState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.listenersLock);
    if (!s.listeners.contains(listener)) s.listeners.append(listener);
}

void UnregisterLanguageListener(ILanguageListener* listener) {
    ServiceState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.listenersLock);
    s.listeners.removeAll(listener);
}

void SetInvalidateAllWindowsHandler(std::function<void()> handler) {
    ServiceState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.listenersLock);
    s.invalidateAllWindows = std::move(handler);
}

void SetDictionaryErrorHandler(std::function<void(const QString& message)> handler) {
    ServiceState& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.dictionariesLock);
    s.dictionaryError = std::move(handler);
}

QString LanguageNativeName(int languageID) {
    const char* name = localeOfLangId(languageID);
    if (!name) return QStringLiteral("Language %1").arg(IntToHex(languageID, 4));
    const QLocale locale{QLatin1String(name)};
    QString language;
    switch (locale.language()) {
        // Qt names these by a regional variant ("American English"); the menu wants the language.
        case QLocale::English: language = QStringLiteral("English"); break;
        case QLocale::Spanish: language = QStringLiteral("Español"); break;
        default:
            language = capitalized(QLocale(locale.language(), locale.script(), QLocale::AnyTerritory).nativeLanguageName());
    }
    const QString territory = locale.nativeTerritoryName();
    return territory.isEmpty() ? language : language + QLatin1String(" (") + territory + QLatin1Char(')');
}

QList<TAvailableLanguage> AvailableLanguages() {
    const QString program = currentProgramFilePath();
    QList<TAvailableLanguage> languages;
    if (!program.isEmpty()) {
        const QFileInfo info(program);
        const QString base = withoutExtension(info.fileName());
        const QStringList files =
            QDir(info.absolutePath()).entryList({base + QLatin1String("-????.LAND")}, QDir::Files);
        for (const QString& file : files) {
            const QString digits = file.mid(file.size() - 9, 4);
            const int id = StrToIntDef(QLatin1Char('$') + digits, 0);
            if (id <= 0) continue;
            const bool listed = std::any_of(languages.begin(), languages.end(),
                                            [&](const TAvailableLanguage& l) { return l.LanguageID == id; });
            if (!listed) languages.append({id, LanguageNativeName(id), false});
        }
    }
    const bool sourceListed = std::any_of(languages.begin(), languages.end(),
                                          [](const TAvailableLanguage& l) { return l.LanguageID == SourceLanguage; });
    if (!sourceListed) languages.append({SourceLanguage, LanguageNativeName(SourceLanguage), false});
    std::sort(languages.begin(), languages.end(), [](const TAvailableLanguage& a, const TAvailableLanguage& b) {
        return a.Name.compare(b.Name, Qt::CaseInsensitive) < 0;
    });
    const int current = tCurrentLanguage == 0 ? SourceLanguage : tCurrentLanguage;
    for (TAvailableLanguage& l : languages) l.Current = l.LanguageID == current;
    return languages;
}
