#include "ProjectImportChain.h"

#include "CommonTessal.h"
#include "ProgramVersion.h"
#include "Prompter.h"
#include "ServerAnswers.h"
#include "StrictDecimal.h"
#include "SyncTexts.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QRegularExpression>

namespace {

const char HelloLocation[] = "TfEdit.GetMessageSim()";
const char WsdlLocation[] = "TfEdit.GetWSDLSim()";
const char ProjectLocation[] = "TfEdit.GetProject()";
using SyncTexts::RestavoFailed;

void Tell(const QString &text)
{
    Prompts().ask(text, App().MessageTitle, Prompt::Warning, Prompt::Ok);
}

} // namespace

QString ProjectLogOnRefusal(const ProjectLogOn &logOn, const QString &programUser)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(logOn.projectNumber).hasMatch() || !ParseStrictInt32(logOn.projectNumber.toUtf8()))
        return QStringLiteral("Номер заготовки вводится цифрами.");
    const QList<QPair<QString, QString>> words = {
        {logOn.account, QStringLiteral("Имя эксперта")},
        {logOn.userName, QStringLiteral("Имя пользователя")},
        {programUser, QStringLiteral("Имя вошедшего в программу")},
    };
    for (const auto &[value, what] : words) {
        switch (RestavoWordFaultOf(value)) {
        case RestavoWordFault::None: break;
        case RestavoWordFault::Empty: return what + QStringLiteral(" не указано: без него проект не получить.");
        case RestavoWordFault::Comma: return what + QStringLiteral(" не может содержать запятую.");
        }
    }
    return {};
}

ProjectImportChain::ProjectImportChain(const QString &programDir, ProjectImportHost host, RestavoStarter starter)
    : m_programDir(programDir), m_host(std::move(host)),
      m_frame(starter ? std::move(starter) : ProgramFolderRestavo(programDir),
              [this](quint32 message, qint32 wParam, qint32 lParam) { replied(message, wParam, lParam); })
{
    WindowMessages &messages = WindowMessages::instance();
    // Only the step the chain posted itself is taken.
    messages.setHandler(this, HelloStepMessage, [this](qint32 w, qint32 l) {
        if (m_frame.takePosted(HelloStepMessage, l))
            GetMessageSim(w, l, false);
    });
    messages.setHandler(this, WsdlStepMessage, [this](qint32 w, qint32 l) {
        if (m_frame.takePosted(WsdlStepMessage, l))
            GetWSDLSim(w, l, false);
    });
    messages.setHandler(this, ProjectStepMessage, [this](qint32 w, qint32 l) {
        if (m_frame.takePosted(ProjectStepMessage, l))
            GetProject(w, l, false);
    });
}

ProjectImportChain::~ProjectImportChain() = default;

QString ProjectImportChain::dataFile(const QString &name) const
{
    return JoinPath(DataDirOf(m_programDir), name);
}

void ProjectImportChain::start(const ProjectLogOn &logOn, const QString &programUser)
{
    m_logOn = logOn;
    m_programUser = programUser;
    m_frame.begin();
    m_host.setActionEnabled(false);
    post(HelloStepMessage, 1);
}

void ProjectImportChain::abandon()
{
    if (running())
        end();
}

void ProjectImportChain::end()
{
    m_frame.end();
    m_host.setActionEnabled(true);
}

void ProjectImportChain::post(quint32 message, qint32 wParam)
{
    m_frame.post(WindowMessages::instance().handleOf(this), message, wParam, 2);
}

void ProjectImportChain::startRun(int operation, quint32 message, const QList<RestavoArgument> &arguments,
                                  const char *location, bool tellInBox)
{
    const QString failed = m_frame.start(operation, message, arguments);
    if (failed.isEmpty())
        return;
    LogException(location, AppError(failed));
    m_host.setStatus(failed);
    if (tellInBox)
        Tell(failed);
    end();
}

void ProjectImportChain::replied(quint32 message, qint32 wParam, qint32 lParam)
{
    if (message == HelloStepMessage)
        GetMessageSim(wParam, lParam, true);
    else if (message == WsdlStepMessage)
        GetWSDLSim(wParam, lParam, true);
    else
        GetProject(wParam, lParam, true);
}

void ProjectImportChain::failedStart(const char *location)
{
    m_host.setStatus(RestavoFailed);
    if (location)
        LogException(location, AppError(RestavoFailed));
    end();
}

void ProjectImportChain::GetMessageSim(qint32 wParam, qint32 lParam, bool reply)
{
    if (!running())
        return;
    if (!reply) {
        if (wParam == 1 && lParam == 2)
            startRun(2, HelloStepMessage, {RestavoArgument::text(ProgramVersion)}, HelloLocation, false);
        return;
    }
    if (lParam != 2)
        return failedStart(HelloLocation);
    if (wParam != 0) {
        LogException(HelloLocation, AppError(SyncTexts::HelloCallFailed));
        m_host.setStatus(QStringLiteral("Ошибка обращения GetMessageSim(hello)"));
        return end();
    }
    readHello();
}

void ProjectImportChain::readHello()
{
    try {
        const QString answer = QString::fromUtf8(FileToString(dataFile(QStringLiteral("hello.xml"))));
        const QString stop = HelloStopLine(answer, QStringLiteral("TfEdit.GetMessageSim"), EventCategory::Exchange);
        if (!stop.isEmpty()) {
            Tell(stop);
            return end();
        }
    } catch (const std::exception &e) {
        LogException(HelloLocation, e);
        m_host.setStatus(SyncTexts::ParseFailure);
        return end();
    }
    post(WsdlStepMessage, 0);
}

void ProjectImportChain::GetWSDLSim(qint32 wParam, qint32 lParam, bool reply)
{
    if (!running())
        return;
    if (!reply) {
        if (wParam == 0 && lParam == 2)
            startRun(11, WsdlStepMessage, {}, WsdlLocation, true);
        return;
    }
    if (lParam != 2)
        return failedStart(WsdlLocation);
    if (wParam == -1) {
        post(ProjectStepMessage, 1);
        return;
    }
    Tell(QStringLiteral("не удалось загрузить WSDL"));
    end();
}

void ProjectImportChain::GetProject(qint32 wParam, qint32 lParam, bool reply)
{
    if (!running())
        return;
    if (!reply) {
        if (wParam == 1 && lParam == 2)
            startRun(12, ProjectStepMessage,
                     {RestavoArgument::text(ProgramVersion), RestavoArgument::text(m_logOn.account),
                      RestavoArgument::secret(m_logOn.password), RestavoArgument::text(m_logOn.userName),
                      RestavoArgument::text(m_logOn.projectNumber), RestavoArgument::text(m_programUser)},
                     ProjectLocation, false);
        return;
    }
    if (lParam != 2)
        return failedStart(nullptr);
    if (wParam != 0) {
        m_host.setStatus(QStringLiteral("Ошибка обращения к ZUV"));
        return end();
    }
    try {
        m_host.applyProject();
    } catch (const std::exception &e) {
        LogException(ProjectLocation, e);
    }
    end();
}
