#include "ggFiles.h"
#include "ggError.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>

QString ProgramDir()
{
    const QByteArray home = qgetenv("TESSAL_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QString::fromLocal8Bit(home));
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString DataDir() { return JoinPath(ProgramDir(), QStringLiteral("data")); }

QString JoinPath(const QString &dir, const QString &name)
{
    if (dir.isEmpty())
        return name;
    if (dir.endsWith(QLatin1Char('/')))
        return dir + name;
    return dir + QLatin1Char('/') + name;
}

bool IsSafeFileName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    return true;
}

QString SafeJoinPath(const QString &dir, const QString &name)
{
    if (!IsSafeFileName(name))
        throw AppError(QStringLiteral("Недопустимое имя файла: \"%1\"").arg(name));
    return JoinPath(dir, name);
}

void WriteFileAtomic(const QString &fileName, const QByteArray &data)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Не удалось создать файл %1: %2").arg(fileName, file.errorString()));
    if (file.write(data) != data.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        throw AppError(QStringLiteral("Не удалось записать файл %1: %2").arg(fileName, error));
    }
    if (!file.commit())
        throw AppError(QStringLiteral("Не удалось записать файл %1: %2").arg(fileName, file.errorString()));
}
