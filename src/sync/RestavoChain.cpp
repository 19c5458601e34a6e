#include "RestavoChain.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "ExchangeFiles.h"
#include "ProgramVersion.h"
#include "ServerAnswers.h"
#include "SyncWindowCore.h"
#include "SyncTexts.h"
#include "WindowMessages.h"
#include "WorkstationFile.h"
#include "ggError.h"
#include "ggFiles.h"

namespace {

using SyncTexts::HelloCallFailed;
using SyncTexts::ParseFailure;

} // namespace

RestavoChain::RestavoChain(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output, RestavoChainPorts ports,
                           Wording wording)
    : m_dm(dm), m_core(core), m_output(output), m_ports(std::move(ports)), m_wording(std::move(wording)),
      m_frame(m_ports.startRestavo, [this](quint32 message, qint32 wParam, qint32 lParam) {
          dispatch(message, wParam, lParam);
      })
{
}

RestavoChain::~RestavoChain() = default;

QList<quint32> RestavoChain::messages() const
{
    QList<quint32> all;
    for (const auto &entry : m_steps)
        all << entry.first;
    all << m_wording.endMessage;
    return all;
}

void RestavoChain::addStep(quint32 message, const char *name, StepHandler handler)
{
    m_steps[message] = Step{name, std::move(handler), QString()};
}

void RestavoChain::setFailureLine(quint32 message, const QString &line)
{
    m_steps.at(message).failureLine = line;
}

void RestavoChain::addEnd(const char *name, std::function<void()> handler)
{
    m_endName = name;
    m_end = std::move(handler);
}

// ---------------------------------------------------------------- the frame

void RestavoChain::receive(quint32 message, qint32 wParam, qint32 lParam)
{
    if (m_frame.takePosted(message, lParam))
        dispatch(message, wParam, lParam);
}

void RestavoChain::dispatch(quint32 message, qint32 wParam, qint32 lParam)
{
    m_current = message;
    if (message == m_wording.endMessage) {
        try {
            if (m_end)
                m_end();
        } catch (const std::exception &e) {
            LogException(location().toUtf8(), e);
            finish();
        }
        return;
    }
    const auto found = m_steps.find(message);
    if (found != m_steps.end())
        handleStep(found->second, wParam, lParam);
}

void RestavoChain::handleStep(const Step &step, qint32 wParam, qint32 lParam)
{
    try {
        if (lParam == 1) {
            fail(SyncTexts::RestavoFailed, SyncTexts::RestavoFailed,
                 step.failureLine.isEmpty() ? m_wording.stepFailureFormat.arg(QLatin1String(step.name))
                                            : step.failureLine);
            return;
        }
        step.handler(wParam);
    } catch (const std::exception &e) {
        // Each step handles the failures it expects; whatever else escapes
        // still ends the chain, so that the page gets its buttons back.
        LogException(location().toUtf8(), e);
        log(ExceptionText(e));
        if (!m_frame.awaiting())
            end();
    }
}

bool RestavoChain::begin(quint32 firstMessage)
{
    ExchangeTicket ticket = BeginWindowExchange(m_wording.exchangeName, m_output);
    if (!ticket)
        return false;
    m_frame.begin(std::move(ticket));
    m_core.AbortRequested = false;
    post(firstMessage, 1);
    return true;
}

void RestavoChain::finish()
{
    m_frame.end();
}

void RestavoChain::post(quint32 message, qint32 wParam, qint32 lParam)
{
    m_frame.post(m_ports.window, message, wParam, lParam);
}

void RestavoChain::end(qint32 wParam, qint32 lParam)
{
    post(m_wording.endMessage, wParam, lParam);
}

bool RestavoChain::endIfAborted()
{
    if (!m_core.AbortRequested)
        return false;
    log(m_wording.abortLine);
    end();
    return true;
}

void RestavoChain::startRestavo(int operation, const QList<RestavoArgument> &arguments)
{
    const QString failed = m_frame.start(operation, m_current, arguments);
    if (!failed.isEmpty())
        fail(failed, failed, failed);
}

void RestavoChain::startUnlessAborted(int operation, const QList<RestavoArgument> &arguments)
{
    if (!endIfAborted())
        startRestavo(operation, arguments);
}

void RestavoChain::fail(const QString &recordText, const QString &statusText, const QString &logLine)
{
    LogException(location().toUtf8(), recordText.toUtf8());
    status(statusText);
    log(logLine);
    end();
}

void RestavoChain::log(const QString &line)
{
    m_output.logLine(line);
}

void RestavoChain::status(const QString &text)
{
    m_output.statusText(text);
}

QString RestavoChain::dataFile(const QString &name) const
{
    return JoinPath(m_dm.dataDir(), name);
}

QString RestavoChain::handlerName() const
{
    if (m_current == m_wording.endMessage)
        return QLatin1String(m_endName);
    const auto found = m_steps.find(m_current);
    return found == m_steps.end() ? QString() : QLatin1String(found->second.name);
}

QString RestavoChain::location() const
{
    return QStringLiteral("Sync.TfSync.") + handlerName() + QStringLiteral("()");
}

QList<RestavoArgument> RestavoChain::versionArguments(qint64 first)
{
    return {RestavoArgument::number(first), RestavoArgument::text(ProgramVersion)};
}

// ---------------------------------------------------------------- the opening steps

std::optional<QString> RestavoChain::helloAnswer()
{
    try {
        const QString answer = QString::fromUtf8(FileToString(dataFile(ExchangeFiles::Hello)));
        const QString stop =
            HelloStopLine(answer, QStringLiteral("Sync.TfSync.") + handlerName(), EventCategory::Exchange);
        if (!stop.isEmpty()) {
            log(stop);
            end();
            return std::nullopt;
        }
        return answer;
    } catch (const std::exception &e) {
        const QString message = ExceptionText(e);
        fail(message, ParseFailure, ParseFailure + QStringLiteral(" : ") + message);
        return std::nullopt;
    }
}

void RestavoChain::addOpeningSteps(const OpeningSteps &steps)
{
    const auto helloCallFailed = [this] {
        fail(HelloCallFailed, QStringLiteral("Ошибка обращения ") + handlerName() + QStringLiteral("(hello)"),
             HelloCallFailed);
    };
    addStep(steps.hello, steps.helloName, [this, steps, helloCallFailed](qint32 wParam) {
        if (wParam == 1)
            startUnlessAborted(3, {RestavoArgument::text(ProgramVersion)});
        else if (wParam == 0) {
            if (helloAnswer())
                post(steps.cod, 0);
        } else
            helloCallFailed();
    });
    addStep(steps.cod, steps.codName, [this, steps](qint32 wParam) {
        if (wParam == -2) {
            log(QStringLiteral("не удалось загрузить новый i.cod"));
            end();
        } else if (wParam == -1) {
            // Restavo has put the new file in place; it is read with every check.
            try {
                m_dm.ReloadWorkstationFile();
            } catch (const std::exception &e) {
                const QString message = ExceptionText(e);
                fail(message, ParseFailure,
                     QStringLiteral("проблема с файлом ") + dataFile(WorkstationFileName) + QLatin1Char(' ') + message);
                App().StopFlag = true;
                return;
            }
            post(steps.hello2, 1);
        } else {
            // The servers of the hello answer in their order, the first first.
            startUnlessAborted(4, versionArguments(qint64(wParam) + 1));
        }
    });
    addStep(steps.hello2, steps.hello2Name, [this, steps, helloCallFailed](qint32 wParam) {
        if (wParam == 1) {
            startUnlessAborted(5, {RestavoArgument::text(ProgramVersion)});
            return;
        }
        if (wParam != 0) {
            helloCallFailed();
            return;
        }
        const std::optional<QString> answer = helloAnswer();
        if (!answer)
            return;
        try {
            const HelloAnswer hello =
                CheckHelloAnswer(*answer, HelloRecords::withNodeName(QStringLiteral("Sync.TfSync.") + handlerName(), *answer));
            for (const QString &message : hello.messages)
                log(message);
        } catch (const std::exception &e) {
            const QString message = ExceptionText(e);
            fail(message, ParseFailure, ParseFailure + QStringLiteral(" : ") + message);
            return;
        }
        post(steps.version, 0);
    });
    addStep(steps.version, steps.versionName, [this, steps](qint32 wParam) {
        if (wParam == -2) {
            log(QStringLiteral("не удалось загрузить версии"));
            end();
        } else if (wParam == -1) {
            post(steps.next, 1);
        } else {
            startUnlessAborted(6, versionArguments(qint64(wParam) + 1));
        }
    });
}
