#include "OfflineSyncFile.h"

#include "AppError.h"
#include "AtomicFileWriter.h"
#include "AttachedFileCopy.h"
#include "BorinWin.h"
#include "CommonTessal.h"
#include "DatabaseOptions.h"
#include "ProgramFolders.h"
#include "SqliteDatabase.h"
#include "ZipArchive.h"
#include "ggDebug.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <optional>

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

QList<qint64> BuildOfflineArchive(SqliteDatabase &db, const QString &dataDir, const QString &packetFile,
                                  const QString &zipFile)
{
    ZipFileWriter zip(zipFile);
    zip.addFile(PacketEntry, packetFile);
    QList<qint64> delivered;
    // The files of the data folder, listed once instead of asked for by each
    // certificate's copy name (a file-system call per certificate was a tenth
    // of the archive's time); each says whether it went into the archive yet.
    QHash<QString, bool> copies;
    for (QDirIterator files(dataDir, QDir::Files); files.hasNext();)
        copies.insert(files.nextFileInfo().fileName(), false);
    SqliteStatement rows(db, QStringLiteral("select id,status,CertNo,ReferenceNo,fileName13 from mcod"));
    while (rows.step()) {
        const QByteArray referenceNo = rows.columnBlob(3);
        bool fileIn = false;
        if (IsWellFormedReferenceNo(referenceNo)) {
            const qint64 certNo = rows.columnInteger(2);
            const auto copy = copies.find(AttachedFileCopyName(referenceNo, certNo));
            if (copy != copies.end()) {
                if (!copy.value()) {
                    zip.addFile(copy.key(), AttachedFileCopyPath(dataDir, referenceNo, certNo));
                    copy.value() = true;
                }
                fileIn = true;
            }
        }
        const bool expectsFile = !rows.isNull(4) && !rows.columnBlob(4).isEmpty();
        if (rows.columnInteger(1) == 5 && (fileIn || !expectsFile))
            delivered.append(rows.columnInteger(0));
    }
    zip.finish();
    return delivered;
}

void CheckOfflineFileKey(const QByteArray &chamberKey)
{
    ChamberCipher(chamberKey, CipherStream::Direction::Encrypt); // raises for an empty or short key
}

void EncipherOfflineFile(const QString &zipFile, const QByteArray &chamberKey, AtomicFileWriter &out)
{
    ChamberCipherFile(zipFile, chamberKey, CipherStream::Direction::Encrypt, out);
}

namespace {

// What the chosen file held before the run, kept until the database has taken
// the run: a copy in a temporary beside it, which puts the old file back in
// one rename. The chosen name carries today's date, so an old file is met
// only when the file is written twice in a day.
class KeptOldFile {
public:
    explicit KeptOldFile(const QString &fileName) : m_fileName(fileName)
    {
        const QFileInfo old(fileName);
        if (!old.exists())
            return;
        m_copy.emplace(fileName);
        if (const int error = CopyFileInto(fileName, *m_copy))
            throw FileReplaceError(QStringLiteral("Не удалось сохранить копию файла %1: %2")
                                       .arg(fileName, SysErrorText(uint32_t(error))),
                                   error);
    }
    // Puts back what the file held: the old file, or no file at all.
    void restore()
    {
        if (m_copy)
            m_copy->commit();
        else
            QFile::remove(m_fileName);
    }

private:
    QString m_fileName;
    std::optional<AtomicFileWriter> m_copy;
};

} // namespace

void CommitOfflineFile(SqliteDatabase &db, const QString &fileName, AtomicFileWriter &file,
                       const QList<qint64> &delivered, uint32_t today)
{
    KeptOldFile old(fileName);
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
        old.restore();
        throw;
    }
}
