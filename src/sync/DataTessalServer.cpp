// The data module's server-exchange steps that the synchronisation window
// calls on its own connection: a new workstation file and the choice of the
// central database server. Both walk the `cdb` servers of the hello answer in
// order; a server that cannot be reached, refuses or delivers something
// unusable is recorded where the protocol says so and the next one is asked.
#include "DataTessal.h"

#include "CdbExchange.h"
#include "CommonTessal.h"
#include "Prompter.h"
#include "ServerAnswers.h"
#include "WorkstationFileStep.h"
#include "ggError.h"
#include "qlMsInternet.h"

namespace {

// A text for the log, or for a message box when there is no log.
void Tell(const MemoLine &memo, const QString &text)
{
    if (memo)
        memo(text);
    else
        Prompts().ask(text, App().MessageTitle, Prompt::NoIcon, Prompt::Ok);
}

// Checks the hello answer, shows its messages, points the connection at
// each of its central database servers in turn and runs Step for it, until a
// Step returns true. Any failure of a server moves on to the next. When none
// is left, NoneLeft goes to the log (or a message box) and is raised.
void WalkCdbServers(THttpsConnection &connection, const QString &helloText, const HelloRecords &records,
                    const MemoLine &memo, const std::function<bool(const QByteArray &path)> &step,
                    const QString &noneLeft)
{
    const HelloAnswer hello = CheckHelloAnswer(helloText, records);
    if (memo) {
        for (const QString &message : hello.messages)
            memo(message);
    }
    for (const ServerAttributes &server : hello.cdb) {
        try {
            if (step(UseCdbServer(connection, server)))
                return;
        } catch (const std::exception &) {
            // nothing usable from this server: the next one is asked
        }
    }
    Tell(memo, noneLeft);
    throw AppError(noneLeft);
}

} // namespace

void TDM::LoadNewICod(THttpsConnection &Connection, const QByteArray &Identity, const QString &Hello,
                      const MemoLine &Memo, const QString &Location)
{
    auto deliver = [&](const QByteArray &path) {
        const std::optional<WorkstationFile> file =
            FetchWorkstationFile(Connection, path, Identity, Location, dataFile(WorkstationFileName),
                                 [&Memo](const QString &reason) { Tell(Memo, reason); });
        if (file)
            UseWorkstationFile(*file);
        return file.has_value();
    };
    WalkCdbServers(Connection, Hello, HelloRecords::withAnswer(Location, Hello), Memo, deliver,
                   QStringLiteral("новый i.cod получить не удалось"));
}

QString TDM::FindCdbServer(THttpsConnection &Connection, const QByteArray &Identity, const QString &Hello,
                           const MemoLine &Memo, const QString &Location)
{
    QByteArray chosen;
    auto holdsCertificates = [&](const QByteArray &path) {
        QByteArray data;
        if (!ExchangeWithCdb(Connection, CdbRequests::Versions(path, Identity), Location, QStringLiteral("/version"),
                             data, Connection.MaxAnswerText))
            return false;
        const QString answer = AnswerText(data);
        const QString refusal = GetErrorFromServer(answer);
        if (!refusal.isEmpty()) {
            WriteEventLog(EventType::AuditFailure, EventCategory::Exchange, EventId::Diagnostic,
                          {Location + QStringLiteral(" /version: ") + answer});
            if (Memo)
                Memo(refusal);
            return false;
        }
        if (!ReadVersionAnswer(answer).hasCertificate)
            return false;
        chosen = path;
        return true;
    };
    WalkCdbServers(Connection, Hello, HelloRecords::withNodeName(Location, Hello), Memo, holdsCertificates,
                   QStringLiteral("Не найден подходящий адрес (url)"));
    return QString::fromUtf8(chosen);
}
