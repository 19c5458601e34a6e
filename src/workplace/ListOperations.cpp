#include "ListOperations.h"

#include "BorinWin.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QFile>

bool DlgPaperWanted(const QString &optionValue)
{
    const QString value = optionValue.trimmed();
    if (value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<int64_t> number = ParseDecimal(value.toUtf8());
    return !(number && *number == 0);
}

QString AttachedCopyPath(const QString &dataDir, const QByteArray &referenceNo, qint64 certNo)
{
    if (!IsWellFormedReferenceNo(referenceNo))
        return QString();
    const QString name = QString::fromLatin1(referenceNo) + u'_' + PadLeftW(QString::number(certNo), u'0', 7);
    return SafeJoinPath(dataDir, name);
}

ListedCertificate CurrentListedCertificate(TDM &dm)
{
    SqlQuery &list = dm.ASQM;
    if (!list.isActive() || list.isEmpty())
        throw AppError(QStringLiteral("The list has no current certificate"));
    ListedCertificate c;
    c.id = list.fieldByName(QStringLiteral("id")).asInteger();
    c.referenceNo = list.fieldByName(QStringLiteral("ReferenceNo")).asBytes();
    c.certNo = list.fieldByName(QStringLiteral("CertNo")).asInteger();
    c.hasAttachedFile = !list.fieldByName(QStringLiteral("fileName13")).asBytes().isEmpty();
    return c;
}

void DeleteCertificate(TDM &dm, const ListedCertificate &certificate)
{
    SqlQuery &work = dm.ALQueryWork;
    try {
        SqliteTransaction transaction(dm.ASQLite3DBd);
        for (const char *sql : {"delete from dcod where idM = :id", "delete from mcod where id = :id"}) {
            work.setSql(QString::fromLatin1(sql));
            work.paramByName(QStringLiteral("id")).setInteger(certificate.id);
            work.execSql();
        }
        transaction.commit();
        work.close();
    } catch (const std::exception &e) {
        work.close();
        throw AppError(ExceptionText(e) + QStringLiteral(" id = ") + QString::number(certificate.id));
    }

    WriteEventLog(EventType::Information, EventCategory::UserAction, EventId::CertificateDeleted,
                  {App().CurrentUserName, QString::fromUtf8(certificate.referenceNo)});
    if (certificate.hasAttachedFile) {
        const QString copy = AttachedCopyPath(JoinPath(dm.programDir(), QStringLiteral("data")),
                                              certificate.referenceNo, certificate.certNo);
        if (!copy.isEmpty())
            QFile::remove(copy);
    }
}
