#include "FakeCentralServer.h"
#include "ggFiles.h"
#include "qlMsInternet.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kIdentity = "tppn=42&plcn=7&tppk=K3y|x~&pver=1.4.1.6";

// A connection that trusts the test CA and takes client certificates from Store.
struct ConnectionFixture : ::testing::Test {
    void SetUp() override { useStore(TestPki::instance().makeStore({})); }
    void TearDown() override { qunsetenv("TESSAL_CERT_DIR"); }
    void useStore(const QString &root) { qputenv("TESSAL_CERT_DIR", root.toLocal8Bit()); }
    void prepare(THttpsConnection &c, const FakeCentralServer &server, const QString &path) const
    {
        c.ExtraCaFile = TestPki::instance().caFile;
        c.Agent = QStringLiteral("Certificate Of Origin");
        c.CertificateSubject = QStringLiteral("Certificate of origin");
        c.SetServerName(server.host());
        c.Port = server.port();
        c.Path = path;
    }
    // Connect and send; the answer's text, or the error code as text.
    QString exchange(THttpsConnection &c, const QString &verb = QStringLiteral("GET")) const
    {
        if (!c.ConnectToHttpsServer(verb) || !c.SendHttpsRequest())
            return QStringLiteral("error %1").arg(c.ErrorCode);
        return c.ReadAnswerText();
    }
};

using HttpsConnection = ConnectionFixture;

// The files of a folder, hidden ones (temporaries) included.
QStringList FilesIn(const QString &folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden); }

} // namespace

TEST(UrlHelpers, SplitAndEncode)
{
    struct Split { const char *url, *host, *path; };
    const Split splits[] = {
        {"scheme://a.b:8443/p/q", "a.b", "/p/q"},
        {"scheme://a.b/", "a.b", ""},
        {"scheme://a.b", "a.b", ""},
        {"a.b/p", "a.b", "/p"},
        {"a.b", "a.b", ""},
        {"https://s/x", "s", "/x"}, // the host's letter also occurs in the scheme
        {"https://tpp.by/cdb/sync/", "tpp.by", "/cdb/sync/"},
    };
    for (const Split &s : splits) {
        EXPECT_EQ(UrlHost(QString::fromLatin1(s.url)), QString::fromLatin1(s.host)) << s.url;
        EXPECT_EQ(UrlPath(QString::fromLatin1(s.url)), QString::fromLatin1(s.path)) << s.url;
    }

    EXPECT_EQ(UrlEncode("a b&c", true), QByteArray("a+b%26c"));
    EXPECT_EQ(UrlEncode("a b&c", false), QByteArray("a%20b%26c"));
    EXPECT_EQ(UrlEncode("-._~/", true), QByteArray("%2D%2E%5F%7E%2F"));
    EXPECT_EQ(UrlEncode(QStringLiteral("Я").toUtf8(), true), QByteArray("%D0%AF"));
    EXPECT_EQ(UrlEncode(QByteArray("\0\xff", 2), true), QByteArray("%00%FF"));
    EXPECT_EQ(UrlEncode("", true), QByteArray());
}

TEST(UrlHelpers, ServerNameRefusesWhatIsNoHostName)
{
    THttpsConnection c;
    c.SetServerName(QStringLiteral("cdb.example"));
    const char *const refused[] = {"cdb.example:443", "cdb.example/x", "user@evil", "a b", "a?b", "a#b",
                                   "a\r\nHost: x", "a\\b"};
    for (const char *name : refused) {
        EXPECT_THROW(c.SetServerName(QString::fromLatin1(name)), EqlHttpsException) << name;
        EXPECT_EQ(c.ServerName(), QStringLiteral("cdb.example"));
    }
    try {
        c.SetServerName(QStringLiteral("a.b:1"));
    } catch (const EqlHttpsException &e) {
        EXPECT_EQ(e.message(), QStringLiteral("[Set ServerName]: found symbol \":\""));
    }
}

TEST_F(HttpsConnection, GetCarriesItsBodyAndTheRequestAsGiven)
{
    FakeCentralServer server;
    server.addRoute("GET", "", FakeAnswer::text(QStringLiteral("<ok>Привет</ok>").toUtf8()));
    THttpsConnection c;
    c.ExtraCaFile = TestPki::instance().caFile;
    c.SetPostData(kIdentity);

    struct Case { const char *path, *target; };
    const Case cases[] = {
        {"", "/"},
        {"/cdb//sync/hello", "/cdb/sync/hello"},
        {"///x", "//x"},
        {"word/icod?tppn=1&tppk=a%2F|~", "word/icod?tppn=1&tppk=a%2F|~"},
    };
    for (const Case &k : cases) {
        server.clearRequests();
        const QString answer = HttpsGet(c, QStringLiteral("Certificate Of Origin"), QStringLiteral("Certificate of origin"),
                                        server.host(), QString::fromLatin1(k.path), server.port());
        EXPECT_EQ(answer, QStringLiteral("<ok>Привет</ok>"));
        const QList<FakeRequest> requests = server.requests();
        ASSERT_EQ(requests.size(), 1);
        const FakeRequest &r = requests[0];
        EXPECT_EQ(r.method, QByteArray("GET"));
        EXPECT_EQ(r.target, QByteArray(k.target));
        EXPECT_EQ(r.version, QByteArray("HTTP/1.1"));
        // The body stays set from one request to the next.
        EXPECT_EQ(r.body, kIdentity);
        EXPECT_EQ(r.header("Content-Length"), QByteArray::number(kIdentity.size()));
        EXPECT_EQ(r.header("User-Agent"), QByteArray("Certificate Of Origin"));
        EXPECT_EQ(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        EXPECT_FALSE(r.hasHeader("Expect"));
        EXPECT_FALSE(r.hasHeader("Transfer-Encoding"));
        EXPECT_TRUE(r.clientSubject.isEmpty());
    }

}

TEST_F(HttpsConnection, LargePostGoesOutWithoutExpectAndUnchanged)
{
    FakeCentralServer server;
    server.addRoute("POST", "/save", FakeAnswer::text("<status>0</status>"));
    THttpsConnection c;
    prepare(c, server, QStringLiteral("/save"));
    QByteArray packet = kIdentity + "&certBody=" + QByteArray(3 * 1024 * 1024, 'x');
    const QByteArray sent = packet;
    c.SetPostData(packet);
    packet.fill('y'); // the connection holds its own copy

    EXPECT_EQ(exchange(c, QStringLiteral("POST")), QStringLiteral("<status>0</status>"));
    const FakeRequest r = server.requests().value(0);
    EXPECT_EQ(r.method, QByteArray("POST"));
    EXPECT_EQ(r.body, sent);
    EXPECT_FALSE(r.hasHeader("Expect"));
    EXPECT_EQ(r.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));

    // With the headers replaced, no content type of the transport's own is added.
    c.Headers = "X-One: 1\r\nX-Two: 2";
    c.SetPostData(QByteArray());
    server.clearRequests();
    EXPECT_EQ(exchange(c, QStringLiteral("POST")), QStringLiteral("<status>0</status>"));
    const FakeRequest bare = server.requests().value(0);
    EXPECT_FALSE(bare.hasHeader("Content-Type"));
    EXPECT_EQ(bare.header("X-One"), QByteArray("1"));
    EXPECT_EQ(bare.header("X-Two"), QByteArray("2"));
    EXPECT_EQ(bare.header("Content-Length"), QByteArray("0"));
}

TEST_F(HttpsConnection, DataArrivesInPortionsWithNulBytes)
{
    QByteArray payload;
    for (int i = 0; i < 100000; ++i)
        payload.append(char(i % 7 == 0 ? 0 : i % 251));
    FakeAnswer chunked = FakeAnswer::data(payload);
    chunked.chunked = true;
    chunked.chunkSize = 7000;
    FakeCentralServer server;
    server.addRoute("GET", "/chunked", chunked);
    server.addRoute("GET", "/sized", FakeAnswer::data(payload));

    struct Case { const char *path; qint64 resource; };
    for (const Case &k : {Case {"/chunked", -1}, Case {"/sized", payload.size()}}) {
        SCOPED_TRACE(k.path);
        THttpsConnection c;
        prepare(c, server, QString::fromLatin1(k.path));
        QList<qint64> resources;
        QList<qint64> portions;
        c.OnSizeResource = [&](THttpsConnection *sender, qint64 size) {
            EXPECT_EQ(sender, &c);
            EXPECT_TRUE(portions.isEmpty());
            resources.append(size);
        };
        c.OnSizePortion = [&](THttpsConnection *, qint64 size) { portions.append(size); };
        ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")));
        ASSERT_TRUE(c.SendHttpsRequest());
        const QByteArray data = c.ReadAnswerData();
        EXPECT_EQ(data, payload);
        EXPECT_EQ(resources, QList<qint64> {k.resource});
        qint64 sum = 0;
        for (qint64 p : portions) {
            EXPECT_GT(p, 0);
            EXPECT_LE(p, 32768);
            sum += p;
        }
        EXPECT_EQ(sum, data.size());
    }
}

TEST_F(HttpsConnection, ProgressHandlerMayRaise)
{
    FakeCentralServer server;
    server.addRoute("GET", "/", FakeAnswer::data(QByteArray(200000, 'z')));
    THttpsConnection c;
    prepare(c, server, QStringLiteral("/file"));
    c.OnSizePortion = [](THttpsConnection *, qint64) { throw AppError(QStringLiteral("cancelled")); };
    ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")));
    ASSERT_TRUE(c.SendHttpsRequest());
    EXPECT_THROW(c.ReadAnswerData(), AppError);
    // A download stopped that way leaves no file.
    QTemporaryDir folder;
    ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")) && c.SendHttpsRequest());
    EXPECT_THROW(c.DownloadFile(folder.filePath(QStringLiteral("DataFromServer.cod"))), AppError);
    EXPECT_EQ(FilesIn(folder.path()), QStringList {});
    // The connection serves the next request.
    c.OnSizePortion = nullptr;
    ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")));
    ASSERT_TRUE(c.SendHttpsRequest());
    EXPECT_EQ(c.ReadAnswerData().size(), 200000);
}

TEST_F(HttpsConnection, MalformedUtf8ReadsAsEmptyText)
{
    const QByteArray bodies[] = {"<a>\xC3</a>", "<a>\xC3\x28</a>", "<a>\xE2\x82", "\xff", "<a>\xED\xA0\x80</a>"};
    FakeCentralServer server;
    QByteArray current;
    server.setHandler([&current](const FakeRequest &) { return FakeAnswer::text(current); });
    THttpsConnection c;
    prepare(c, server, QStringLiteral("/version"));
    for (const QByteArray &body : bodies) {
        current = body;
        EXPECT_EQ(exchange(c), QString()) << body.toHex().toStdString();
    }
    current = QStringLiteral("<a>Ёлка €</a>").toUtf8();
    EXPECT_EQ(exchange(c), QStringLiteral("<a>Ёлка €</a>"));
}

TEST_F(HttpsConnection, ServerCertificateIsAlwaysVerified)
{
    struct Case {
        const char *name;
        FakeCentralServer::Options options;
        const char *outcome;
    };
    const Case cases[] = {
        {"issued by a CA nobody trusts", {false, true, false}, "error 12045"},
        {"trusted, for another host name", {false, false, true}, "error 12038"},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        FakeCentralServer refused(k.options);
        refused.addRoute("GET", "/", FakeAnswer::text("<secret/>"));
        THttpsConnection c;
        prepare(c, refused, QStringLiteral("/"));
        EXPECT_EQ(exchange(c), QString::fromLatin1(k.outcome));
        EXPECT_TRUE(refused.requests().isEmpty());
    }

    // A certificate of the test CA is unknown to the system's store alone.
    FakeCentralServer trusted;
    trusted.addRoute("GET", "/", FakeAnswer::text("<secret/>"));
    THttpsConnection plain;
    prepare(plain, trusted, QStringLiteral("/"));
    plain.ExtraCaFile.clear();
    try {
        HttpsGet(plain, plain.Agent, plain.CertificateSubject, trusted.host(), QStringLiteral("/"), trusted.port());
        ADD_FAILURE() << "no exception";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("SendHttpsRequest: [ErrorCode 12045]")))
            << e.message().toStdString();
    }
}

TEST_F(HttpsConnection, ClientCertificateOnlyWhenTheServerAsks)
{
    const TestPki &pki = TestPki::instance();
    struct Case {
        const char *name;
        QStringList store;
        bool succeeds;
    };
    const Case cases[] = {
        {"PKCS#12 with a matching subject", {pki.otherClientPem, pki.clientP12}, true},
        {"PEM with a matching subject", {pki.clientPem}, true},
        {"only another subject", {pki.otherClientPem}, false},
        {"empty store", {}, false},
        {"matching subject the server refuses", {pki.foreignClientPem}, false},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        FakeCentralServer server(FakeCentralServer::Options {true, false});
        server.addRoute("GET", "/", FakeAnswer::text("<hello/>"));
        useStore(pki.makeStore(k.store));
        THttpsConnection c;
        prepare(c, server, QStringLiteral("/sync/hello"));
        c.SetPostData(kIdentity);
        ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")));
        EXPECT_EQ(c.SendHttpsRequest(), k.succeeds);
        if (k.succeeds) {
            EXPECT_EQ(c.ReadAnswerText(), QStringLiteral("<hello/>"));
            EXPECT_EQ(server.connectionCount(), 2); // first without, then with the certificate
            const FakeRequest r = server.requests().value(0);
            EXPECT_TRUE(r.clientSubject.contains(QStringLiteral("Certificate of origin 042-07"))) << r.clientSubject.toStdString();
            EXPECT_EQ(r.body, kIdentity);
        } else {
            EXPECT_EQ(c.ErrorCode, 12044u);
            EXPECT_TRUE(server.requests().isEmpty());
            const bool certificateFound = !k.store.isEmpty() && k.store != QStringList {pki.otherClientPem};
            // A refused certificate is not offered a second time; without
            // one, every handle is closed.
            EXPECT_EQ(server.connectionCount(), certificateFound ? 2 : 1);
            EXPECT_EQ(c.ReadAnswerText(), QString());
            EXPECT_EQ(c.ErrorCode, certificateFound ? 12044u : 12019u);
        }
    }

    // A server that does not ask never sees a certificate.
    FakeCentralServer open;
    open.addRoute("GET", "/", FakeAnswer::text("<hello/>"));
    useStore(pki.makeStore({pki.clientP12}));
    THttpsConnection c;
    prepare(c, open, QStringLiteral("/"));
    EXPECT_EQ(exchange(c), QStringLiteral("<hello/>"));
    EXPECT_TRUE(open.requests().value(0).clientSubject.isEmpty());
    EXPECT_EQ(open.connectionCount(), 1);
}

TEST_F(HttpsConnection, StalledOrAbsentServerTimesOut)
{
    FakeAnswer silent = FakeAnswer::text("<never/>");
    silent.stall = FakeAnswer::Stall::BeforeHeaders;
    FakeAnswer halfway = FakeAnswer::text("<never/>");
    halfway.stall = FakeAnswer::Stall::AfterHeaders;
    FakeCentralServer server;
    server.addRoute("GET", "/silent", silent);
    server.addRoute("GET", "/halfway", halfway);

    THttpsConnection c;
    // Long enough that a loaded machine still gets the headers of the
    // half-way answer in time; the stalls themselves never end.
    c.StallTimeoutMs = 1500;
    prepare(c, server, QStringLiteral("/silent"));
    EXPECT_EQ(exchange(c), QStringLiteral("error 12002"));

    c.Path = QStringLiteral("/halfway");
    ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")));
    ASSERT_TRUE(c.SendHttpsRequest());
    EXPECT_EQ(c.ReadAnswerText(), QString());
    EXPECT_EQ(c.ErrorCode, 12002u);

    // Nobody listening on the port any more.
    int closedPort = 0;
    {
        FakeCentralServer gone;
        closedPort = gone.port();
    }
    c.Port = closedPort;
    c.Path = QStringLiteral("/");
    EXPECT_EQ(exchange(c), QStringLiteral("error 12029"));
}

TEST_F(HttpsConnection, RedirectsOnlyToHttps)
{
    FakeCentralServer server;
    FakeAnswer toHttps;
    toHttps.status = 302;
    toHttps.reason = "Found";
    toHttps.headers = {{"Location", "/final?x=1"}};
    FakeAnswer toHttp = toHttps;
    toHttp.headers = {{"Location", "http://127.0.0.1:" + QByteArray::number(server.port()) + "/final"}};
    server.addRoute("GET", "/moved", toHttps);
    server.addRoute("GET", "/plain", toHttp);
    server.addRoute("GET", "/final", FakeAnswer::text("<final/>"));

    THttpsConnection c;
    prepare(c, server, QStringLiteral("/moved"));
    EXPECT_EQ(exchange(c), QStringLiteral("<final/>"));
    EXPECT_EQ(server.requests().value(1).target, QByteArray("/final?x=1"));

    server.clearRequests();
    c.Path = QStringLiteral("/plain");
    EXPECT_EQ(exchange(c), QStringLiteral("error 12040"));
    EXPECT_EQ(server.requests().size(), 1);
}

TEST_F(HttpsConnection, StatusOfTheAnswerIsReadStrictly)
{
    FakeCentralServer server;
    int status = 200;
    server.setHandler([&status](const FakeRequest &) {
        FakeAnswer answer = FakeAnswer::text("<a/>");
        answer.status = status;
        return answer;
    });
    THttpsConnection c;
    prepare(c, server, QStringLiteral("/"));
    EXPECT_EQ(c.StatusCode(), 0);
    for (const int sent : {200, 204, 404, 503}) {
        status = sent;
        ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")));
        ASSERT_TRUE(c.SendHttpsRequest());
        EXPECT_EQ(c.StatusCode(), sent);
    }
    // A status line that holds no three-digit status is no answer.
    status = 2000;
    EXPECT_EQ(exchange(c), QStringLiteral("error 12152"));
}

TEST_F(HttpsConnection, DownloadCountsOnlyAWholeSuccessfulAnswer)
{
    const QByteArray payload(100000, 'd');
    FakeAnswer sized = FakeAnswer::data(payload);
    FakeAnswer chunked = sized;
    chunked.chunked = true;
    FakeAnswer missing = FakeAnswer::text("<html>not here</html>", "text/html");
    missing.status = 404;
    missing.reason = "Not Found";
    FakeAnswer cut = FakeAnswer::data(payload.left(40000));
    cut.contentLength = false;
    cut.headers.append({"Content-Length", QByteArray::number(payload.size())});

    struct Case {
        const char *name;
        FakeAnswer answer;
        qint64 maxSize;
        quint32 error; // 0: the download counts
    };
    const Case cases[] = {
        {"whole, declared", sized, 0, 0},
        {"whole, chunked", chunked, 0, 0},
        {"exactly the size cap", sized, payload.size(), 0},
        {"error page", missing, 0, 12152},
        {"cut short", cut, 0, 12030},
        {"declared over the size cap", sized, payload.size() - 1, 12152},
        {"chunked over the size cap", chunked, payload.size() - 1, 12152},
    };
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("update.zip"));
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        FakeCentralServer server;
        server.addRoute("GET", "/", k.answer);
        THttpsConnection c;
        prepare(c, server, QStringLiteral("/file"));
        qint64 portions = 0;
        c.OnSizePortion = [&portions](THttpsConnection *, qint64 size) { portions += size; };

        QByteArray data = "before";
        ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")) && c.SendHttpsRequest());
        EXPECT_EQ(c.DownloadData(data, k.maxSize), k.error == 0);
        EXPECT_EQ(c.ErrorCode, k.error);
        EXPECT_EQ(data, k.error == 0 ? payload : QByteArray("before"));
        if (k.error == 0) {
            EXPECT_EQ(portions, payload.size());
        }

        WriteFileAtomic(target, "old");
        ASSERT_TRUE(c.ConnectToHttpsServer(QStringLiteral("GET")) && c.SendHttpsRequest());
        EXPECT_EQ(c.DownloadFile(target, k.maxSize), k.error == 0);
        EXPECT_EQ(c.ErrorCode, k.error);
        EXPECT_EQ(FileToString(target), k.error == 0 ? payload : QByteArray("old"));
        EXPECT_EQ(FilesIn(folder.path()), QStringList {QStringLiteral("update.zip")});
    }
}

TEST_F(HttpsConnection, AnswersReadIntoMemoryAreCapped)
{
    FakeAnswer chunked = FakeAnswer::data(QByteArray(50000, 'c'));
    chunked.chunked = true;
    FakeCentralServer server;
    server.addRoute("GET", "/text", FakeAnswer::text(QByteArray(20000, 't')));
    server.addRoute("GET", "/chunked", chunked);
    server.addRoute("GET", "/small", FakeAnswer::text("<ok/>"));
    THttpsConnection c;
    prepare(c, server, QString());
    c.MaxAnswerText = 10000;
    c.MaxAnswerData = 40000;
    auto send = [&c](const char *path) {
        c.Path = QString::fromLatin1(path);
        return c.ConnectToHttpsServer(QStringLiteral("GET")) && c.SendHttpsRequest();
    };

    ASSERT_TRUE(send("/text"));
    EXPECT_EQ(c.ReadAnswerText(), QString());
    EXPECT_EQ(c.ErrorCode, 8u);
    ASSERT_TRUE(send("/chunked")); // no declared length: stopped while reading
    EXPECT_EQ(c.ReadAnswerData(), QByteArray());
    EXPECT_EQ(c.ErrorCode, 8u);
    QByteArray data;
    ASSERT_TRUE(send("/chunked"));
    EXPECT_FALSE(c.DownloadData(data));
    EXPECT_EQ(c.ErrorCode, 8u);
    // Within the caps nothing changes.
    ASSERT_TRUE(send("/small"));
    EXPECT_EQ(c.ReadAnswerText(), QStringLiteral("<ok/>"));
    EXPECT_EQ(c.ErrorCode, 0u);
}
