#pragma once
// A stand-in for the project service "ZUV" over the fake server's HTTPS on
// 127.0.0.1: its description at <path>?WSDL names its namespace and its own
// address, and the SOAP request `get` at <path> answers with the project of
// that number when the account and password are known, else with an error
// text ("403: ..." or "404: ..."). A scripted answer may stand in for the
// SOAP answer. Every request is recorded.
//
//   FakeProjectService service;
//   service.addAccount("expert", "secret");
//   service.addProject(42, FakeProjectService::tessalForm("..."));
//   hello += service.simElement();
#include "FakeCentralServer.h"

#include <QByteArray>
#include <QMap>
#include <QMutex>
#include <optional>

class FakeProjectService {
public:
    static inline const QByteArray Namespace = "http://zuv.example/certificates/";

    // Path: the service's path on the server, with its leading "/".
    explicit FakeProjectService(const QByteArray &path = "/ws/certs.asmx");

    int port() const { return m_server.port(); }
    QByteArray path() const { return m_path; }
    // The address the description gives: https://127.0.0.1:<port><path>.
    QByteArray address() const;
    // The description; Location stands in for the address when given.
    QByteArray wsdl(const std::optional<QByteArray> &location = std::nullopt) const;
    // The `sim` element of a hello answer that points here.
    QByteArray simElement() const;
    // The description to serve instead of the own one.
    void serveWsdl(const QByteArray &wsdl);

    void addAccount(const QByteArray &account, const QByteArray &password);
    // TessalForm: the project's `TessalForm` element as text.
    void addProject(qint32 number, const QByteArray &tessalForm);
    // Answers every SOAP request with this instead.
    void answerWith(const FakeAnswer &answer);

    // The SOAP answer around Result (the content of the result element).
    static QByteArray answerEnvelope(const QByteArray &result);

    QList<FakeRequest> requests() const { return m_server.requests(); }
    void clearRequests() { m_server.clearRequests(); }
    // The SOAP requests only.
    QList<FakeRequest> projectRequests() const;

private:
    FakeAnswer answer(const FakeRequest &request);
    FakeAnswer project(const QByteArray &body);

    QByteArray m_path;
    mutable QMutex m_mutex; // the server's threads read what the test sets
    std::optional<QByteArray> m_wsdl;
    QMap<QByteArray, QByteArray> m_accounts;
    QMap<qint32, QByteArray> m_projects;
    std::optional<FakeAnswer> m_scripted;
    FakeCentralServer m_server; // last: it stops before the rest goes
};
