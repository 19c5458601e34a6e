#include "CdbExchange.h"

#include "CommonTessal.h"
#include "ggDebug.h"
#include "ggError.h"
#include "qlMsInternet.h"

#include <QStringDecoder>
#include <QThread>

#include <atomic>

namespace {

std::atomic<int> g_pauseMs {1000};

} // namespace

int CdbRequestPauseMs()
{
    return g_pauseMs;
}

void SetCdbRequestPauseMs(int milliseconds)
{
    g_pauseMs = milliseconds;
}

QString RequestErrorText(uint32_t errorCode)
{
    return QStringLiteral("[ErrorCode %1]").arg(errorCode) + SysErrorText(errorCode);
}

QString CdbStepName(CdbStep step)
{
    return step == CdbStep::Connect ? QStringLiteral("Syn.ConnectToHttpsServer") : QStringLiteral("Syn.SendHttpsRequest");
}

CdbStep SendToCdb(THttpsConnection &connection, const CdbRequest &request, QByteArray &answer, qint64 maxSize,
                  const std::function<void()> &pause)
{
    PrepareRequest(connection, request);
    if (!connection.ConnectToHttpsServer(request.verb))
        return CdbStep::Connect;
    if (pause)
        pause();
    else
        QThread::msleep(unsigned(CdbRequestPauseMs()));
    if (!connection.SendHttpsRequest() || !connection.DownloadData(answer, maxSize))
        return CdbStep::Send;
    return CdbStep::Done;
}

bool ExchangeWithCdb(THttpsConnection &connection, const CdbRequest &request, const QString &location,
                     const QString &requestName, QByteArray &answer, qint64 maxSize,
                     const std::function<void()> &pause)
{
    const CdbStep step = SendToCdb(connection, request, answer, maxSize, pause);
    if (step == CdbStep::Done)
        return true;
    WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::RequestFailed,
                  {location, requestName + QStringLiteral(" (") + CdbStepName(step) + QLatin1Char(')'),
                   RequestErrorText(connection.ErrorCode)});
    return false;
}

QString AnswerText(const QByteArray &answer)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(answer);
    return decoder.hasError() ? QString() : text;
}

QString RequestHello(THttpsConnection &connection, const QString &serverUrl, int serverPort,
                     const QByteArray &identity, bool identityInQuery)
{
    CdbRequest request = CdbRequests::Hello(UrlPath(serverUrl), identity, identityInQuery);
    request.path.replace(QStringLiteral("//"), QStringLiteral("/"));
    connection.Agent = CdbAgent;
    connection.CertificateSubject = CdbCertificateSubject;
    connection.SetServerName(UrlHost(serverUrl));
    connection.Port = serverPort;
    PrepareRequest(connection, request);
    auto failure = [&connection](const char *step) {
        return AppError(QLatin1String(step) + RequestErrorText(connection.ErrorCode));
    };
    if (!connection.ConnectToHttpsServer(request.verb))
        throw failure("ConnectToHttpsServer: ");
    QByteArray answer;
    if (!connection.SendHttpsRequest() || !connection.DownloadData(answer, connection.MaxAnswerText))
        throw failure("SendHttpsRequest: ");
    return AnswerText(answer);
}
