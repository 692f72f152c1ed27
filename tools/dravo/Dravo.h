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
    Failure(QString f, QString m, QString d = QString()) : file(std::move(f)), message(std::move(m)), detail(std::move(d)) {}
    QString file;      // may be empty
    QString message;
    QString detail;    // the internal text behind the message, shown with --verbose
};

// Whether --verbose was given (every subcommand takes it).
bool verbose();

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

// Output on stdout, UTF-8; a failed write is the Failure "standard output: write error".
void out(const QString& text);
void writeStandardOutput(const QByteArray& bytes);
// Flushes standard output; a failure is the Failure above.
void flushStandardOutput();

// The value of -o / --output: required unless fallback is given; an empty
// name is a usage error.
QString outputPath(const Args& args, const QString& required, const QString& fallback = QString());
// A usage error when the output would replace the input: the same file by
// identity (a symlink, another spelling of the path, a hard link).
void refuseToReplaceInput(const QString& input, const QString& output);

// Replaces the file atomically: the bytes go to a temporary file in the
// target's folder (named ".NAME.dravo-PID.tmp", so that a killed run's
// leftovers are recognised and removed by the next write there), flushed to
// the disk, then renamed over the target. A symlink is written through (the
// link stays, its target is replaced). A failure leaves the old file and
// names the cause. "-" writes to standard output.
void writeFileAtomically(const QString& fileName, const QByteArray& bytes);
// The temporary files of earlier runs in the folder that are no longer being written.
void removeStaleTemporaries(const QString& folder);

// What a file holds, by its first bytes.
enum class FileKind { Missing, Folder, RawCube, Document, Other };
FileKind fileKind(const QString& fileName);
// A Failure for a file that is not of the expected kind ("'x.pvc' is a raw
// cube, not a document: use 'dravo convert' to make one").
[[noreturn]] void wrongKind(const QString& fileName, FileKind kind, FileKind expected);

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

// A progress bar on stderr for one phase of the work ("loading", "writing"),
// shown only when stderr is a terminal and once the phase has lasted half a
// second. A phase with a known total shows a bar and a percentage; one
// without shows its name, a moving mark and the time spent. A ticker thread
// redraws it, so phases without progress hooks are shown too.
class Progress {
public:
    explicit Progress(QString label);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void update(qint64 done, qint64 total);
    void finish();

private:
    bool FActive;
};

// A line on stderr ("dravo: warning: ..."), clearing a progress bar first.
void warn(const QString& text);

} // namespace dravo

#define DRAVO_CONCAT2(a, b) a##b
#define DRAVO_CONCAT(a, b) DRAVO_CONCAT2(a, b)
// Registers a subcommand at start-up: DRAVO_SUBCOMMAND(makeInfoCommand());
#define DRAVO_SUBCOMMAND(expression) \
    static const bool DRAVO_CONCAT(dravoSubcommand, __LINE__) = ::dravo::registerSubcommand(expression)
