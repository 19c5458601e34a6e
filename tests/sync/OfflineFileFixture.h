#pragma once
// The store fixture with a chamber key the cipher takes and helpers for
// issued certificates with attached files (chamber 7, workstation 3).
#include "StoreFixture.h"

#include "AttachedFileCopy.h"
#include "DatabaseOptions.h"

#include <QDir>
#include <QFile>

inline const QByteArray OfflineChamberKey = QByteArrayLiteral("k3Y-of-the-chamber+0123456789abc");

class OfflineFileTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        App().ChamberKey = OfflineChamberKey;
    }

    // A certificate of that status; with a file name in box 13, and its copy
    // in the data folder when `copied`.
    void addCertificate(qint64 id, int status, bool attached = false, bool copied = false)
    {
        QVariantMap values{{"status", status}};
        if (attached)
            values.insert("fileName13", QStringLiteral("/home/expert/скан %1.pdf").arg(id));
        insertCertificate(certificate(id, id, values));
        if (copied)
            WriteWholeFile(copyPath(id), copyContent(id));
    }
    // The attached file's copy of certificate `id` as the fixture writes it.
    static QByteArray copyContent(qint64 id) { return "%PDF-1.4 copy of " + QByteArray::number(id); }
    static QString copyName(qint64 id)
    {
        return AttachedFileCopyName(QStringLiteral("6007%1").arg(id, 6, 10, QLatin1Char('0')).toLatin1(), id + 100);
    }
    QString copyPath(qint64 id) const { return dataFile(copyName(id)); }

    qint64 statusOf(qint64 id) { return value(QStringLiteral("select status from mcod where id = %1").arg(id)).toLongLong(); }
    QString lastSync() { return DatabaseOptions(dm->ASQLite3DBd).readCommon(QStringLiteral("LastSync")); }
    QString sendFile(const QString &name) const { return home.filePath(QStringLiteral("send/") + name); }
    // Every file and folder in send, hidden ones too.
    QStringList sendEntries() const
    {
        return QDir(home.filePath(QStringLiteral("send")))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    }
};
