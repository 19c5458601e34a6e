#include "RestoreDownloadChain.h"

#include "ProgramVersion.h"
#include "SyncTexts.h"

namespace {

QString FailureLine(const char *step, const char *what)
{
    return QStringLiteral("Зафиксирована %1 ошибка %2.").arg(QLatin1String(step), QString::fromUtf8(what));
}

} // namespace

RestoreDownloadChain::RestoreDownloadChain(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output,
                                           RestavoChainPorts ports)
    : RestavoChain(dm, core, output, std::move(ports),
                   Wording{SyncTexts::RestoreExchange, WLFFinishMessage, QStringLiteral("получение прервано"),
                           FailureLine("%1", "получения")})
{
    addOpeningSteps({WLF1Message, WLFCodMessage, WLF2Message, WLFVersionMessage, WRestoreMessage, "WLF1", "WLFCod",
                     "WLF2", "WLFVersion"});
    addStep(WRestoreMessage, "WRestore", [this](qint32 wParam) { WRestore(wParam); });
    setFailureLine(WLF1Message, FailureLine("WLF1", "восстановления"));
    setFailureLine(WRestoreMessage, FailureLine("WRestore", "восстановления"));
    addEnd("WLFFinish", [this] { WLFFinish(); });
}

void RestoreDownloadChain::start()
{
    if (begin(WLF1Message))
        status(SyncTexts::PleaseWait);
}

void RestoreDownloadChain::WRestore(qint32 wParam)
{
    if (wParam == 1) {
        startUnlessAborted(10, {RestavoArgument::text(ProgramVersion)});
    } else if (wParam == 0) {
        // Saved, or the operator chose not to.
        log(QStringLiteral("файл получен"));
        end(0, 2);
    } else {
        fail(QStringLiteral("Ошибка обращения restore"), QStringLiteral("Ошибка обращения WRestore(restore)"),
             QStringLiteral("Ошибка обращения restore"));
    }
}

void RestoreDownloadChain::WLFFinish()
{
    if (m_ports.running)
        m_ports.running(false);
    log(QStringLiteral("ОПЕРАЦИЯ ЗАВЕРШЕНА"));
    finish();
}
