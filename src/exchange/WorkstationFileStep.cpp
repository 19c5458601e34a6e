#include "WorkstationFileStep.h"

#include "CdbExchange.h"
#include "CommonTessal.h"
#include "ServerAnswers.h"
#include "ggFiles.h"

std::optional<WorkstationFile> FetchWorkstationFile(THttpsConnection &connection, const QByteArray &serverPath,
                                                    const QByteArray &identity, const QString &location,
                                                    const QString &fileName,
                                                    const std::function<void(const QString &)> &refusal)
{
    QByteArray data;
    if (!ExchangeWithCdb(connection, CdbRequests::WorkstationFile(serverPath, identity), location,
                         QStringLiteral("/icod"), data, MaxWorkstationFileSize))
        return std::nullopt;
    const QString reason = ErrorInBinaryAnswer(data);
    if (!reason.isEmpty()) {
        if (refusal)
            refusal(reason);
        WriteEventLog(EventType::Error, EventCategory::Exchange, EventId::RequestFailed,
                      {location, QStringLiteral("\"icod\". ответ сервера: "), QString::fromUtf8(data)});
        return std::nullopt;
    }
    const WorkstationFile file = CheckDeliveredWorkstationFile(data);
    WriteFileAtomic(fileName, data);
    return file;
}
