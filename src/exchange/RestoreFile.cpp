#include "RestoreFile.h"

#include "AtomicFileWriter.h"
#include "ZipArchive.h"
#include "ggError.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>
#include <limits>

namespace {

// The document's folder in the data folder is a temporary of this target, so
// a start after a kill sweeps it like any other temporary.
const QString RestoreFolderTarget = QStringLiteral("restore");
// What the extraction leaves free on the disk for the database copy's growth.
constexpr qint64 SpareBytes = qint64(64) << 20;

} // namespace

QString ExtractRestoreXml(const QString &restoreFile, const QByteArray &chamberKey, const QString &dataDir)
{
    QString name = QFileInfo(restoreFile).fileName();
    if (name.endsWith(QLatin1String(".cod")))
        name.chop(4);
    TemporaryFolder temporary(JoinPath(dataDir, RestoreFolderTarget));
    const QString folder = temporary.path();
    const QString xmlPath = SafeJoinPath(folder, name);
    const QString archive = xmlPath + QStringLiteral(".zip");
    {
        AtomicFileWriter deciphered(archive);
        ChamberCipherFile(restoreFile, chamberKey, CipherStream::Direction::Decrypt, deciphered);
        deciphered.commit();
    }
    {
        // The document goes to the disk, so the disk, not memory, bounds it.
        const qint64 free = QStorageInfo(folder).bytesAvailable();
        ZipLimits limits;
        limits.entryBytes = std::max<qint64>(0, free - SpareBytes);
        limits.totalBytes = std::numeric_limits<qint64>::max();
        const ZipReader zip(ZipReader::FromFile{}, archive, limits);
        if (zip.entries().empty())
            throw AppError(QStringLiteral("Файл восстановления пуст: ") + restoreFile);
        const QString entry = zip.entries().front().name;
        if (!IsSafeFileName(entry))
            throw AppError(QStringLiteral("Файл восстановления содержит неверное имя: ") + entry);
        AtomicFileWriter xml(xmlPath);
        zip.readInto(0, [&xml](const char *data, qsizetype size) { xml.write(QByteArrayView(data, size)); });
        xml.commit();
    }
    QFile::remove(archive);
    temporary.release();
    return xmlPath;
}

void RemoveRestoreXml(const QString &xmlPath)
{
    const QFileInfo xml(xmlPath);
    QFile::remove(xmlPath);
    const QString folder = xml.absolutePath();
    // Only a folder of ours goes with it.
    if (IsTemporaryOf(xml.dir().dirName(), RestoreFolderTarget))
        QDir().rmdir(folder);
}
