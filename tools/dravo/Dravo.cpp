// The shared machinery of the dravo subcommands.
#include "Dravo.h"
#include "ProgressStream.h"

#include "UPivotCube.h"
#include "XClasses.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace dravo {

namespace {
std::vector<Subcommand>& table() {
    static std::vector<Subcommand> commands;
    return commands;
}
} // namespace

const std::vector<Subcommand>& subcommands() { return table(); }

bool registerSubcommand(Subcommand command) {
    auto& t = table();
    auto at = std::lower_bound(t.begin(), t.end(), command.name, [](const Subcommand& c, const QString& n) { return c.name < n; });
    t.insert(at, std::move(command));
    return true;
}

const Subcommand* findSubcommand(const QString& name) {
    for (const Subcommand& c : table())
        if (c.name == name) return &c;
    return nullptr;
}

namespace {
bool gVerbose = false;
const Option& verboseOption() {
    static const Option option{QStringLiteral("--verbose"), QString(), QString(),
                               QStringLiteral("after a failure's message, the internal text behind it")};
    return option;
}
} // namespace

bool verbose() { return gVerbose; }

QString helpText(const Subcommand& command) {
    QString text = QStringLiteral("usage: dravo %1\n\n%2\n\noptions:\n").arg(command.synopsis, command.description);
    QStringList heads, helps;
    for (const Option& o : command.options) {
        QString head = o.shortName.isEmpty() ? o.name : o.shortName + QStringLiteral(", ") + o.name;
        if (!o.valueName.isEmpty()) head += QLatin1Char(' ') + o.valueName;
        heads << head;
        helps << o.help;
    }
    heads << verboseOption().name;
    helps << verboseOption().help;
    heads << QStringLiteral("-h, --help");
    helps << QStringLiteral("show this help");
    int width = 0;
    for (const QString& h : heads) width = std::max(width, int(h.size()));
    for (qsizetype i = 0; i < heads.size(); ++i) text += QStringLiteral("  %1  %2\n").arg(heads[i].leftJustified(width), helps[i]);
    return text;
}


qint64 Args::integer(const QString& name, qint64 fallback, qint64 min, qint64 max) const {
    if (!has(name)) return fallback;
    bool ok = false;
    qint64 v = value(name).toLongLong(&ok);
    if (!ok || v < min || v > max)
        throw UsageError{QStringLiteral("%1 expects a whole number from %2 to %3, not '%4'").arg(name).arg(min).arg(max).arg(value(name))};
    return v;
}

Args parseArgs(const Subcommand& command, const QStringList& arguments) {
    Args args;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            args.positional << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        QString inlineValue;
        bool hasInline = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            inlineValue = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            arg = arg.left(arg.indexOf(QLatin1Char('=')));
            hasInline = true;
        }
        const Option* option = arg == verboseOption().name ? &verboseOption() : nullptr;
        for (const Option& o : command.options)
            if (o.name == arg || (!o.shortName.isEmpty() && o.shortName == arg)) option = &o;
        if (!option) throw UsageError{QStringLiteral("unknown option '%1'").arg(arg)};
        if (option->valueName.isEmpty()) {
            if (hasInline) throw UsageError{QStringLiteral("%1 takes no value").arg(option->name)};
            args.set(option->name, QStringLiteral("1"));
        } else if (hasInline) {
            args.set(option->name, inlineValue);
        } else {
            if (i + 1 >= arguments.size()) throw UsageError{QStringLiteral("%1 needs a value (%2)").arg(option->name, option->valueName)};
            args.set(option->name, arguments[++i]);
        }
    }
    gVerbose = args.has(verboseOption().name);
    const int n = int(args.positional.size());
    if (n < command.minPositional) throw UsageError{QStringLiteral("missing argument (usage: dravo %1)").arg(command.synopsis)};
    if (n > command.maxPositional) throw UsageError{QStringLiteral("unexpected argument '%1'").arg(args.positional[command.maxPositional])};
    return args;
}

std::unique_ptr<TPivotCubeData> loadCube(const QString& fileName) {
    auto cube = std::make_unique<TPivotCubeData>();
    loadCubeInto(fileName, *cube);
    return cube;
}

FileKind fileKind(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists()) return FileKind::Missing;
    if (info.isDir()) return FileKind::Folder;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return FileKind::Other;
    const QByteArray start = f.read(TPivotCubeData::FileHeader().size());
    if (start.startsWith("SFSv1.0")) return FileKind::Document;
    // Any version of the raw cube header: a later one is reported by the reader.
    if (start.startsWith("PivotCube-KDR-")) return FileKind::RawCube;
    return FileKind::Other;
}

void wrongKind(const QString& fileName, FileKind kind, FileKind expected) {
    switch (kind) {
    case FileKind::Missing: throw Failure{fileName, QStringLiteral("No such file")};
    case FileKind::Folder: throw Failure{fileName, QStringLiteral("Is a folder, not a cube or document file")};
    case FileKind::RawCube:
        throw Failure{QString(), QStringLiteral("'%1' is a raw cube, not a document: use 'dravo convert' to make one").arg(fileName)};
    case FileKind::Document:
        if (expected == FileKind::RawCube)
            throw Failure{QString(), QStringLiteral("'%1' is a document, not a raw cube: use 'dravo extract' to get its cube").arg(fileName)};
        break;
    case FileKind::Other: break;
    }
    throw Failure{fileName, QStringLiteral("not a cube or document file")};
}

void loadCubeInto(const QString& fileName, TPivotCubeData& cube) {
    const FileKind kind = fileKind(fileName);
    if (kind != FileKind::RawCube) wrongKind(fileName, kind, FileKind::RawCube);
    try {
        Progress progress(QStringLiteral("loading"));
        TFileStream file(fileName, TFileStream::fmOpenRead);
        ProgressStream reading(file, progress);
        cube.ReadFileContent(reading);
    } catch (const Exception& e) {
        if (e.message() == QLatin1String("Invalid File IDHeader"))
            throw Failure{fileName, QStringLiteral("a raw cube file of a version this program does not read"), e.message()};
        throw Failure{fileName, QStringLiteral("the cube file is damaged (cut short or corrupted)"), e.message()};
    } catch (const std::bad_alloc&) {
        throw Failure{fileName, QStringLiteral("out of memory")};
    }
}

} // namespace dravo
