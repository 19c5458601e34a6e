#include "CommandWords.h"
#include "RestavoCommand.h"
#include "StrictDecimal.h"
#include "ggError.h"

namespace {
// Secrets are only ever arguments: words 4 and on.
constexpr int FirstArgumentWord = 4;
} // namespace

CommandWords::CommandWords(const QString &commandLine)
    : m_words(commandLine.split(QLatin1Char(','), Qt::SkipEmptyParts))
{
    for (int number = FirstArgumentWord; number <= count(); ++number) {
        const QByteArray variable = SecretWordVariable(number);
        if (!qEnvironmentVariableIsSet(variable.constData()))
            continue;
        m_secrets.insert(number, qEnvironmentVariable(variable.constData()));
        qunsetenv(variable.constData());
    }
}

QString CommandWords::text(int number) const
{
    if (m_secrets.contains(number))
        return m_secrets.value(number);
    return number >= 1 && number <= count() ? m_words.at(number - 1) : QString();
}

qint32 CommandWords::integer(int number) const
{
    const QString word = text(number);
    const std::optional<qint32> value = ParseStrictInt32(word.toUtf8());
    if (!value)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(word));
    return *value;
}
