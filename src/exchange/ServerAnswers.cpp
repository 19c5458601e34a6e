#include "ServerAnswers.h"

#include "CdbRequests.h"
#include "CommonTessal.h"
#include "StrictDecimal.h"
#include "WorkstationFile.h"
#include "obDCPcrypt.h"
#include "ggError.h"
#include "qlMsInternet.h"

#include <pugixml.hpp>

void LoadAnswerXml(pugi::xml_document &document, const QByteArray &xml)
{
    const pugi::xml_parse_result parsed = document.load_buffer(xml.constData(), size_t(xml.size()));
    if (!parsed)
        throw AppError(QStringLiteral("XML: %1 (offset %2)").arg(QString::fromUtf8(parsed.description())).arg(parsed.offset));
}

namespace {

ServerAttributes Attributes(const pugi::xml_node &element)
{
    return {element.attribute("host").value(), element.attribute("port").value(), element.attribute("path").value()};
}

void Refuse(uint32_t eventId, const QStringList &strings, const QString &text)
{
    WriteEventLog(EventType::Error, EventCategory::Exchange, eventId, strings);
    throw AppError(text);
}

const QString Hello = QStringLiteral("\"hello\"");
const QString WantedProtocol = QStringLiteral("exchangeProtocol version=\"2\"");

} // namespace

QString GetErrorFromServer(const QString &answer)
{
    pugi::xml_document document;
    LoadAnswerXml(document, answer.toUtf8());
    const pugi::xml_node root = document.document_element();
    if (std::string_view(root.name()) != "dataPacket" || std::string_view(root.attribute("name").value()) != "authfailed")
        return QString();
    const QString message = QString::fromUtf8(root.child("message").child_value());
    return message.isEmpty() ? QStringLiteral(" ") : message;
}

QString RecordRefusal(const QString &answer, const QString &recordText, uint16_t category)
{
    const QString refusal = GetErrorFromServer(answer);
    if (!refusal.isEmpty())
        WriteEventLog(EventType::AuditFailure, category, EventId::Diagnostic, {recordText + answer});
    return refusal;
}

QString HelloStopLine(const QString &answer, const QString &location, uint16_t category)
{
    if (answer.isEmpty())
        return QStringLiteral("Сервер вернул пустую строку на hello");
    return RecordRefusal(answer, location + QStringLiteral(" /sync/hello (DM.GetErrorFromServer) "), category);
}

QString ErrorInBinaryAnswer(const QByteArray &answer)
{
    try {
        return GetErrorFromServer(QString::fromUtf8(answer));
    } catch (const AppError &) {
        return QString();
    }
}

QString NormaliseMessageLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r"), QStringLiteral("\r\n"));
    text.replace(QStringLiteral("\n\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    text.replace(QStringLiteral("\r\r"), QStringLiteral("\r"));
    return text;
}

HelloRecords HelloRecords::withAnswer(const QString &location, const QString &answer)
{
    return {location, {Hello + QStringLiteral("exchangeProtocol"), answer}, answer};
}

HelloRecords HelloRecords::withNodeName(const QString &location, const QString &answer)
{
    return {location, {Hello, QStringLiteral("exchangeProtocol")}, answer};
}

HelloAnswer CheckHelloAnswer(const QString &answer, const HelloRecords &records)
{
    pugi::xml_document document;
    try {
        LoadAnswerXml(document, answer.toUtf8());
    } catch (const AppError &) {
        Refuse(EventId::RequestFailed,
               {records.location, QStringLiteral("\"hello\". Невнятный ответ сервера: "), records.answerForRecords},
               QStringLiteral("Дефектный ответ на hello"));
    }
    const pugi::xml_node root = document.document_element();
    const pugi::xml_node protocol = root.child("exchangeProtocol");
    if (!protocol)
        Refuse(EventId::AnswerNodeMissing, QStringList {records.location} + records.noProtocol,
               QStringLiteral("Узел exchangeProtocol не найден"));
    const pugi::xml_attribute versionAttribute = protocol.attribute("version");
    const std::optional<qint32> version =
        versionAttribute ? ParseStrictInt32(QByteArrayView(versionAttribute.value())) : std::nullopt;
    if (!version)
        Refuse(EventId::AnswerAttributeMissing, {records.location, Hello, WantedProtocol},
               QStringLiteral("Отсутствует версия протокола"));
    if (*version != 2)
        Refuse(EventId::AnswerAttributeUnexpected, {records.location, Hello, WantedProtocol, QString::number(*version)},
               QStringLiteral("Версия протокола %1,а нужно только вторая").arg(*version));

    HelloAnswer hello;
    for (const pugi::xml_node &child : root.children()) {
        const std::string_view name = child.name();
        if (child.type() != pugi::node_element)
            continue;
        if (name == "message")
            hello.messages << NormaliseMessageLineBreaks(QString::fromUtf8(child.child_value()));
        else if (name == "cdb")
            hello.cdb << Attributes(child);
        else if (name == "sim")
            hello.sim << Attributes(child);
    }
    return hello;
}

int PortNumber(const QByteArray &text)
{
    const std::optional<qint32> port = ParseStrictInt32(text);
    if (!port || *port < 1 || *port > 65535)
        throw AppError(QStringLiteral("'%1' is not a port number").arg(QString::fromUtf8(text)));
    return *port;
}

QByteArray UseCdbServer(THttpsConnection &connection, const ServerAttributes &server)
{
    const int port = PortNumber(server.port);
    connection.SetServerName(QString::fromUtf8(server.host));
    connection.Port = port;
    return NormaliseServerPath(server.path);
}

VersionAnswer ReadVersionAnswer(const QString &answer)
{
    pugi::xml_document document;
    LoadAnswerXml(document, answer.toUtf8());
    const pugi::xml_node root = document.document_element();
    VersionAnswer read;
    const pugi::xml_node certificate = root.child("certificate");
    read.hasCertificate = bool(certificate);
    read.lastDate = QString::fromUtf8(certificate.child("lastdate").child_value());
    const pugi::xml_node versions = root.child("versions");
    read.hasVersions = bool(versions);
    for (const pugi::xml_node &version : versions.children("version"))
        read.versions.append({version.attribute("name").value(), version.attribute("url").value(),
                              version.attribute("version").value()});
    return read;
}

QByteArray UpdateItemText(const OfferedVersion &offered)
{
    return offered.name + '%' + offered.url + '*' + offered.version;
}

OfferedVersion ReadUpdateItem(const QByteArray &item)
{
    const qsizetype percent = item.indexOf('%');
    const qsizetype star = item.indexOf('*');
    OfferedVersion offered;
    if (percent >= 0)
        offered.name = item.left(percent);
    if (percent >= 0 && star > percent)
        offered.url = item.mid(percent + 1, star - percent - 1);
    if (star >= 0)
        offered.version = item.mid(star + 1);
    return offered;
}

WorkstationFile CheckDeliveredWorkstationFile(const QByteArray &data)
{
    QByteArray plain = data;
    DecryptStream(plain);
    return ParseWorkstationFile(plain);
}
