#pragma once
// The project service "ZUV" as Restavo talks to it: its description (WSDL)
// fetched from the first service of the hello answer that answers, the
// service's namespace and address read out of that description, and the SOAP
// 1.1 request `get` for one project.
#include <QByteArray>
#include <QString>
#include <cstdint>

// The user agent and the client-certificate subject of both requests.
inline const QString ProjectServiceAgent = QStringLiteral("Certificate Of Origin");
inline const QString ProjectServiceCertificateSubject = QStringLiteral("Certificate of origin");

// The request target of a service's description from the `path` attribute of
// its `sim` element: "/" put in front when missing, "?WSDL" appended, every
// "//" made "/".
QString WsdlRequestPath(const QString &path);

// The description of the first `sim` service of the hello answer that
// answers with a whole 2xx answer, or empty when none does. A service that
// fails (no host, no port, no connection, another status) is passed over
// without a record.
QString GetWSDL(const QString &agent, const QString &certificateSubject, const QString &helloText);

// The service namespace: in the description after the first "<wsdl:types",
// after the first "<s:schema" in that, the value of the first
// targetNamespace="..." (empty when any of them is missing).
QString ServiceNamespace(const QString &wsdl);
// The service address: the location="..." of the first <soap:address> of
// the first <wsdl:port> of the first <wsdl:service> (empty when missing).
QString ServiceAddress(const QString &wsdl);

struct ProjectRequest {
    int32_t chamberNumber = 0;     // dovNumb
    int32_t workstationNumber = 0; // armNumb
    QByteArray chamberKey;         // dovKey
    QString account;               // expertLogin
    QString password;              // expertPaswd
    QString programUser;           // expertName: who is logged on to the workstation
    QString userName;              // userLogin
    int32_t projectNumber = 0;     // certNumber
};

// The SOAP envelope of `get` (UTF-8 XML) in the service's namespace. The
// values are set into the document, so any text survives as it is. Raises
// AppError when the namespace breaks the envelope.
QByteArray ProjectEnvelope(const QString &serviceNamespace, const ProjectRequest &request);

// The one header of the project request.
inline const QByteArray ProjectRequestHeaders = "Content-Type: text/xml; charset=utf-8";
