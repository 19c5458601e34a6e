// The posting operations of the server worker: one day's certificates as a
// data packet (/save), and one issued certificate's attached file (/upload).
#include "Sim.h"

#include "AttachedFileCopy.h"
#include "CdbExchange.h"
#include "CertificatePacket.h"
#include "CommonTessal.h"
#include "FormDataParts.h"
#include "KDSUtils.h"
#include "PacketText.h"
#include "ServerAnswers.h"
#include "DownloadProgress.h"
#include "SimRecords.h"
#include "SqliteDatabase.h"
#include "ProgressSink.h"
#include "StrictDecimal.h"
#include "XmlCharacters.h"
#include "ggError.h"
#include "ggFiles.h"
#include "qlMsInternet.h"

#include <QFile>
#include <functional>
#include <optional>
#include <pugixml.hpp>

namespace {

const QString SubmitLocation = QStringLiteral("Sync.TfSync.aStartExecute");
const QString SubmitRefused = QStringLiteral("submit certs (Скрипт сообщает об ошибке):");

// The status a /save or /upload answer gives, read by Read from the loaded
// answer. Not 0: the answer is recorded; neither 0 nor 1: the certificates
// were not taken, which fails the operation.
void CheckSubmitStatus(const QString &answer, const std::function<int(const pugi::xml_node &root)> &read)
{
    pugi::xml_document document;
    LoadAnswerXml(document, answer.toUtf8());
    const int status = read(document.document_element());
    if (status != 0)
        RecordErrorAnswer(SubmitLocation, SubmitRefused, answer);
    if (status != 0 && status != 1)
        throw AppError(QStringLiteral("неприемлемые ошибки в сертификатах"));
}

// The integer Text of the answer's status; a missing or other value fails.
int StatusValue(const char *text, const char *what)
{
    const std::optional<qint32> value = ParseStrictInt32(QByteArrayView(text));
    if (!value)
        throw AppError(QStringLiteral("%1: \"%2\" is not an integer").arg(QLatin1String(what), QString::fromUtf8(text)));
    return *value;
}

// The first day from Day on that holds a certificate other than a project.
std::optional<qint64> FirstDayToPost(SqliteDatabase &db, qint32 day)
{
    SqliteStatement days(db, QStringLiteral("select distinct LastDate from mcod where (STATUS <> 6)  and "
                                            "(LastDate >= :Day) order by LastDate"));
    days.bindInteger(QStringLiteral("Day"), day);
    if (!days.step())
        return std::nullopt;
    return days.columnInteger(0);
}

struct WaitingFile {
    qint64 id = 0;
    qint64 certNo = 0;
    QByteArray referenceNo;
    QString comment;
};

// The first certificate whose attached file still waits to be sent.
std::optional<WaitingFile> FirstWaitingFile(SqliteDatabase &db)
{
    SqliteStatement rows(db, QStringLiteral("select id, CertNo, ReferenceNo, fileComment13, fileName13 from mcod "
                                            "where STATUS = 5"));
    if (!rows.step())
        return std::nullopt;
    WaitingFile file;
    file.id = rows.columnInteger(0);
    file.certNo = rows.columnInteger(1);
    file.referenceNo = rows.columnText(2).toUtf8();
    file.comment = WideTextFromBytes(rows.columnBlob(3));
    return file;
}

// Sends the connection's multipart body as the request, its progress shown
// in Window; false after the failure record.
bool SendUpload(THttpsConnection &connection, const CdbRequest &request, const QString &location, QByteArray &answer,
                ProgressSink *window)
{
    auto failed = [&](const char *step) {
        RecordErrorAnswer(location, QStringLiteral("/upload") + QLatin1String(step),
                          RequestErrorText(connection.ErrorCode));
        return false;
    };
    PrepareRequest(connection, request);
    if (!connection.ConnectToHttpsServer(request.verb))
        return failed(" (Syn.ConnectToHttpsServer)");
    connection.Headers = "Content-Type: " + connection.FormData().ContentType();
    const DownloadProgress progress(connection, window);
    if (!SendFileToHttpServer(connection) || !connection.DownloadData(answer, connection.MaxAnswerText))
        return failed(" (Syn.SendFileToHttpServer)");
    return true;
}

} // namespace

QByteArray TSim::GetXMLData(qint32 day, const QString &version)
{
    // A database of its own: the packet reads while the caller holds its query.
    SqliteDatabase db(dataFile(QStringLiteral("Tessal.sqb")), SqliteDatabase::OpenMode::MustExist);
    CertificatePacketWriter writer(db, CertificatePacketKind::RestavoDay,
                                   RestavoPacketHeading(db, version, m_workstation));
    const QByteArray packet = writer.text(uint32_t(day));
    WriteFileAtomic(dataFile(QStringLiteral("full_sync.xml")), packet);
    return packet;
}

qint32 TSim::ExecutePostDay(const QString &version, qint32 day)
{
    const QString method = QStringLiteral("TSim.ExecutePostDay");
    try {
        const QByteArray query = identity(version);
        const std::optional<qint64> found = FirstDayToPost(database(), day);
        if (!found)
            return -1;
        const qint32 posted = qint32(*found);
        QByteArray packet;
        for (int attempt = 1;; ++attempt) {
            try {
                packet = GetXMLData(posted, version);
                break;
            } catch (const std::exception &) {
                if (attempt == 9)
                    throw;
            }
        }
        WriteFileAtomic(dataFile(QStringLiteral("send_sync.xml")), packet);
        if (packet.isEmpty())
            return posted + 1;

        THttpsConnection connection;
        const QByteArray path = useChainServer(connection, method);
        QByteArray answer;
        // The day walk posts without the pause the other requests make.
        const auto noPause = [] {};
        if (!ExchangeWithCdb(connection, CdbRequests::SaveDay(path, query, packet), method, QStringLiteral("/save"),
                             answer, connection.MaxAnswerText, noPause))
            return -3;
        const QString text = AnswerText(answer);
        RecordPostAnswer(QStringLiteral("[TSim.ExecutePostDay] ответ сервера на отправку = ") + text);
        CheckSubmitStatus(text, [](const pugi::xml_node &root) {
            const pugi::xml_node status = root.child("status");
            if (!status)
                throw AppError(QStringLiteral("status: no such element"));
            return StatusValue(status.child_value(), "status");
        });
        return posted + 1;
    } catch (const std::exception &e) {
        RecordOperationFailure(QStringLiteral("[TSim.ExecutePostDay] ошибка = "), e);
        return -3;
    }
}

qint32 TSim::ExecutePostFile(const QString &version)
{
    const QString method = QStringLiteral("TSim.ExecutePostFile");
    try {
        SqliteDatabase &db = database();
        const std::optional<WaitingFile> waiting = FirstWaitingFile(db);
        if (!waiting)
            return -1;
        // A reference number that is no reference number names no file.
        const QString copy = AttachedFileCopyPath(DataDirOf(m_programDir), waiting->referenceNo, waiting->certNo);

        THttpsConnection connection;
        const QByteArray path = useChainServer(connection, method);
        TMultiPartFormDataStream &body = connection.FormData();
        ClearParts(body);
        AddValuePart(body, "tppn", QByteArray::number(ChamberNumber));
        AddValuePart(body, "plcn", QByteArray::number(WorkstationNumber));
        AddValuePart(body, "tppk", ChamberKey);
        AddValuePart(body, "pver", version.toUtf8());
        AddValuePart(body, "referenceNo", waiting->referenceNo);
        AddValuePart(body, "blankNo", QByteArray::number(waiting->certNo));
        AddValuePart(body, "comment", WithXmlCharactersOnly(waiting->comment).toUtf8());
        AddFilePart(body, "file", copy, {});

        QByteArray answer;
        const std::unique_ptr<ProgressSink> window = progressWindow();
        if (!SendUpload(connection, CdbRequests::Upload(path), method, answer, window.get()))
            return -3;
        const QString text = AnswerText(answer);
        RecordPostAnswer(QStringLiteral("[TSim.ExecutePostFile] ответ сервера на отправку = ") + text);
        CheckSubmitStatus(text, [](const pugi::xml_node &root) {
            const pugi::xml_attribute status = root.child("certificate").attribute("status");
            if (!status)
                throw AppError(QStringLiteral("certificate status: no such attribute"));
            return StatusValue(status.value(), "certificate status");
        });

        try {
            SqliteTransaction transaction(db);
            SqliteStatement update(db, QStringLiteral("update mcod SET STATUS = 7 where id = :id"));
            update.bindInteger(QStringLiteral("id"), waiting->id);
            update.execute();
            transaction.commit();
        } catch (const std::exception &) {
            throw AppError(QStringLiteral("не удалось изменить статус документа"));
        }
        // The certificate is sent and marked so: a copy left behind is only
        // worth a record, the next run does not send it again.
        QFile file(copy);
        if (file.exists() && !file.remove())
            RecordOperationFailure(QStringLiteral("[TSim.ExecutePostFile] ошибка = "),
                                   AppError(QStringLiteral("Cannot delete file \"%1\". %2").arg(copy, file.errorString())));
        return 5;
    } catch (const std::exception &e) {
        RecordOperationFailure(QStringLiteral("[TSim.ExecutePostFile] ошибка = "), e);
        return -3;
    }
}
