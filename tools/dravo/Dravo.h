#pragma once
// The shared machinery of the dravo subcommands: the subcommand table, one
// argument parser, one way of reporting errors, atomic output files and a
// progress bar on stderr.
//
// A subcommand lives in its own file and registers itself with
// DRAVO_SUBCOMMAND; it throws UsageError for bad arguments (exit 2) and
// Failure for a runtime failure (exit 1, "dravo: FILE: message").

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class TPivotCubeData;
class TPCInteractive;

namespace dravo {

struct UsageError {
    QString message;
};

struct Failure {
    QString file;      // may be empty
    QString message;
};

struct Option {
    QString name;        // "--items"
    QString shortName;   // "-o", or empty
    QString valueName;   // "N"; empty for a flag
    QString help;
};

class Args {
public:
    QStringList positional;
    bool has(const QString& name) const { return FValues.contains(name); }
    // The option's last value (an option given twice keeps the second).
    QString value(const QString& name, const QString& fallback = QString()) const {
        return FValues.contains(name) ? FValues[name].last() : fallback;
    }
    // Every value of a repeatable option, in command-line order.
    QStringList values(const QString& name) const { return FValues.value(name); }
    // The option's value as an integer in [min, max]; UsageError otherwise.
    qint64 integer(const QString& name, qint64 fallback, qint64 min, qint64 max) const;
    void set(const QString& name, const QString& value) { FValues[name].append(value); }

private:
    QMap<QString, QStringList> FValues;
};

struct Subcommand {
    QString name;
    QString summary;     // one line for "dravo help"
    QString synopsis;    // "info [--json] FILE"
    QString description; // paragraphs for "dravo SUB --help"
    std::vector<Option> options;
    int minPositional = 0;
    int maxPositional = 0;
    std::function<int(const Args&)> run;
};

const std::vector<Subcommand>& subcommands();
bool registerSubcommand(Subcommand command);
const Subcommand* findSubcommand(const QString& name);
QString helpText(const Subcommand& command);

// Parses the arguments that follow the subcommand name; "--" ends the options.
Args parseArgs(const Subcommand& command, const QStringList& arguments);

// Output on stdout, UTF-8.
void out(const QString& text);

// Replaces the file atomically (temporary file, then rename): a failure leaves the old file.
void writeFileAtomically(const QString& fileName, const QByteArray& bytes);

// Loads a raw cube file; a missing or unreadable file is a Failure naming it.
std::unique_ptr<TPivotCubeData> loadCube(const QString& fileName);
// The same, into a cube data set that already exists (an engine's).
void loadCubeInto(const QString& fileName, TPivotCubeData& cube);

// Whether the file starts with the version tag of a document (SFS) container.
bool isDocumentFile(const QString& fileName);

// A document file and its cube, read with a password (empty for none); a file
// that cannot be read, or a document that cannot be loaded, is a Failure naming it.
// With cubeTarget the cube is read into it and `cube` stays empty.
struct LoadedDocument {
    std::unique_ptr<TPCInteractive> document;
    std::unique_ptr<TPivotCubeData> cube;
    bool isProtected = false;
};
LoadedDocument loadDocument(const QString& fileName, const QByteArray& password, TPivotCubeData* cubeTarget = nullptr);

// Writes a document file atomically (the old file stays when anything fails).
void saveDocument(const QString& fileName, const TPCInteractive& document, const TPivotCubeData& cube,
                  const QByteArray& password);

// The raw cube file bytes of a cube: header, then the compressed filer bytes.
QByteArray rawCubeFileBytes(const TPivotCubeData& cube);

// The option every command that reads or writes documents takes.
Option passwordOption();

// A progress bar on stderr, shown only when stderr is a terminal.
class Progress {
public:
    explicit Progress(QString label);
    ~Progress();
    void update(qint64 done, qint64 total);
    void finish();

private:
    QString FLabel;
    bool FActive;
    int FLastPercent = -1;
};

} // namespace dravo

#define DRAVO_CONCAT2(a, b) a##b
#define DRAVO_CONCAT(a, b) DRAVO_CONCAT2(a, b)
// Registers a subcommand at start-up: DRAVO_SUBCOMMAND(makeInfoCommand());
#define DRAVO_SUBCOMMAND(expression) \
    static const bool DRAVO_CONCAT(dravoSubcommand, __LINE__) = ::dravo::registerSubcommand(expression)
