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
#include <cstdlib>
#include <limits>
#include <unistd.h>

namespace {

// The folder follows the temporaries' naming ("<name>.part-<process id>-<six
// letters>"), so a start after a kill sweeps it like any other temporary.
const QString RestoreFolderPrefix = QStringLiteral("restore.part-");
// What the extraction leaves free on the disk for the database copy's growth.
constexpr qint64 SpareBytes = qint64(64) << 20;

// A new folder readable by the owner only.
QString MakePrivateFolder(const QString &dataDir)
{
    QByteArray pattern = QFile::encodeName(
        JoinPath(dataDir, RestoreFolderPrefix + QString::number(::getpid()) + QStringLiteral("-XXXXXX")));
    if (!::mkdtemp(pattern.data()))
        throw AppError(QStringLiteral("Не удалось создать папку в ") + dataDir);
    return QFile::decodeName(pattern);
}

} // namespace

QString ExtractRestoreXml(const QString &restoreFile, const QByteArray &chamberKey, const QString &dataDir)
{
    QString name = QFileInfo(restoreFile).fileName();
    if (name.endsWith(QLatin1String(".cod")))
        name.chop(4);
    const QString folder = MakePrivateFolder(dataDir);
    try {
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
        return xmlPath;
    } catch (...) {
        QDir(folder).removeRecursively();
        throw;
    }
}

void RemoveRestoreXml(const QString &xmlPath)
{
    const QFileInfo xml(xmlPath);
    QFile::remove(xmlPath);
    const QString folder = xml.absolutePath();
    // Only a folder of ours goes with it.
    if (xml.dir().dirName().startsWith(RestoreFolderPrefix))
        QDir().rmdir(folder);
}
