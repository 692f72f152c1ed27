// dravo: the command-line companion of the viewer. Each subcommand lives in its
// own file and registers itself (see Dravo.h).
#include "Dravo.h"

#include "SysExceptions.h"

#include <QCoreApplication>

#include <cstdio>
#include <functional>
#include <new>

namespace {

void err(const QString& text) {
    QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString overview() {
    QString text = QStringLiteral("usage: dravo SUBCOMMAND [OPTIONS] [ARGS]\n\nsubcommands:\n");
    int width = 4;
    for (const auto& c : dravo::subcommands()) width = std::max(width, int(c.name.size()));
    text += QStringLiteral("  %1  %2\n").arg(QStringLiteral("help").leftJustified(width), QStringLiteral("list the subcommands, or describe one: dravo help SUBCOMMAND"));
    for (const auto& c : dravo::subcommands()) text += QStringLiteral("  %1  %2\n").arg(c.name.leftJustified(width), c.summary);
    text += QStringLiteral("\n'dravo SUBCOMMAND --help' describes a subcommand. Exit status: 0 success, 1 failure, 2 usage error.\n");
    return text;
}

// Runs the subcommand (or the help) and checks that its output reached standard output.
int runChecked(const std::function<int()>& run) {
    const int code = run();
    dravo::flushStandardOutput();
    return code;
}

QString failureLine(const dravo::Failure& e) {
    QString message = e.message;
    if (dravo::verbose() && !e.detail.isEmpty()) message += QStringLiteral(": ") + e.detail;
    return e.file.isEmpty() ? QStringLiteral("dravo: %1\n").arg(message) : QStringLiteral("dravo: %1: %2\n").arg(e.file, message);
}

int dispatch(QStringList args);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        return dispatch(app.arguments().mid(1));
    } catch (const dravo::Failure& e) {
        err(failureLine(e));
        return 1;
    }
}

namespace {

int dispatch(QStringList args) {
    if (args.isEmpty()) {
        err(overview());
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("help") || name == QLatin1String("--help") || name == QLatin1String("-h")) {
        if (args.isEmpty()) return runChecked([] { dravo::out(overview()); return 0; });
        if (const dravo::Subcommand* c = dravo::findSubcommand(args.first()))
            return runChecked([c] { dravo::out(dravo::helpText(*c)); return 0; });
        err(QStringLiteral("dravo: unknown subcommand '%1' (see 'dravo help')\n").arg(args.first()));
        return 2;
    }
    if (name == QLatin1String("--version")) {
        return runChecked([] { dravo::out(QStringLiteral("dravo %1\n").arg(QStringLiteral(LORVANE_VERSION))); return 0; });
    }
    const dravo::Subcommand* command = dravo::findSubcommand(name);
    if (!command) {
        err(QStringLiteral("dravo: unknown subcommand '%1' (see 'dravo help')\n").arg(name));
        return 2;
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        return runChecked([command] { dravo::out(dravo::helpText(*command)); return 0; });
    }
    try {
        const dravo::Args parsed = dravo::parseArgs(*command, args);
        return runChecked([&] { return command->run(parsed); });
    } catch (const dravo::UsageError& e) {
        err(QStringLiteral("dravo %1: %2 (see 'dravo %1 --help')\n").arg(command->name, e.message));
        return 2;
    } catch (const dravo::Failure& e) {
        err(failureLine(e));
        return 1;
    } catch (const Exception& e) {
        err(QStringLiteral("dravo: %1\n").arg(e.message()));
        return 1;
    } catch (const std::bad_alloc&) {
        err(QStringLiteral("dravo: out of memory\n"));
        return 1;
    }
}

} // namespace
