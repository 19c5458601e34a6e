#pragma once
// A stand-in for the central certificate database and the project service:
// real HTTPS on 127.0.0.1 (an ephemeral port) with certificates of a test CA
// made at test time. Answers are scripted per request; every request that
// arrives is recorded byte for byte.
//
//   FakeCentralServer server;
//   server.addRoute("GET", "/sync/hello", FakeAnswer::text("<hello>...</hello>"));
//   THttpsConnection c;                 // trusts TestPki::instance().caFile
//   c.ExtraCaFile = TestPki::instance().caFile;
//   HttpsGet(c, ..., server.host(), "/sync/hello", server.port());
//   server.requests()[0].body ...
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// One request as it arrived.
struct FakeRequest {
    QByteArray method;
    QByteArray target;  // raw request target, query included
    QByteArray version; // "HTTP/1.1"
    QList<QPair<QByteArray, QByteArray>> headers; // in the order sent
    QByteArray body;    // de-chunked when it came chunked
    QString clientSubject; // subject of the presented client certificate, empty when none

    // First header of that name (case-insensitive); null when absent.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const { return !header(name).isNull(); }
    QByteArray path() const { return target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?')); }
};

// One scripted answer.
struct FakeAnswer {
    enum class Stall { None, BeforeHeaders, AfterHeaders };

    int status = 200;
    QByteArray reason = "OK";
    QList<QPair<QByteArray, QByteArray>> headers; // sent as given
    QByteArray body;
    bool chunked = false;        // Transfer-Encoding: chunked, in chunks of chunkSize
    int chunkSize = 1000;
    bool contentLength = true;   // without chunking: send Content-Length, else end by closing
    Stall stall = Stall::None;   // hold the connection until the server stops

    static FakeAnswer text(const QByteArray &body, const QByteArray &contentType = "text/xml; charset=utf-8");
    static FakeAnswer data(const QByteArray &body);
};

// The test CA and the certificates made from it, once per test process, with
// the openssl command line in a private temporary folder.
class TestPki {
public:
    static const TestPki &instance();

    QString caFile;        // the test CA (PEM): trust it through THttpsConnection::ExtraCaFile
    QString serverCert;    // for 127.0.0.1 and localhost, issued by the test CA
    QString serverKey;
    QString untrustedCert; // for 127.0.0.1 and localhost, issued by a CA nobody trusts
    QString untrustedKey;
    QString otherHostCert; // for cdb.example only, issued by the test CA
    QString otherHostKey;
    QString clientP12;     // "CN=Certificate of origin 042-07", test CA, PKCS#12 without password
    QString clientPem;     // the same certificate and key as one PEM file
    QString otherClientPem;   // "CN=Somebody else", test CA
    QString foreignClientPem; // "CN=Certificate of origin (foreign)", issued by the untrusted CA

    // A certificate folder (for TESSAL_CERT_DIR) whose store "MY" holds copies
    // of Files; an empty list gives an empty store.
    QString makeStore(const QStringList &files) const;

private:
    TestPki();
    std::unique_ptr<QTemporaryDir> m_dir;
};

class FakeCentralServer {
public:
    struct Options {
        bool requireClientCertificate = false; // demand a certificate of the test CA
        bool untrustedCertificate = false;     // present the certificate nobody trusts
        bool certificateForAnotherHost = false; // present a trusted certificate for cdb.example
    };

    FakeCentralServer();
    explicit FakeCentralServer(Options options);
    ~FakeCentralServer();
    FakeCentralServer(const FakeCentralServer &) = delete;
    FakeCentralServer &operator=(const FakeCentralServer &) = delete;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const;

    // Answers: the handler when set; else the first route whose method matches
    // and whose target starts with PathPrefix; else 404. Handlers run on the
    // server's threads.
    void setHandler(std::function<FakeAnswer(const FakeRequest &)> handler);
    void addRoute(const QByteArray &method, const QByteArray &pathPrefix, const FakeAnswer &answer);

    QList<FakeRequest> requests() const;
    void clearRequests();
    // TCP connections accepted so far (handshakes that failed included).
    int connectionCount() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A port of 127.0.0.1 where nothing listens any more.
inline int ClosedLoopbackPort()
{
    FakeCentralServer gone;
    return gone.port();
}
