#include "ListOperations.h"
#include "StrictDecimal.h"

#include "AttachedFileCopy.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "GGDateTime.h"
#include "KDSUtils.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QFile>

bool DlgPaperWanted(const QString &optionValue)
{
    const QString value = optionValue.trimmed();
    if (value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    const std::optional<int64_t> number = ParseStrictDecimal(value.toUtf8());
    return !(number && *number == 0);
}

QString AttachedCopyPath(const QString &dataDir, const QByteArray &referenceNo, qint64 certNo)
{
    return IsWellFormedReferenceNo(referenceNo) ? AttachedFileCopyPath(dataDir, referenceNo, certNo) : QString();
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

void FillNewCertificate(TDM &dm, qint64 id, int32_t blankNumber, const QString &language)
{
    SqlQuery &ins = dm.QueryInsM;
    ins.close();
    const QByteArray lang = language.toUtf8();
    const qint64 today = DateToDayNumber(Today());
    auto param = [&](const char *name) -> SqlParam & { return ins.paramByName(QString::fromLatin1(name)); };
    auto clear = [&](std::initializer_list<const char *> names) {
        for (const char *name : names)
            param(name).clear();
    };

    param("id").setInteger(id);
    param("status").setInteger(6);
    param("CertNo").setInteger(App().ProposedCertNo);
    param("ReferenceNo").setText(QString::fromLatin1(MakeReferenceNo(blankNumber)));
    param("GNum").setInteger(YearLastDigit(Today()).toInt());
    param("NumNum").setInteger(blankNumber);
    param("Language").setText(language);
    param("DateIssued").setInteger(today);
    param("Expert").setText(App().CurrentUserName);
    clear({"Sender", "Exporter", "Recipient", "Importer", "transport", "OfficialNote"});
    param("Country5").setText(dm.ReadPhrase(lang, 41));
    param("AdditionalInfo").clear();
    WideToParam(dm.ReadPhrase(lang, 42), param("DovName"));
    param("City11").setText(dm.ReadPhrase(lang, 43));
    param("Date11").setInteger(today);
    SetYearDigit(dm);
    param("Country12").setText(dm.ReadPhrase(lang, 45));
    param("City12").setText(dm.ReadPhrase(lang, 44));
    param("Date12").setInteger(today);
    clear({"BadDate", "BadExpert", "goDuplicate", "goInstead", "goCancel", "goTrue"});
    param("LastDate").setInteger(today);
    clear({"fileComment13", "fileName13", "actNumber14"});
    param("actDate14").setInteger(0);
    param("actPresent14").setBoolean(false);
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
        const QString copy = AttachedCopyPath(dm.dataDir(), certificate.referenceNo, certificate.certNo);
        if (!copy.isEmpty())
            QFile::remove(copy);
    }
}
