#pragma once
// The user's locale is read once per process: a test that needs another one
// runs itself again in a child process of the same test program, whose
// environment names that locale. InLocaleChild() tells the child's run from
// the parent's; RunInLocaleChild(locale) starts the child on the current test
// and checks that it passed.

#include <QCoreApplication>
#include <QProcess>
#include <QString>

#include <gtest/gtest.h>

inline constexpr char LocaleChildMarker[] = "LORVANE_LOCALE_CHILD";

inline bool InLocaleChild() { return qEnvironmentVariableIsSet(LocaleChildMarker); }

inline void RunInLocaleChild(const QString& locale) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QString::fromUtf8(test->test_suite_name()) + QLatin1Char('.') + QString::fromUtf8(test->name());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(LocaleChildMarker), QStringLiteral("1"));
    env.insert(QStringLiteral("LC_ALL"), locale);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=") + filter});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
