// The editor's import of a certificate project from the project service
// (aDownLoadSim): the log-on dialog of the outside dialogs library, the chain
// of Restavo runs (ProjectImportChain), and the project of serv.xml put into
// the certificate being edited.
#include "EditForm.h"

#include "ClientDataSet.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "ExchangeFiles.h"
#include "GGDateTime.h"
#include "GoodsLines.h"
#include "ProjectImportChain.h"
#include "Prompter.h"
#include "ServiceProject.h"
#include "SqlQuery.h"
#include "ggError.h"
#include "ggFiles.h"
#include "obDialogsBinding.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>

namespace {
const char ProjectLocation[] = "EditForm.TfEdit.GetProject";
} // namespace

void TfEdit::createProjectImport()
{
    ProjectImportHost host;
    host.setStatus = [this](const QString &text) { emit statusText(text); };
    host.setActionEnabled = [this](bool enabled) { m_aDownLoadSim->setEnabled(enabled); };
    host.applyProject = [this] { GetProjectFromAnswer(); };
    m_projectImport = std::make_unique<ProjectImportChain>(m_dm.programDir(), std::move(host), m_restavoStarter);
}

void TfEdit::setRestavoStarter(std::function<LaunchResult(const RestavoCommand &)> starter)
{
    m_restavoStarter = std::move(starter);
    createProjectImport();
}

void TfEdit::aDownLoadSimExecute()
{
    emit statusText(QString());
    try {
        const QString user = App().CurrentUserName;
        ProjectLogOn logOn;
        logOn.account = m_dm.ReadOption(user, AccountSimOption);
        logOn.password = m_dm.ReadOption(user, PasswordSimOption);
        const DialogsCallOutcome outcome =
            CallShowDlgSimLogin(logOn.account, logOn.password, logOn.userName, logOn.projectNumber);
        SetDateFormats();
        if (!outcome.called()) {
            Prompts().ask(outcome.failureText, App().MessageTitle, Prompt::Error, Prompt::Ok);
            return;
        }
        if (outcome.result != 1)
            return;
        const QString refusal = ProjectLogOnRefusal(logOn, user);
        if (!refusal.isEmpty()) {
            Prompts().ask(refusal, App().MessageTitle, Prompt::Warning, Prompt::Ok);
            return;
        }
        m_dm.SaveOption(user, AccountSimOption, logOn.account);
        m_dm.SaveOption(user, PasswordSimOption, logOn.password);
        m_projectImport->start(logOn, user);
    } catch (const std::exception &e) {
        LogException("EditForm.TfEdit.aDownLoadSimExecute", e);
        emit statusText(EditorFailureText);
    }
}

void TfEdit::GetProjectFromAnswer()
{
    try {
        const ServiceAnswer answer = ReadServiceAnswer(FileToString(JoinPath(m_dm.dataDir(), ExchangeFiles::Serv)));
        if (!answer.errorMessage.isEmpty()) {
            Prompts().ask(answer.errorMessage, App().MessageTitle, Prompt::Warning, Prompt::Ok);
            return;
        }
        if (!answer.project)
            return;
        const ServiceProject &project = *answer.project;
        if (project.language) {
            m_dm.QueryInsM.paramByName(QStringLiteral("Language")).setText(*project.language);
            m_lang->setText(*project.language);
        }
        for (int box = 1; box <= 12; ++box)
            m_dm.QueryInsM.paramByName(QStringLiteral("fSize%1").arg(box)).setInteger(project.fontSizes[size_t(box - 1)]);
        for (const auto &[control, text] : project.boxes)
            setBoxText(control, text);
        if (project.date12)
            m_date12->setDate(DateOfDayNumber(*project.date12));
        ReplaceGoodsLines(*m_cdsD, GoodsFieldNames(), project.goods.value_or(QList<QStringList>{}));
        if (!project.goods)
            throw AppError(QStringLiteral("отсутствует узел GoodsList"));
        importTaken();
        emit statusText(QStringLiteral("Загрузка завершена"));
    } catch (const std::exception &e) {
        LogException(ProjectLocation, e);
        emit statusText(QStringLiteral("Сбой при разборе проекта"));
    }
}
