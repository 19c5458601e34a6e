// The fetching operations of the server worker: hello, the workstation file,
// the versions, the changes and the restore file.
#include "Sim.h"

#include "CdbExchange.h"
#include "FileDialogs.h"
#include "ServerAnswers.h"
#include "DownloadProgress.h"
#include "SimRecords.h"
#include "ProgressSink.h"
#include "WorkstationFileStep.h"
#include "ggError.h"
#include "ggFiles.h"
#include "obDCPcrypt.h"
#include "qlMsInternet.h"

#include <QDir>

namespace {

const QString FailurePrefix = QStringLiteral("ошибка = ");

// The reason of an error answer; empty for any other answer, XML or not.
QString RefusalIn(const QString &answer)
{
    try {
        return GetErrorFromServer(answer);
    } catch (const std::exception &) {
        return QString();
    }
}

} // namespace

qint32 TSim::ExecuteHello(const QString &version)
{
    try {
        THttpsConnection connection;
        const QString answer = RequestHello(connection, ServerUrl, ServerPort, identity(version), false);
        // Not examined here: the starter reads the file.
        WriteFileAtomic(dataFile(ExchangeFiles::Hello), answer.toUtf8());
        return 0;
    } catch (const std::exception &e) {
        RecordOperationFailure(FailurePrefix, e);
        return -1;
    }
}

qint32 TSim::askNthServer(const QString &method, qint32 n,
                          const std::function<bool(THttpsConnection &, const ServerAttributes &,
                                                   const QByteArray &path)> &ask)
{
    HelloAnswer hello;
    try {
        const QString text = QString::fromUtf8(FileToString(dataFile(ExchangeFiles::Hello)));
        hello = CheckHelloAnswer(text, HelloRecords::withAnswer(method, text));
    } catch (const std::exception &e) {
        RecordOperationFailure(FailurePrefix, e);
        return -2;
    }
    if (n <= 0 || n > hello.cdb.size())
        return -2;
    // Whatever goes wrong from here tells the starter that this server
    // failed, so that it asks the next one.
    try {
        THttpsConnection connection;
        const ServerAttributes &server = hello.cdb[n - 1];
        const QByteArray path = pointAtCdbServer(connection, server);
        return ask(connection, server, path) ? -1 : n;
    } catch (const std::exception &e) {
        RecordOperationFailure(FailurePrefix, e);
        return n;
    }
}

qint32 TSim::ExecuteCod(const QString &version, qint32 n)
{
    const QString method = QStringLiteral("TSim.ExecuteCod");
    return askNthServer(method, n, [&](THttpsConnection &connection, const ServerAttributes &,
                                       const QByteArray &path) {
        // Only a whole 2xx answer that deciphers into a workstation file
        // passing every check replaces i.cod, and atomically.
        return FetchWorkstationFile(connection, path, identity(version), method, dataFile(WorkstationFileName), {})
            .has_value();
    });
}

qint32 TSim::ExecuteVersion(const QString &version, qint32 n)
{
    const QString method = QStringLiteral("TSim.ExecuteVersion");
    return askNthServer(method, n, [&](THttpsConnection &connection, const ServerAttributes &server,
                                       const QByteArray &path) {
        // The server of the chain, fixed before it is asked.
        WriteFileAtomic(dataFile(ExchangeFiles::Params),
                        connection.ServerName().toUtf8() + ',' + QByteArray::number(connection.Port) + ','
                            + server.path);
        QByteArray answer;
        if (!ExchangeWithCdb(connection, CdbRequests::Versions(path, identity(version)), method,
                             QStringLiteral("/version"), answer, connection.MaxAnswerText))
            return false;
        const QString text = AnswerText(answer);
        if (!RefusalIn(text).isEmpty()) {
            RecordErrorAnswer(method, QStringLiteral("\"version\". ответ сервера: "), text);
            return false;
        }
        WriteFileAtomic(dataFile(ExchangeFiles::Version), text.toUtf8());
        return true;
    });
}

qint32 TSim::ExecuteChange(const QString &version, qint32 lastKnownChange)
{
    const QString method = QStringLiteral("TSim.ExecuteChange");
    RecordDiagnostic(QStringLiteral("[TSim.ExecuteChange] Вошли с LastChange = ") + QString::number(lastKnownChange));
    try {
        THttpsConnection connection;
        const QByteArray path = useChainServer(connection, method);
        QByteArray answer;
        if (!ExchangeWithCdb(connection,
                             CdbRequests::Changes(path, identity(version), QByteArray::number(lastKnownChange)),
                             method, QStringLiteral("/changes"), answer, connection.MaxAnswerText))
            return -1;
        const QString text = AnswerText(answer);
        RecordDiagnostic(QStringLiteral("[TSim.ExecuteChange] changes.xml = ") + text);
        QString refusal;
        try {
            refusal = GetErrorFromServer(text);
        } catch (const std::exception &e) {
            throw AppError(QStringLiteral("TSim.ExecuteChange:") + ExceptionText(e));
        }
        if (!refusal.isEmpty()) {
            RecordErrorAnswer(method, QStringLiteral("\"change\". ответ сервера: "), text);
            return -1;
        }
        // The changes are applied by the starter.
        WriteFileAtomic(dataFile(ExchangeFiles::Change), text.toUtf8());
        return 0;
    } catch (const std::exception &e) {
        RecordOperationFailure(FailurePrefix, e);
        return -1;
    }
}

qint32 TSim::ExecuteRestore(const QString &version)
{
    const QString method = QStringLiteral("TSim.ExecuteRestore");
    try {
        THttpsConnection connection;
        const QByteArray path = useChainServer(connection, method);
        QByteArray data;
        {
            const std::unique_ptr<ProgressSink> window = progressWindow();
            const DownloadProgress progress(connection, window.get());
            if (!ExchangeWithCdb(connection, CdbRequests::Restore(path, identity(version)), method,
                                 QStringLiteral("/restore"), data, connection.MaxAnswerData))
                return -1;
        }
        // A refusal or nothing at all is no restore file: nothing is offered for saving.
        if (!ErrorInBinaryAnswer(data).isEmpty()) {
            RecordErrorAnswer(method, QStringLiteral("\"restore\". ответ сервера: "), QString::fromUtf8(data));
            return -1;
        }
        if (data.isEmpty())
            throw AppError(QStringLiteral("получен пустой файл"));
        // Without a chamber key there is nothing to save: refused before the operator is asked.
        EncryptWithChamberKey(data, ChamberKey);
        const QString folder = JoinPath(m_programDir, DownloadFolderName);
        QDir().mkpath(folder);
        FileDialogRequest request;
        request.folder = folder;
        request.fileName = RestoreFileName;
        request.defaultSuffix = QStringLiteral("cod");
        const std::optional<QString> chosen = FileDialogsInUse().saveFile(request);
        if (!chosen)
            return 0;
        WriteFileAtomic(*chosen, data);
        return 0;
    } catch (const std::exception &e) {
        RecordOperationFailure(QStringLiteral("[TSim.ExecuteRestore] ошибка = "), e);
        return -1;
    }
}
