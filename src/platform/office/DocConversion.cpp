#include "DocConversion.h"

#include "SystemErrorTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

namespace {
// What the operator can always do when the conversion fails.
const QString SaveAsDocx =
    QStringLiteral("Если не получается, откройте проект в Word, сохраните его в формате .docx и загрузите этот файл.");
} // namespace

QString OfficeConverterPath()
{
    for (const char *name : {"soffice", "libreoffice"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

QByteArray ConvertDocToDocx(const QString &path, int timeoutMs)
{
    const QString soffice = OfficeConverterPath();
    if (soffice.isEmpty())
        throw OfficeConverterMissing(QStringLiteral("LibreOffice (soffice) is not installed"));
    QTemporaryDir work; // made readable by its owner only
    if (!work.isValid())
        throw AppError(QStringLiteral("Нет временной папки для преобразования документа .doc: ") + RussianSystemText(work.errorString()));
    const QString profile = work.filePath(QStringLiteral("profile"));
    const QString out = work.filePath(QStringLiteral("out"));
    if (!QDir().mkpath(out))
        throw AppError(QStringLiteral("Нет папки для преобразованного документа: ") + out);

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                            QStringLiteral("--headless"), QStringLiteral("--norestore"),
                            QStringLiteral("--convert-to"), QStringLiteral("docx"), QStringLiteral("--outdir"), out,
                            QFileInfo(path).absoluteFilePath()});
    if (!process.waitForStarted(timeoutMs))
        throw AppError(QStringLiteral("LibreOffice не запускается (%1). ").arg(process.errorString()) + SaveAsDocx);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        throw AppError(QStringLiteral("LibreOffice не преобразовал документ .doc за %1 с. Закройте другие окна "
                                      "LibreOffice и загрузите проект ещё раз. ")
                           .arg(timeoutMs / 1000)
                       + SaveAsDocx);
    }
    const QStringList converted = QDir(out).entryList({QStringLiteral("*.docx")}, QDir::Files);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || converted.size() != 1) {
        const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
        throw AppError(QStringLiteral("LibreOffice не смог преобразовать документ .doc")
                       + (output.isEmpty() ? QString() : QStringLiteral(" (") + output + QLatin1Char(')'))
                       + QStringLiteral(". ") + SaveAsDocx);
    }
    QFile docx(QDir(out).filePath(converted.first()));
    if (!docx.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Преобразованный документ не открывается: ") + RussianSystemText(docx.errorString()));
    return docx.readAll();
}
