#include "RestoreFile.h"

#include "ZipArchive.h"
#include "ggError.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

#include <QFileInfo>

QString ExtractRestoreXml(const QString &restoreFile, const QByteArray &chamberKey, const QString &dataDir)
{
    QString name = QFileInfo(restoreFile).fileName();
    if (name.endsWith(QLatin1String(".cod")))
        name.chop(4);
    const QString xmlPath = SafeJoinPath(dataDir, name);
    // The XML must not take the place of the workstation's own files.
    if (QFileInfo::exists(xmlPath))
        throw AppError(QStringLiteral("Файл ") + xmlPath + QStringLiteral(" уже существует"));

    QByteArray archive = FileToString(restoreFile);
    DecryptWithChamberKey(archive, chamberKey);
    const ZipReader zip(archive);
    if (zip.entries().empty())
        throw AppError(QStringLiteral("Файл восстановления пуст: ") + restoreFile);
    const QString entry = zip.entries().front().name;
    if (!IsSafeFileName(entry))
        throw AppError(QStringLiteral("Файл восстановления содержит неверное имя: ") + entry);
    WriteFileAtomic(xmlPath, zip.read(0));
    return xmlPath;
}
