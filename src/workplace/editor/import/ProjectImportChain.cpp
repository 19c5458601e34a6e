#include "ProjectImportChain.h"

#include "CommonTessal.h"
#include "ProgramVersion.h"
#include "Prompter.h"
#include "ServerAnswers.h"
#include "StrictDecimal.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"

#include <QRegularExpression>

namespace {

const char HelloLocation[] = "TfEdit.GetMessageSim()";
const char WsdlLocation[] = "TfEdit.GetWSDLSim()";
const char ProjectLocation[] = "TfEdit.GetProject()";
const QString RestavoFailed = QStringLiteral("Ошибка запуска в программе");

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
    : m_programDir(programDir), m_host(std::move(host)), m_starter(std::move(starter))
{
    if (!m_starter)
        m_starter = ProgramFolderRestavo(m_programDir);
    WindowMessages &messages = WindowMessages::instance();
    messages.setHandler(this, HelloStepMessage, [this](qint32 w, qint32 l) { GetMessageSim(w, l, false); });
    messages.setHandler(this, WsdlStepMessage, [this](qint32 w, qint32 l) { GetWSDLSim(w, l, false); });
    messages.setHandler(this, ProjectStepMessage, [this](qint32 w, qint32 l) { GetProject(w, l, false); });
}

ProjectImportChain::~ProjectImportChain()
{
    delete m_runReceiver;
}

QString ProjectImportChain::dataFile(const QString &name) const
{
    return JoinPath(DataDirOf(m_programDir), name);
}

void ProjectImportChain::start(const ProjectLogOn &logOn, const QString &programUser)
{
    m_logOn = logOn;
    m_programUser = programUser;
    m_running = true;
    m_host.setActionEnabled(false);
    WindowMessages &messages = WindowMessages::instance();
    messages.postLocal(messages.handleOf(this), HelloStepMessage, 1, 2);
}

void ProjectImportChain::abandon()
{
    if (m_running)
        end();
}

void ProjectImportChain::dropRun()
{
    m_pid = 0;
    if (m_runReceiver)
        m_runReceiver->deleteLater();
    m_runReceiver = nullptr;
}

void ProjectImportChain::end()
{
    dropRun();
    m_running = false;
    m_host.setActionEnabled(true);
}

void ProjectImportChain::startRun(int operation, quint32 message, const QList<RestavoArgument> &arguments,
                                  const char *location, bool tellInBox)
{
    dropRun();
    // A receiver for this run alone: what reaches it is this run's reply.
    auto *receiver = new QObject(this);
    WindowMessages &messages = WindowMessages::instance();
    const WindowHandle handle = messages.registerWindow(receiver);
    const LaunchResult launched = m_starter({operation, handle, message, arguments});
    if (!launched.started) {
        delete receiver;
        const QString text = LaunchFailureText(launched);
        LogException(location, AppError(text));
        m_host.setStatus(text);
        if (tellInBox)
            Tell(text);
        end();
        return;
    }
    m_pid = launched.pid;
    m_runReceiver = receiver;
    const qint64 pid = launched.pid;
    messages.setHandler(receiver, message, [this, pid, message](qint32 w, qint32 l) {
        if (pid != m_pid)
            return; // not the run in flight: nobody waits for it any more
        dropRun();
        if (message == HelloStepMessage)
            GetMessageSim(w, l, true);
        else if (message == WsdlStepMessage)
            GetWSDLSim(w, l, true);
        else
            GetProject(w, l, true);
    });
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
    if (!m_running)
        return;
    if (!reply) {
        if (wParam == 1 && lParam == 2)
            startRun(2, HelloStepMessage, {RestavoArgument::text(ProgramVersion)}, HelloLocation, false);
        return;
    }
    if (lParam != 2)
        return failedStart(HelloLocation);
    if (wParam != 0) {
        LogException(HelloLocation, AppError(QStringLiteral("Ошибка обращения hello")));
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
        m_host.setStatus(QStringLiteral("Сбой при разборе"));
        return end();
    }
    WindowMessages &messages = WindowMessages::instance();
    messages.postLocal(messages.handleOf(this), WsdlStepMessage, 0, 2);
}

void ProjectImportChain::GetWSDLSim(qint32 wParam, qint32 lParam, bool reply)
{
    if (!m_running)
        return;
    if (!reply) {
        if (wParam == 0 && lParam == 2)
            startRun(11, WsdlStepMessage, {}, WsdlLocation, true);
        return;
    }
    if (lParam != 2)
        return failedStart(WsdlLocation);
    if (wParam == -1) {
        WindowMessages &messages = WindowMessages::instance();
        messages.postLocal(messages.handleOf(this), ProjectStepMessage, 1, 2);
        return;
    }
    Tell(QStringLiteral("не удалось загрузить WSDL"));
    end();
}

void ProjectImportChain::GetProject(qint32 wParam, qint32 lParam, bool reply)
{
    if (!m_running)
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
