#include "RestavoCommand.h"

#include "ggDebug.h"

QByteArray SecretWordVariable(int wordNumber)
{
    return QByteArrayLiteral("TESSAL_SECRET_WORD_") + QByteArray::number(wordNumber);
}

RestavoCommandLine BuildRestavoCommandLine(const RestavoCommand &command)
{
    RestavoCommandLine result;
    QStringList words{QString::number(command.operation), QString::number(command.replyWindow),
                      QString::number(command.replyMessage)};
    for (const RestavoArgument &argument : command.arguments) {
        const int wordNumber = static_cast<int>(words.size()) + 1;
        if (argument.isSecret()) {
            result.secrets.insert(SecretWordVariable(wordNumber), argument.value().toUtf8());
            words << SecretWordPlaceholder;
            continue;
        }
        switch (RestavoWordFaultOf(argument.value())) {
        case RestavoWordFault::None: break;
        case RestavoWordFault::Empty:
            result.refusal = QStringLiteral("Restavo не запущен: параметр %1 пуст.").arg(wordNumber);
            return result;
        case RestavoWordFault::Comma:
            result.refusal = QStringLiteral("Restavo не запущен: параметр %1 содержит запятую.").arg(wordNumber);
            return result;
        }
        words << argument.value();
    }
    result.text = words.join(QLatin1Char(','));
    return result;
}

RestavoWordFault RestavoWordFaultOf(const QString &value)
{
    if (value.isEmpty())
        return RestavoWordFault::Empty;
    return value.contains(QLatin1Char(',')) ? RestavoWordFault::Comma : RestavoWordFault::None;
}

LaunchResult StartRestavo(const QString &programDir, const RestavoCommand &command)
{
    const RestavoCommandLine line = BuildRestavoCommandLine(command);
    if (!line.refusal.isEmpty()) {
        LaunchResult refused;
        refused.error = line.refusal;
        return refused;
    }
    return ChildLauncher::instance().start(programDir + QStringLiteral("/Restavo"), line.text, line.secrets,
                                           command.replyWindow, command.replyMessage);
}

QString LaunchFailureText(const LaunchResult &failed)
{
    if (failed.errorCode != 0)
        return StartFailurePrefix + SysErrorText(WindowsErrorFromErrno(failed.errorCode));
    return failed.error;
}

RestavoStarter ProgramFolderRestavo(const QString &programDir)
{
    return [programDir](const RestavoCommand &command) { return StartRestavo(programDir, command); };
}
