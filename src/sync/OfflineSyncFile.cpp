#include "OfflineSyncFile.h"

#include "AppError.h"
#include "AtomicFileWriter.h"
#include "BorinWin.h"
#include "CommonTessal.h"
#include "DataTessalNumbering.h"
#include "DatabaseOptions.h"
#include "ProgramFolders.h"
#include "SqliteDatabase.h"
#include "ZipArchive.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const QString PacketEntry = QStringLiteral("sync.xml");

QString Padded(int32_t number, int width)
{
    return PadLeftW(QString::number(number), QLatin1Char('0'), width);
}

} // namespace

QString SendDir(const QString &programDir)
{
    return JoinPath(programDir, SendFolderName);
}

QString DefaultOfflineFileName(int32_t chamberNumber, int32_t workstationNumber, const QDate &today)
{
    return QStringLiteral("TS_") + Padded(chamberNumber, 3) + QLatin1Char('_') + Padded(workstationNumber, 2)
        + QLatin1Char('_') + today.toString(QStringLiteral("yyyy.MM.dd")) + QStringLiteral("_x.zip.cod");
}

OfflineArchive BuildOfflineArchive(SqliteDatabase &db, const QString &dataDir, const QByteArray &packet)
{
    ZipWriter zip;
    zip.add(PacketEntry, packet);
    OfflineArchive archive;
    QSet<QString> packed;
    SqliteStatement rows(db, QStringLiteral("select id,status,CertNo,ReferenceNo,fileName13 from mcod"));
    while (rows.step()) {
        const QByteArray referenceNo = rows.columnBlob(3);
        bool fileIn = false;
        if (IsWellFormedReferenceNo(referenceNo)) {
            const qint64 certNo = rows.columnInteger(2);
            const QString name = AttachedFileCopyName(referenceNo, certNo);
            const QString path = AttachedFileCopyPath(dataDir, referenceNo, certNo);
            fileIn = packed.contains(name);
            if (!fileIn && QFileInfo(path).isFile()) {
                zip.add(name, FileToString(path));
                packed.insert(name);
                fileIn = true;
            }
        }
        const bool expectsFile = !rows.isNull(4) && !rows.columnBlob(4).isEmpty();
        if (rows.columnInteger(1) == 5 && (fileIn || !expectsFile))
            archive.delivered.append(rows.columnInteger(0));
    }
    archive.zip = zip.finish();
    return archive;
}

QByteArray EncipherOfflineFile(QByteArray zip, const QByteArray &chamberKey)
{
    EncryptWithChamberKey(zip, chamberKey);
    return zip;
}

void CommitOfflineFile(SqliteDatabase &db, const QString &fileName, const QByteArray &bytes,
                       const QList<qint64> &delivered, uint32_t today)
{
    AtomicFileWriter file(fileName);
    file.write(bytes);
    SqliteTransaction transaction(db);
    SqliteStatement deliver(db, QStringLiteral("update mcod SET  status = 7 where (status = 5) and (id = :id)"));
    for (const qint64 id : delivered) {
        deliver.reset();
        deliver.bindInteger(QStringLiteral("id"), id);
        deliver.execute();
    }
    DatabaseOptions(db).write(CommonUser, QStringLiteral("LastSync"), QString::number(today));
    file.commit();
    try {
        transaction.commit();
    } catch (...) {
        QFile::remove(fileName);
        throw;
    }
}
