#pragma once
// Runs this test program again as a child process that plays one role (hold
// a lock, write records, ...). The child runs only the test ChildRole.Play,
// which each test file defines and which reads its role from the environment;
// in a normal run that test skips itself.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <memory>

inline const QString ChildRoleVariable = QStringLiteral("TESSAL_TEST_CHILD_ROLE");
inline const QString ChildArgsVariable = QStringLiteral("TESSAL_TEST_CHILD_ARGS");
// A child in this role runs under TessalCert's own application object.
inline const QString TessalApplicationRole = QStringLiteral("TessalApplication");

// The role of this process, empty in the parent.
inline QString ChildRole() { return qEnvironmentVariable(ChildRoleVariable.toLatin1().constData()); }
inline QStringList ChildArgs()
{
    return qEnvironmentVariable(ChildArgsVariable.toLatin1().constData()).split(QLatin1Char('\n'));
}

inline std::unique_ptr<QProcess> StartChildRole(const QString &role, const QStringList &args = {})
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(ChildRoleVariable, role);
    env.insert(ChildArgsVariable, args.join(QLatin1Char('\n')));
    child->setProcessEnvironment(env);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ChildRole.Play")});
    child->waitForStarted();
    return child;
}

// The child's answer: what it wrote after "answer: " on a line of its own
// (the test framework writes to the same output).
inline QByteArray ChildAnswerLine(const QByteArray &text) { return "answer: " + text + "\n"; }
inline QByteArray ReadChildAnswer(QProcess &child)
{
    const QByteArray marker("answer: ");
    for (;;) {
        while (!child.canReadLine())
            if (!child.waitForReadyRead(60000))
                return {};
        const QByteArray line = child.readLine();
        if (line.startsWith(marker))
            return line.mid(marker.size()).trimmed();
    }
}

// Starts the role and waits for it; the child's exit code.
inline int RunChildRole(const QString &role, const QStringList &args = {})
{
    auto child = StartChildRole(role, args);
    child->waitForFinished(60000);
    return child->exitStatus() == QProcess::NormalExit ? child->exitCode() : -1;
}
