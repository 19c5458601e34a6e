#include "DocConversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

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
        throw AppError(QStringLiteral("no temporary folder for the conversion: ") + work.errorString());
    const QString profile = work.filePath(QStringLiteral("profile"));
    const QString out = work.filePath(QStringLiteral("out"));
    if (!QDir().mkpath(out))
        throw AppError(QStringLiteral("no folder for the converted document: ") + out);

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(soffice, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(),
                            QStringLiteral("--headless"), QStringLiteral("--norestore"),
                            QStringLiteral("--convert-to"), QStringLiteral("docx"), QStringLiteral("--outdir"), out,
                            QFileInfo(path).absoluteFilePath()});
    if (!process.waitForStarted(timeoutMs))
        throw AppError(QStringLiteral("LibreOffice does not start: ") + process.errorString());
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        throw AppError(QStringLiteral("LibreOffice did not convert the document within %1 s").arg(timeoutMs / 1000));
    }
    const QStringList converted = QDir(out).entryList({QStringLiteral("*.docx")}, QDir::Files);
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0 || converted.size() != 1)
        throw AppError(QStringLiteral("LibreOffice did not convert the document: ")
                       + QString::fromLocal8Bit(process.readAll()).trimmed());
    QFile docx(QDir(out).filePath(converted.first()));
    if (!docx.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("the converted document does not open: ") + docx.errorString());
    return docx.readAll();
}
