#include "CertificateSave.h"

#include "CertificateParams.h"
#include "ClientDataSet.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "EditHeadBoxes.h"
#include "GoodsLines.h"
#include "Prompter.h"
#include "SqliteDatabase.h"
#include "ggError.h"
#include "uDlgNetExit.h"

namespace {

// The number of rows with this id whose status is (or, with `other`, is not) a project's.
int64_t CountRows(SqlQuery &work, int64_t id, bool other)
{
    work.close();
    work.setSql(QStringLiteral("select count(*) as ct,status from mcod where (id = :id) and (status ")
                + (other ? QStringLiteral("<>") : QStringLiteral("=")) + QStringLiteral(" 6)"));
    work.paramByName("id").setInteger(id);
    work.open();
    const int64_t count = work.fieldByName("ct").asInteger();
    work.close();
    return count;
}

void Execute(SqlQuery &work, const QString &sql, int64_t id)
{
    work.close();
    work.setSql(sql);
    work.paramByName("id").setInteger(id);
    work.execSql();
    work.close();
}

// Only a project may be overwritten, and only one row of it.
void DeleteStoredProject(SqlQuery &work, int64_t id)
{
    const int64_t projects = CountRows(work, id, false);
    if (projects > 1)
        throw AppError(SaveTexts::TooManyRows + QString::number(projects));
    if (CountRows(work, id, true) > 0)
        throw AppError(SaveTexts::NotAProject);
    Execute(work, QStringLiteral("delete from dcod where idM = :id"), id);
    Execute(work, QStringLiteral("delete from mcod where id = :id"), id);
}

// The original of a duplicate points to it. A spoilt blank whose number the
// original shares is left alone.
void LinkDuplicateToOriginal(TDM &dm)
{
    SqlQuery &work = dm.ALQueryWork;
    work.close();
    work.setSql(QStringLiteral("update mcod SET  goDuplicate = :goDuplicate where ReferenceNo = :ReferenceNo"
                               " and (status <> 8)"));
    work.paramByName("goDuplicate").setText(dm.QueryInsM.paramByName("ReferenceNo").asText());
    work.paramByName("ReferenceNo").setText(dm.QueryInsM.paramByName("goTrue").asText());
    work.execSql();
    work.close();
}

bool ValidateForMode(TDM &dm, uint8_t mode)
{
    switch (mode) {
    case 1:
    case 2:
    case 3:
        return SetStatusPaper(dm, 6);
    case 4:
        return SetStatusPaper(dm, 10);
    default:
        Prompts().inform(SaveTexts::UnknownStatus, App().MessageTitle, Prompt::Error);
        return false;
    }
}

enum class WriteOutcome { Written, ZeroId, Failed };

WriteOutcome WriteCertificate(TDM &dm, const EditorHead &head, ClientDataSet &lines, uint8_t mode)
{
    SqliteTransaction transaction(dm.ASQLite3DBd);
    try {
        ActToParams(head, dm.QueryInsM.params());
        if (mode != 1) {
            const int64_t id = mode == 2 ? App().EditedRowId : dm.QueryInsM.paramByName("id").asInteger();
            if (id == 0) {
                transaction.rollback();
                Prompts().inform(SaveTexts::ZeroId, App().MessageTitle, Prompt::Error);
                return WriteOutcome::ZeroId;
            }
            DeleteStoredProject(dm.ALQueryWork, id);
        }
        FinishGoodsEditing(lines);
        InsertGoodsLines(dm.QueryInsD, dm.QueryInsM.paramByName("id").asInteger(), lines);
        dm.QueryInsM.execSql();
        if (dm.QueryInsM.paramByName("status").asInteger() == 10)
            LinkDuplicateToOriginal(dm);
        transaction.commit();
        return WriteOutcome::Written;
    } catch (const std::exception &e) {
        dm.ALQueryWork.close();
        const QString message = ExceptionText(e);
        Prompts().inform(SaveTexts::Refused + message, App().MessageTitle, Prompt::Error);
        if (transaction.isOpen())
            transaction.rollback();
        WriteEventLog(EventType::Warning, EventCategory::FunctionFailure, EventId::FunctionFailed,
                      {SaveTexts::FailureEvent, message});
        return WriteOutcome::Failed;
    }
}

} // namespace

bool DatabaseStillOurs(TDM &dm)
{
    if (dm.ReadOption(CommonUser, QStringLiteral("NetGuid")) != InstanceGuidText()) {
        Prompts().inform(SaveTexts::InterlockLost, App().MessageTitle, Prompt::Warning);
        App().StopFlag = true;
    }
    return !App().StopFlag;
}

SaveResult SaveCertificate(TDM &dm, const EditorHead &head, ClientDataSet &lines)
{
    SaveResult result;
    if (!DatabaseStillOurs(dm))
        return result;
    if (App().DuplicateInProgress) {
        if (Prompts().ask(SaveTexts::DuplicateQuestion, App().MessageTitle, Prompt::Warning, Prompt::YesCancel)
            != Prompt::IdYes)
            return result;
        result.duplicateConfirmed = true;
    }
    const uint8_t mode = App().EditMode;
    HeadToParams(head, dm.QueryInsM.params());
    if (!ValidateForMode(dm, mode))
        return result;
    if (WriteCertificate(dm, head, lines, mode) != WriteOutcome::Written)
        return result;
    // Recorded only once the certificate is in the database.
    WriteEventLog(EventType::Information, EventCategory::UserAction,
                  mode == 1 || mode == 3 ? EventId::CertificateSavedNew : EventId::CertificateSaved,
                  {App().CurrentUserName, dm.QueryInsM.paramByName("ReferenceNo").asText()});
    result.saved = true;
    result.id = dm.QueryInsM.paramByName("id").asInteger();
    return result;
}

bool ShowSavedCertificate(TDM &dm, int64_t id)
{
    ReopenCertificateList(dm, id);
    return dm.ASQM.isActive() && !dm.ASQM.isEmpty() && dm.ASQM.fieldByName("id").asInteger() == id;
}
