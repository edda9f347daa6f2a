// One instance per user, checked with real processes: this test program run
// again as a child that only starts the instance check (SingleInstanceChild).
#include "SingleInstance.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>

namespace {
const char* const kBaseVariable = "BREVOLA_INSTANCE_CHILD_BASE";
const char* const kStayVariable = "BREVOLA_INSTANCE_CHILD_STAY_MS";

// A child that starts the check on base; a primary stays stayMs, answering.
std::unique_ptr<QProcess> startChild(const QString& base, int stayMs)
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kBaseVariable, base);
    env.insert(kStayVariable, QString::number(stayMs));
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), {"--gtest_filter=SingleInstanceChild.Run"});
    return child;
}

// The child's own lines ("role=...", "activations=..."), once it has ended.
QByteArray reportOf(QProcess& child)
{
    EXPECT_TRUE(child.state() == QProcess::NotRunning || child.waitForFinished(20000));
    QByteArray report;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("role=") || line.startsWith("activations=")) report += line + '\n';
    return report;
}
} // namespace

// Not a test of its own: the child process of the tests below.
TEST(SingleInstanceChild, Run)
{
    const QByteArray base = qgetenv(kBaseVariable);
    if (base.isEmpty()) GTEST_SKIP() << "run by the single-instance tests as their child process";
    SingleInstance instance(QString::fromLocal8Bit(base));
    int activations = 0;
    QObject::connect(&instance, &SingleInstance::activationRequested, [&] { ++activations; });
    const SingleInstance::Role role = instance.start();
    const char* names[] = {"Primary", "Secondary", "Failed"};
    std::printf("role=%s\n", names[static_cast<int>(role)]);
    std::fflush(stdout);
    if (role == SingleInstance::Role::Primary) {
        QTest::qWait(qEnvironmentVariableIntValue(kStayVariable));
        std::printf("activations=%d\n", activations);
    }
}

TEST(SingleInstance, TwoStartsAtTheSameInstantLeaveOneRunningThatIsToldOfTheOther)
{
    for (int round = 0; round < 3; ++round) {
        TempDir dir;
        auto a = startChild(QString::fromStdString(dir.file("brevola-driver")), 1000);
        auto b = startChild(QString::fromStdString(dir.file("brevola-driver")), 1000);
        const QByteArray out = reportOf(*a) + reportOf(*b);
        EXPECT_EQ(out.count("role=Primary"), 1) << out.constData();
        EXPECT_EQ(out.count("role=Secondary"), 1) << out.constData();
        EXPECT_TRUE(out.contains("activations=1")) << out.constData();
    }
}

TEST(SingleInstance, ACrashedInstanceDoesNotStopTheNextStart)
{
    TempDir dir;
    const QString base = QString::fromStdString(dir.file("brevola-driver"));
    auto crashed = startChild(base, 20000);
    QByteArray output;
    while (!output.contains("role=") && crashed->waitForReadyRead(10000)) output += crashed->readAllStandardOutput();
    ASSERT_TRUE(output.contains("role=Primary\n")) << output.constData();
    ::kill(static_cast<pid_t>(crashed->processId()), SIGKILL);
    crashed->waitForFinished();
    ASSERT_TRUE(QFile::exists(base + ".lock") && QFile::exists(base + ".socket"));
    EXPECT_EQ(SingleInstance(base).start(), SingleInstance::Role::Primary);
}
