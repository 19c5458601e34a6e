// The update download of the server worker: a package named by the version
// answer into the DownLoad folder, and the restorator's updater unpacked.
#include "Sim.h"

#include "BorinWin.h"
#include "CdbExchange.h"
#include "CommonTessal.h"
#include "DatabaseOptions.h"
#include "DownloadProgress.h"
#include "RestoratorPackage.h"
#include "SimRecords.h"
#include "ProgressSink.h"
#include "ZipArchive.h"
#include "WaitWindowProgress.h"
#include "ggError.h"
#include "ggFiles.h"
#include "qlMsInternet.h"

#include <QThread>
#include <optional>

namespace {

// The most an update package may hold.
constexpr qint64 MaxPackageBytes = qint64(256) << 20;

} // namespace

qint32 TSim::ExecuteUpdate(const QString &version, qint32 n, const QString &item)
{
    const QString method = QStringLiteral("TSim.ExecuteUpdate");
    try {
        THttpsConnection connection;
        useChainServer(connection, method);
        const QString delimiters = QStringLiteral("%*");
        const QByteArray url = ExtractWordW(item, delimiters, 2).toUtf8();
        const QString name = item.section(QLatin1Char('%'), 0, 0);
        const QString itemVersion = item.section(QLatin1Char('*'), 1);
        // The package keeps the last part of its url as its name, when that is a name.
        const QString target = SafeJoinPath(JoinPath(m_programDir, DownloadFolderName),
                                            QString::fromUtf8(url.mid(url.lastIndexOf('/') + 1)));

        PrepareRequest(connection, CdbRequests::UpdateFile(url, identity(version)));
        auto failed = [&](const char *step) {
            RecordErrorAnswer(method, QString::fromUtf8(url) + QLatin1String(step),
                              RequestErrorText(connection.ErrorCode));
            return AppError(QStringLiteral("[TSim.ExecuteUpdate] ошибка получения файла"));
        };
        if (!connection.ConnectToHttpsServer(QStringLiteral("GET")))
            throw failed("(Syn.ConnectToHttpsServer)");
        QThread::msleep(unsigned(CdbRequestPauseMs()));
        QByteArray package;
        {
            std::unique_ptr<ProgressSink> window;
            std::optional<DownloadProgress> progress;
            if (name == QLatin1String("program") || name == QLatin1String("restorator")
                || name == QLatin1String("support")) {
                window = progressWindow();
                progress.emplace(connection, window.get());
            }
            if (!connection.SendHttpsRequest() || !connection.DownloadData(package, MaxPackageBytes))
                throw failed("(Syn.SendHttpsRequest)");
        }
        const bool restorator = name == QLatin1String("restorator");
        if ((restorator || name == QLatin1String("support")) && package.isEmpty())
            throw AppError(QStringLiteral("получен пустой файл \"%1\"").arg(name));
        WriteFileAtomic(target, package);

        if (restorator) {
            InstallUpdaterFrom(package, m_programDir);
            SaveOption(CommonUser, QStringLiteral("restorator.zip"), itemVersion);
            WriteEventLog(EventType::Success, EventCategory::Exchange, EventId::Diagnostic,
                          {QStringLiteral("файл VuzudoVO.exe обновлён с сервера")});
        } else if (name == QLatin1String("support")) {
            SaveOption(CommonUser, QStringLiteral("support.zip"), itemVersion);
        }
        return n + 1;
    } catch (const std::exception &e) {
        const QString prefix = QStringLiteral("[TSim.ExecuteUpdate] ошибка = ");
        RecordOperationFailure(prefix, e);
        throw AppError(prefix + ExceptionText(e));
    }
}
