#include "ProjectService.h"

#include "BorinWin.h"
#include "CdbExchange.h"
#include "ServerAnswers.h"
#include "ggError.h"
#include "qlMsInternet.h"

#include <QStringList>

#include <pugixml.hpp>
#include <sstream>

namespace {

// The text after the first Marker; empty when there is none.
QString After(const QString &marker, const QString &text)
{
    return StrAfterNW(marker, text, 1, true, 0);
}

// The text before the first double quote; empty when there is none.
QString BeforeQuote(const QString &text)
{
    return StrBeforeNW(QStringLiteral("\""), text, 1, true, 0);
}

// One try at one service; raises when it does not deliver.
QString AskForDescription(const QString &agent, const QString &certificateSubject, const pugi::xml_node &sim)
{
    THttpsConnection connection;
    connection.Agent = agent;
    connection.CertificateSubject = certificateSubject;
    connection.SetServerName(QString::fromUtf8(sim.attribute("host").value()));
    connection.Port = PortNumber(sim.attribute("port").value());
    const CdbRequest request{QStringLiteral("GET"), WsdlRequestPath(QString::fromUtf8(sim.attribute("path").value())),
                             {}};
    QByteArray answer;
    const CdbStep step = SendToCdb(connection, request, answer, connection.MaxAnswerText, [] {});
    if (step == CdbStep::Connect)
        throw AppError(QStringLiteral("ConnectToHttpsServer: ") + RequestErrorText(connection.ErrorCode));
    if (step == CdbStep::Send)
        throw AppError(QStringLiteral("SendHttpsRequest: ") + RequestErrorText(connection.ErrorCode));
    return AnswerText(answer);
}

} // namespace

QString WsdlRequestPath(const QString &path)
{
    QString target = path;
    if (!target.startsWith(QLatin1Char('/')))
        target.prepend(QLatin1Char('/'));
    target += QStringLiteral("?WSDL");
    return target.replace(QStringLiteral("//"), QStringLiteral("/"));
}

QString GetWSDL(const QString &agent, const QString &certificateSubject, const QString &helloText)
{
    pugi::xml_document hello;
    LoadAnswerXml(hello, helloText.toUtf8());
    for (const pugi::xml_node &child : hello.document_element().children("sim")) {
        try {
            return AskForDescription(agent, certificateSubject, child);
        } catch (const std::exception &) {
            // The next service may answer.
        }
    }
    return {};
}

QString ServiceNamespace(const QString &wsdl)
{
    const QString schema = After(QStringLiteral("<s:schema"), After(QStringLiteral("<wsdl:types"), wsdl));
    return BeforeQuote(After(QStringLiteral("targetNamespace=\""), schema));
}

QString ServiceAddress(const QString &wsdl)
{
    QString rest = wsdl;
    for (const char *marker : {"<wsdl:definitions", "<wsdl:service", "<wsdl:port", "<soap:address", "location=\""})
        rest = After(QLatin1String(marker), rest);
    return BeforeQuote(rest);
}

QByteArray ProjectEnvelope(const QString &serviceNamespace, const ProjectRequest &request)
{
    const QStringList lines = {
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"),
        QStringLiteral("<soap:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                       "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                       "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\">"),
        QStringLiteral("  <soap:Body>"),
        QStringLiteral("    <get xmlns=\"") + serviceNamespace + QStringLiteral("\">"),
        QStringLiteral("      <dovNumb>string</dovNumb>"),
        QStringLiteral("      <armNumb>int</armNumb>"),
        QStringLiteral("      <dovKey>string</dovKey>"),
        QStringLiteral("      <expertLogin>string</expertLogin>"),
        QStringLiteral("      <expertPaswd>string</expertPaswd>"),
        QStringLiteral("      <expertName>string</expertName>"),
        QStringLiteral("      <userLogin>string</userLogin>"),
        QStringLiteral("      <certNumber>int</certNumber>"),
        QStringLiteral("    </get>"),
        QStringLiteral("  </soap:Body>"),
        QStringLiteral("</soap:Envelope>"),
    };
    const QByteArray text = lines.join(QStringLiteral("\r\n")).toUtf8();
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(text.constData(), size_t(text.size()), pugi::parse_default | pugi::parse_declaration);
    if (!parsed)
        throw AppError(QStringLiteral("XML: %1 (offset %2)").arg(QString::fromUtf8(parsed.description())).arg(parsed.offset));
    pugi::xml_node get = document.document_element().child("soap:Body").child("get");
    const std::pair<const char *, QByteArray> values[] = {
        {"dovNumb", QByteArray::number(request.chamberNumber)},
        {"armNumb", QByteArray::number(request.workstationNumber)},
        {"dovKey", request.chamberKey},
        {"expertLogin", request.account.toUtf8()},
        {"expertPaswd", request.password.toUtf8()},
        {"expertName", request.programUser.toUtf8()},
        {"userLogin", request.userName.toUtf8()},
        {"certNumber", QByteArray::number(request.projectNumber)},
    };
    for (const auto &[element, value] : values)
        get.child(element).text().set(value.constData());
    std::ostringstream out;
    document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return QByteArray::fromStdString(out.str());
}
