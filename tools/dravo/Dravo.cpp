// The shared machinery of the dravo subcommands.
#include "Dravo.h"

#include "UPivotCube.h"

#include <QFileInfo>
#include <QSaveFile>

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

QString helpText(const Subcommand& command) {
    QString text = QStringLiteral("usage: dravo %1\n\n%2\n\noptions:\n").arg(command.synopsis, command.description);
    QStringList heads, helps;
    for (const Option& o : command.options) {
        QString head = o.shortName.isEmpty() ? o.name : o.shortName + QStringLiteral(", ") + o.name;
        if (!o.valueName.isEmpty()) head += QLatin1Char(' ') + o.valueName;
        heads << head;
        helps << o.help;
    }
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
        const Option* option = nullptr;
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
    const int n = int(args.positional.size());
    if (n < command.minPositional) throw UsageError{QStringLiteral("missing argument (usage: dravo %1)").arg(command.synopsis)};
    if (n > command.maxPositional) throw UsageError{QStringLiteral("unexpected argument '%1'").arg(args.positional[command.maxPositional])};
    return args;
}

void out(const QString& text) {
    QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void writeFileAtomically(const QString& fileName, const QByteArray& bytes) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) throw Failure{fileName, file.errorString()};
    if (file.write(bytes) != bytes.size()) {
        QString why = file.errorString();
        file.cancelWriting();
        throw Failure{fileName, why};
    }
    if (!file.commit()) throw Failure{fileName, file.errorString()};
}

std::unique_ptr<TPivotCubeData> loadCube(const QString& fileName) {
    auto cube = std::make_unique<TPivotCubeData>();
    loadCubeInto(fileName, *cube);
    return cube;
}

void loadCubeInto(const QString& fileName, TPivotCubeData& cube) {
    QFileInfo info(fileName);
    if (!info.exists()) throw Failure{fileName, QStringLiteral("No such file")};
    if (info.isDir()) throw Failure{fileName, QStringLiteral("Is a folder, not a cube file")};
    try {
        cube.LoadFromFile(fileName);
    } catch (const Exception& e) {
        throw Failure{fileName, e.message()};
    } catch (const std::bad_alloc&) {
        throw Failure{fileName, QStringLiteral("out of memory")};
    }
}

Progress::Progress(QString label) : FLabel(std::move(label)), FActive(::isatty(2) == 1) {}

Progress::~Progress() { finish(); }

void Progress::update(qint64 done, qint64 total) {
    if (!FActive || total <= 0) return;
    int percent = int(std::clamp<qint64>(done * 100 / total, 0, 100));
    if (percent == FLastPercent) return;
    FLastPercent = percent;
    const int width = 30, filled = percent * width / 100;
    QString bar = QString(filled, QLatin1Char('#')) + QString(width - filled, QLatin1Char('.'));
    QByteArray line = QStringLiteral("\r%1 [%2] %3%").arg(FLabel, bar).arg(percent, 3).toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

void Progress::finish() {
    if (FActive && FLastPercent >= 0) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
    FLastPercent = -1;
}

} // namespace dravo
