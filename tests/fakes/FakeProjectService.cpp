#include "FakeProjectService.h"

#include <pugixml.hpp>

FakeProjectService::FakeProjectService(const QByteArray &path) : m_path(path)
{
    m_server.setHandler([this](const FakeRequest &request) { return answer(request); });
}

QByteArray FakeProjectService::address() const
{
    return "https://127.0.0.1:" + QByteArray::number(port()) + m_path;
}

QByteArray FakeProjectService::wsdl(const std::optional<QByteArray> &location) const
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
           "<wsdl:definitions xmlns:soap=\"http://schemas.xmlsoap.org/wsdl/soap/\" "
           "xmlns:s=\"http://www.w3.org/2001/XMLSchema\" xmlns:wsdl=\"http://schemas.xmlsoap.org/wsdl/\" "
           "targetNamespace=\"" + Namespace + "\">\r\n"
           "  <wsdl:types>\r\n"
           "    <s:schema elementFormDefault=\"qualified\" targetNamespace=\"" + Namespace + "\">\r\n"
           "      <s:element name=\"get\"/>\r\n"
           "    </s:schema>\r\n"
           "  </wsdl:types>\r\n"
           "  <wsdl:service name=\"Certificates\">\r\n"
           "    <wsdl:port name=\"CertificatesSoap\" binding=\"tns:CertificatesSoap\">\r\n"
           "      <soap:address location=\"" + location.value_or(address()) + "\" />\r\n"
           "    </wsdl:port>\r\n"
           "  </wsdl:service>\r\n"
           "</wsdl:definitions>\r\n";
}

QByteArray FakeProjectService::simElement() const
{
    return "<sim host=\"127.0.0.1\" port=\"" + QByteArray::number(port()) + "\" path=\"" + m_path + "\"/>";
}

void FakeProjectService::serveWsdl(const QByteArray &wsdl)
{
    QMutexLocker lock(&m_mutex);
    m_wsdl = wsdl;
}

void FakeProjectService::addAccount(const QByteArray &account, const QByteArray &password)
{
    QMutexLocker lock(&m_mutex);
    m_accounts.insert(account, password);
}

void FakeProjectService::addProject(qint32 number, const QByteArray &tessalForm)
{
    QMutexLocker lock(&m_mutex);
    m_projects.insert(number, tessalForm);
}

void FakeProjectService::answerWith(const FakeAnswer &answer)
{
    QMutexLocker lock(&m_mutex);
    m_scripted = answer;
}

QByteArray FakeProjectService::answerEnvelope(const QByteArray &result)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
           "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">"
           "<soap:Body><getResponse xmlns=\"" + Namespace + "\"><getResult><result>" + result
        + "</result></getResult></getResponse></soap:Body></soap:Envelope>";
}

QList<FakeRequest> FakeProjectService::projectRequests() const
{
    QList<FakeRequest> soap;
    for (const FakeRequest &request : m_server.requests()) {
        if (request.method == "POST")
            soap << request;
    }
    return soap;
}

FakeAnswer FakeProjectService::answer(const FakeRequest &request)
{
    QMutexLocker lock(&m_mutex);
    if (request.method == "GET" && request.target == m_path + "?WSDL")
        return FakeAnswer::text(m_wsdl.value_or(wsdl()));
    if (request.method == "POST" && request.target == m_path)
        return m_scripted.value_or(project(request.body));
    FakeAnswer missing = FakeAnswer::text("not here", "text/plain");
    missing.status = 404;
    missing.reason = "Not Found";
    return missing;
}

FakeAnswer FakeProjectService::project(const QByteArray &body)
{
    pugi::xml_document request;
    const pugi::xml_node get = request.load_buffer(body.constData(), size_t(body.size()))
        ? request.document_element().child("soap:Body").child("get")
        : pugi::xml_node();
    if (!get) {
        FakeAnswer fault = FakeAnswer::text("<soap:Fault/>");
        fault.status = 500;
        fault.reason = "Internal Server Error";
        return fault;
    }
    const QByteArray account = get.child_value("expertLogin");
    const auto known = m_accounts.constFind(account);
    if (known == m_accounts.constEnd() || *known != get.child_value("expertPaswd"))
        return FakeAnswer::text(answerEnvelope("<Error>403: доступ запрещён</Error>"));
    const auto found = m_projects.constFind(QByteArray(get.child_value("certNumber")).toInt());
    if (found == m_projects.constEnd())
        return FakeAnswer::text(answerEnvelope("<Error>404: проект не найден</Error>"));
    return FakeAnswer::text(answerEnvelope("<CertificatePack>" + *found + "</CertificatePack>"));
}
