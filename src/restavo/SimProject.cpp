// The project-service operations of the server worker: the service's
// description into wsdl.xml, and one project into serv.xml.
#include "Sim.h"

#include "CdbExchange.h"
#include "CommonTessal.h"
#include "ProjectAnswer.h"
#include "ProjectService.h"
#include "Prompter.h"
#include "ServerAnswers.h"
#include "SimRecords.h"
#include "UrlPort.h"
#include "ggDebug.h"
#include "ggError.h"
#include "ggFiles.h"
#include "qlMsInternet.h"

#include <QThread>

namespace {

// The service gets two pauses, before opening the request and before
// sending it, each twice the pause of a central database request (2,000 ms
// unless automated runs shortened it).
void ServicePause()
{
    QThread::msleep(unsigned(2 * CdbRequestPauseMs()));
}

void Tell(const QString &text)
{
    Prompts().ask(text, App().MessageTitle, Prompt::Warning, Prompt::Ok);
}

} // namespace

qint32 TSim::ExecuteWSDL()
{
    try {
        const QString hello = QString::fromUtf8(FileToString(dataFile(ExchangeFiles::Hello)));
        const QString wsdl = GetWSDL(ProjectServiceAgent, ProjectServiceCertificateSubject, hello);
        WriteFileAtomic(dataFile(ExchangeFiles::Wsdl), wsdl.toUtf8());
        return -1;
    } catch (const std::exception &e) {
        RecordOperationFailure(QStringLiteral("ошибка TSim.ExecuteWSDL = "), e);
        return -2;
    }
}

qint32 TSim::GetProject(const QString &, const QString &account, const QString &password, const QString &userName,
                        qint32 projectNumber, const QString &programUser)
{
    try {
        const QString wsdl = QString::fromUtf8(FileToString(dataFile(ExchangeFiles::Wsdl)));
        const QString address = ServiceAddress(wsdl);
        ProjectRequest request;
        request.chamberNumber = ChamberNumber;
        request.workstationNumber = WorkstationNumber;
        request.chamberKey = ChamberKey;
        request.account = account;
        request.password = password;
        request.programUser = programUser;
        request.userName = userName;
        request.projectNumber = projectNumber;
        const QByteArray envelope = ProjectEnvelope(ServiceNamespace(wsdl), request);

        THttpsConnection connection;
        connection.Agent = ProjectServiceAgent;
        connection.CertificateSubject = ProjectServiceCertificateSubject;
        connection.Headers = ProjectRequestHeaders;
        // No service answered op 11: there is nobody to ask.
        if (UrlHost(address).isEmpty())
            throw AppError(QStringLiteral("в wsdl.xml нет адреса сервиса"));
        connection.SetServerName(UrlHost(address));
        connection.Port = UrlPort(address);
        // An address without a path asks for the service's root.
        const QString path = UrlPath(address);
        ServicePause();
        QByteArray answer;
        switch (SendToCdb(connection, {QStringLiteral("POST"), path.isEmpty() ? QStringLiteral("/") : path, envelope},
                          answer, connection.MaxAnswerText, ServicePause)) {
        case CdbStep::Connect: Tell(QStringLiteral("ConnectToHttpsServer: ") + SysErrorText(connection.ErrorCode)); return -1;
        case CdbStep::Send: Tell(QStringLiteral("SendHttpsRequest: ") + SysErrorText(connection.ErrorCode)); return -1;
        case CdbStep::Done: break;
        }
        const QString text = AnswerText(answer);
        WriteEventLog(EventType::Success, EventCategory::Diagnostics, EventId::Diagnostic,
                      {QStringLiteral("проект с сервера: ") + text});

        pugi::xml_document document;
        LoadAnswerXml(document, text.toUtf8());
        const pugi::xml_node result = ProjectResult(document);
        if (const std::optional<QString> error = ProjectErrorText(result)) {
            Tell(ProjectErrorMessage(*error));
            return -1;
        }
        if (!result.child("CertificatePack"))
            throw AppError(QStringLiteral("отсутствует узел CertificatePack"));
        if (!ProjectForm(result))
            throw AppError(QStringLiteral("отсутствует узел TessalForm"));
        // The answer byte for byte (it is well-formed UTF-8, or it would not have parsed).
        WriteFileAtomic(dataFile(ExchangeFiles::Serv), answer);
        return 0;
    } catch (const std::exception &e) {
        RecordOperationFailure(QStringLiteral("ошибка TSim.GetProject = "), e);
        return -1;
    }
}
