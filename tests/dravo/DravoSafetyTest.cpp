// dravo never loses a user's file and never reports a lost output as success:
// outputs that are the input, killed runs, failed writes, standard output.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "DravoRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QString firstLine(const QString& text) { return text.section(QLatin1Char('\n'), 0, 0); }

class DravoSafety : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(dravo({"generate", "--items", "800", "--seed", "4", "-o", cube}).code, 0);
        ASSERT_EQ(dravo({"convert", cube, "-o", doc, "--rows", "Canal"}).code, 0);
        ASSERT_EQ(dravo({"convert", cube, "-o", locked, "--password", "pw"}).code, 0);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Our temporary files left in the folder.
    QStringList temporaries() const {
        return QDir(dir.path()).entryList({QStringLiteral(".*.dravo-*.tmp")}, QDir::Files | QDir::Hidden);
    }
    QTemporaryDir dir;
    const QString cube = path("c.pvc"), doc = path("d.Dravo"), locked = path("e.Dravo");
};

TEST_F(DravoSafety, AnOutputThatIsTheInputIsRefused) {
    ASSERT_TRUE(QFile::link(cube, path("link.pvc")));
    ASSERT_TRUE(QFile::link(doc, path("link.Dravo")));
    struct Case {
        QStringList args;
        const char* command;
        const char* output;
    } cases[] = {
        {{"convert", "c.pvc", "-o", "./c.pvc"}, "convert", "./c.pvc"},
        {{"convert", "c.pvc", "-o", "link.pvc"}, "convert", "link.pvc"},
        {{"convert", "./link.pvc", "-o", "c.pvc"}, "convert", "c.pvc"},
        {{"extract", "d.Dravo", "-o", "d.Dravo"}, "extract", "d.Dravo"},
        {{"extract", "d.Dravo", "-o", "link.Dravo"}, "extract", "link.Dravo"},
        {{"extract", "--password", "pw", "e.Dravo", "-o", "../" + QFileInfo(dir.path()).fileName() + "/e.Dravo"}, "extract", nullptr},
        {{"export", "d.Dravo", "--format", "csv", "-o", "link.Dravo"}, "export", "link.Dravo"},
        {{"pivot", "c.pvc", "-o", "./link.pvc"}, "pivot", "./link.pvc"},
    };
    const QByteArray cubeBytes = fileBytes(cube), docBytes = fileBytes(doc), lockedBytes = fileBytes(locked);
    for (const Case& c : cases) {
        DravoOutcome r = dravo(DravoCall{c.args, dir.path(), {}, {}});
        EXPECT_EQ(r.code, 2) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
        const QString output = c.output ? QString::fromLatin1(c.output) : c.args.last();
        EXPECT_EQ(firstLine(r.err), QStringLiteral("dravo %1: the output '%2' is the input file itself (see 'dravo %1 --help')")
                                        .arg(QLatin1String(c.command), output));
    }
    EXPECT_EQ(fileBytes(cube), cubeBytes);
    EXPECT_EQ(fileBytes(doc), docBytes);
    EXPECT_EQ(fileBytes(locked), lockedBytes);
    EXPECT_TRUE(QFileInfo(path("link.pvc")).isSymLink());
    EXPECT_TRUE(temporaries().isEmpty());
}

TEST_F(DravoSafety, ASymlinkOutputIsWrittenThrough) {
    // Every command replaces the link's target and keeps the link.
    ASSERT_TRUE(QFile::link(path("target.csv"), path("out.csv")));
    ASSERT_EQ(dravo({"export", cube, "-o", path("out.csv"), "--rows", "Canal"}).code, 0);
    EXPECT_TRUE(QFileInfo(path("out.csv")).isSymLink());
    EXPECT_TRUE(fileBytes(path("target.csv")).startsWith("Canal,Montant\r\n"));
    ASSERT_TRUE(QFile::link(path("target.pvc"), path("out.pvc")));
    ASSERT_EQ(dravo({"extract", doc, "-o", path("out.pvc")}).code, 0);
    ASSERT_TRUE(QFile::link(path("target.Dravo"), path("out.Dravo")));
    ASSERT_EQ(dravo({"convert", cube, "-o", path("out.Dravo")}).code, 0);
    EXPECT_TRUE(QFileInfo(path("out.pvc")).isSymLink() && QFileInfo(path("out.Dravo")).isSymLink());
    EXPECT_EQ(fileBytes(path("target.pvc")), fileBytes(cube));
    EXPECT_TRUE(fileBytes(path("target.Dravo")).startsWith("SFSv1.00"));
}

TEST_F(DravoSafety, AKilledRunLeavesTheOldFileAndItsTemporaryGoesAtTheNextRun) {
    ASSERT_EQ(dravo({"generate", "--items", "300000", "--seed", "2", "-o", path("big.pvc")}).code, 0);
    const QByteArray old = fileBytes(doc);
    // Killed while its temporary file is being written (tried again if the run ends first).
    bool killedMidWrite = false;
    for (int attempt = 0; attempt < 5 && !killedMidWrite; ++attempt) {
        QProcess p;
        p.start(QStringLiteral(DRAVO_EXE), {"convert", path("big.pvc"), "-o", doc});
        ASSERT_TRUE(p.waitForStarted());
        while (p.state() == QProcess::Running && temporaries().isEmpty()) QThread::usleep(200);
        if (p.state() == QProcess::Running) {
            ::kill(pid_t(p.processId()), SIGKILL);
            killedMidWrite = true;
        }
        p.waitForFinished();
        if (!killedMidWrite) {
            QFile::remove(doc);
            QFile restore(doc);
            ASSERT_TRUE(restore.open(QIODevice::WriteOnly));
            restore.write(old);
        }
    }
    ASSERT_TRUE(killedMidWrite);
    EXPECT_EQ(fileBytes(doc), old);
    EXPECT_FALSE(temporaries().isEmpty()) << "the killed run's temporary is still there";
    // A temporary of a run that is gone, as a kill at the last moment leaves it.
    QProcess gone;
    gone.start(QStringLiteral("true"));
    gone.waitForFinished();
    QFile stale(path(".d.Dravo.dravo-%1.tmp").arg(gone.processId()));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("half written");
    stale.close();
    ASSERT_FALSE(temporaries().isEmpty());
    ASSERT_EQ(dravo({"export", cube, "-o", path("t.csv")}).code, 0);
    EXPECT_TRUE(temporaries().isEmpty()) << temporaries().join(' ').toStdString();
    EXPECT_EQ(fileBytes(doc), old);
}

TEST_F(DravoSafety, AFailedWriteNamesItsCauseAndKeepsTheOldFile) {
    const QByteArray old(200000, 'x');
    QFile f(path("old.csv"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(old);
    f.close();
    ASSERT_TRUE(QFile(path("plain")).open(QIODevice::WriteOnly));
    // A file size limit makes the write fail part-way, as a full disk does.
    DravoCall limited{{"export", cube, "--format", "data-csv", "-o", path("old.csv")}, {}, {}, [] {
                    rlimit limit{4096, 4096};
                    ::setrlimit(RLIMIT_FSIZE, &limit);
                }};
    DravoOutcome r = dravo(limited);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("dravo: %1: cannot write: file too large (the old file is kept)\n").arg(path("old.csv")));
    EXPECT_EQ(fileBytes(path("old.csv")), old);
    EXPECT_TRUE(temporaries().isEmpty());

    struct Case {
        QString output;
        QString line;
    } cases[] = {
        {path("none/x.csv"), QStringLiteral("dravo: %1: cannot write: the folder '%2' does not exist\n").arg(path("none/x.csv"), path("none"))},
        {path("plain/x.csv"), QStringLiteral("dravo: %1: cannot write: '%2' is not a folder\n").arg(path("plain/x.csv"), path("plain"))},
        {dir.path(), QStringLiteral("dravo: %1: cannot write: it is a folder\n").arg(dir.path())},
    };
    for (const Case& c : cases) {
        DravoOutcome w = dravo({"export", cube, "--format", "csv", "-o", c.output});
        EXPECT_EQ(w.code, 1) << c.output.toStdString();
        EXPECT_EQ(w.err, c.line);
    }
}

TEST_F(DravoSafety, StandardOutputIsCheckedLikeAFile) {
    const QStringList commands[] = {
        {"info", cube}, {"info", "--json", doc}, {"pivot", cube, "--rows", "Canal"}, {"export", cube, "--format", "csv"},
        {"export", cube, "--format", "data-csv", "-o", "-"}, {"extract", doc, "-o", "-"}, {"help"}, {"info", "--help"},
    };
    for (const QStringList& args : commands) {
        DravoOutcome r = dravo(DravoCall{args, {}, QStringLiteral("/dev/full"), {}});
        EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
        EXPECT_EQ(r.err, QStringLiteral("dravo: standard output: write error\n")) << args.join(' ').toStdString();
    }
}

TEST_F(DravoSafety, AnEmptyOutputNameIsAUsageError) {
    const QStringList commands[] = {
        {"generate", "--items", "5", "-o", ""}, {"convert", cube, "-o", ""}, {"extract", doc, "--output="},
        {"export", cube, "--format", "csv", "-o", ""}, {"pivot", cube, "-o", ""},
    };
    for (const QStringList& args : commands) {
        DravoOutcome r = dravo(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral(": -o needs a file name, not an empty text ('-' for standard output)"))) << r.err.toStdString();
    }
}

TEST_F(DravoSafety, FilesOfTheWrongKindAreNamedForWhatTheyAre) {
    QFile text(path("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("quarterly notes\n");
    text.close();
    struct Case {
        QStringList args;
        QString line;
    } cases[] = {
        {{"extract", cube, "-o", path("x.pvc")}, QStringLiteral("dravo: '%1' is a raw cube, not a document: use 'dravo convert' to make one").arg(cube)},
        {{"convert", doc, "-o", path("x.Dravo")}, QStringLiteral("dravo: '%1' is a document, not a raw cube: use 'dravo extract' to get its cube").arg(doc)},
        {{"info", path("notes.txt")}, QStringLiteral("dravo: %1: not a cube or document file").arg(path("notes.txt"))},
        {{"pivot", path("notes.txt")}, QStringLiteral("dravo: %1: not a cube or document file").arg(path("notes.txt"))},
        {{"extract", "--password", "nope", locked, "-o", path("x.pvc")}, QStringLiteral("dravo: %1: wrong password, or the document is damaged").arg(locked)},
        {{"extract", "--verbose", "--password", "nope", locked, "-o", path("x.pvc")},
         QStringLiteral("dravo: %1: wrong password, or the document is damaged: DeCompressStream : data corrupt, failed total size test !").arg(locked)},
    };
    for (const Case& c : cases) {
        DravoOutcome r = dravo(c.args);
        EXPECT_EQ(r.code, 1) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err, c.line + QLatin1Char('\n'));
    }
    EXPECT_FALSE(QFile::exists(path("x.pvc")) || QFile::exists(path("x.Dravo")));
}

// Runs dravo with stderr on a terminal; gives what the terminal received.
QString onTerminal(const QStringList& args, int& code) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return QStringLiteral("<no pty>");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DRAVO_PROGRESS_DELAY_MS"), QStringLiteral("0"));
    p.setProcessEnvironment(env);
    p.setChildProcessModifier([slave] { ::dup2(slave, 2); });
    p.start(QStringLiteral(DRAVO_EXE), args);
    p.waitForFinished(120000);
    code = p.exitCode();
    ::close(slave);
    QByteArray seen;
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) seen.append(buffer, n);
    ::close(master);
    return QString::fromUtf8(seen);
}

TEST_F(DravoSafety, LongWorkShowsItsPhaseOnATerminalOnly) {
    ASSERT_EQ(dravo({"generate", "--items", "300000", "--seed", "2", "-o", path("big.pvc")}).code, 0);
    int code = -1;
    const QString shown = onTerminal({"export", path("big.pvc"), "--rows", "Région,Ville", "--cols", "Mois", "--expand-all", "-o", path("big.csv")}, code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(shown.contains(QStringLiteral("\rloading ["))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("%"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("\r\033[K"))) << "the bar is cleared at the end";
    const QString converted = onTerminal({"convert", path("big.pvc"), "-o", path("big.Dravo")}, code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(converted.contains(QStringLiteral("\rcompressing ["))) << converted.toStdString();
    ASSERT_EQ(dravo({"export", path("big.pvc"), "--format", "data-csv", "-o", path("big-data.csv")}).code, 0);
    const QString imported = onTerminal({"import", path("big-data.csv"), "-o", path("again.pvc")}, code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(imported.contains(QStringLiteral("\rreading ["))) << imported.toStdString();

    // Not on a terminal: nothing on stderr, whatever the delay.
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DRAVO_PROGRESS_DELAY_MS"), QStringLiteral("0"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DRAVO_EXE), {"export", path("big.pvc"), "--rows", "Région", "-o", path("big2.csv")});
    p.waitForFinished(120000);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().isEmpty());
}

} // namespace
