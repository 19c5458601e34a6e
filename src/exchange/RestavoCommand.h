#pragma once
// The command line of Restavo, the companion program: one text of words
// separated by ",": the operation code, the handle of the window that waits
// for the reply, the reply's message number and the operation's arguments.
//
// The words are not escaped, so an argument that is empty or holds a comma
// would move every later word; such arguments are refused before anything is
// started. A secret argument (a password) never appears in the command line,
// which every user of the machine can read: its word holds "*" and its value
// travels in an environment variable that only the child and this user see.
#include "ChildLauncher.h"

#include <QList>
#include <QString>
#include <functional>

class RestavoArgument {
public:
    static RestavoArgument text(const QString &value) { return RestavoArgument(value, false); }
    static RestavoArgument number(qint64 value) { return RestavoArgument(QString::number(value), false); }
    static RestavoArgument secret(const QString &value) { return RestavoArgument(value, true); }

    const QString &value() const { return m_value; }
    bool isSecret() const { return m_secret; }

private:
    RestavoArgument(const QString &value, bool secret) : m_value(value), m_secret(secret) {}
    QString m_value;
    bool m_secret;
};

struct RestavoCommand {
    int operation = 0;
    WindowHandle replyWindow = 0;
    quint32 replyMessage = 0;
    QList<RestavoArgument> arguments; // words 4 and on
};

// What goes on the command line and into the child's environment.
struct RestavoCommandLine {
    QString text;
    QMap<QByteArray, QByteArray> secrets;
    QString refusal; // not empty: an argument cannot be passed; nothing may be started
};

RestavoCommandLine BuildRestavoCommandLine(const RestavoCommand &command);

// Why a value cannot be a plain word of the command line: it is empty, or it
// holds the comma that separates the words.
enum class RestavoWordFault { None, Empty, Comma };
RestavoWordFault RestavoWordFaultOf(const QString &value);

// The word of the command line that stands for a secret argument.
inline const QString SecretWordPlaceholder = QStringLiteral("*");
// The variable that carries the value of secret word `wordNumber` (1-based).
QByteArray SecretWordVariable(int wordNumber);

// What a starter shows before the system's text of a start's error number.
inline const QString StartFailurePrefix = QStringLiteral("Ошиблись с загрузкой: ");

// Starts "<programDir>/Restavo" with the command (programDir: the program
// folder, ProgramDir()). Its reply arrives at the command's window and message;
// when Restavo ends without one, the failure reply (0, 1) arrives instead. A
// start that fails carries the system's error number in errorCode (the caller
// reports StartFailurePrefix + SysErrorText(errorCode)); a refused argument or
// a missing reply channel carries the reason in error.
LaunchResult StartRestavo(const QString &programDir, const RestavoCommand &command);

// Starts one Restavo operation; the chains of runs take one, so that tests
// can give one that records the commands.
using RestavoStarter = std::function<LaunchResult(const RestavoCommand &command)>;
// StartRestavo from the program folder.
RestavoStarter ProgramFolderRestavo(const QString &programDir);

// What a starter shows for a start that failed: StartFailurePrefix and the
// system's text of its error number, or the launcher's own reason (a refused
// argument, no reply channel) as it is.
QString LaunchFailureText(const LaunchResult &failed);
