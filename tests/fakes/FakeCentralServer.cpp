#include "FakeCentralServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

QByteArray FakeRequest::header(const QByteArray &name) const
{
    for (const auto &h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return {};
}

FakeAnswer FakeAnswer::text(const QByteArray &body, const QByteArray &contentType)
{
    FakeAnswer answer;
    answer.headers.append({"Content-Type", contentType});
    answer.body = body;
    return answer;
}

FakeAnswer FakeAnswer::data(const QByteArray &body)
{
    return text(body, "application/octet-stream");
}

// ---------------------------------------------------------------- test PKI

namespace {

const char kOpensslConfig[] = R"([req]
distinguished_name = dn
prompt = no
[dn]
CN = unused
[ca_ext]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server_ext]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
[other_host_ext]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:cdb.example
[client_ext]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = clientAuth
)";

void RunOpenssl(const QString &dir, const QStringList &args)
{
    QProcess process;
    process.setWorkingDirectory(dir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), args);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw std::runtime_error("openssl " + args.join(' ').toStdString() + " failed: "
                                 + process.readAll().toStdString());
}

QStringList NewKeyArgs()
{
    return {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
}

void MakeCa(const QString &dir, const QString &name, const QString &subject)
{
    RunOpenssl(dir, QStringList{"req", "-x509", "-config", "pki.cnf", "-extensions", "ca_ext"} + NewKeyArgs()
                        + QStringList{"-keyout", name + ".key", "-out", name + ".pem", "-days", "3", "-subj", subject});
}

void MakeCertificate(const QString &dir, const QString &name, const QString &subject, const QString &ca,
                     const QString &extensions, int serial)
{
    RunOpenssl(dir, QStringList{"req", "-new", "-config", "pki.cnf"} + NewKeyArgs()
                        + QStringList{"-keyout", name + ".key", "-out", name + ".csr", "-subj", subject});
    RunOpenssl(dir, {"x509", "-req", "-in", name + ".csr", "-CA", ca + ".pem", "-CAkey", ca + ".key", "-set_serial",
                     QString::number(serial), "-days", "2", "-out", name + ".pem", "-extfile", "pki.cnf",
                     "-extensions", extensions});
}

QByteArray ReadAll(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + fileName.toStdString());
    return file.readAll();
}

void WriteAll(const QString &fileName, const QByteArray &bytes)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + fileName.toStdString());
}

} // namespace

TestPki::TestPki() : m_dir(std::make_unique<QTemporaryDir>())
{
    const QString dir = m_dir->path();
    WriteAll(dir + "/pki.cnf", kOpensslConfig);
    MakeCa(dir, "ca", "/CN=Tessal Test CA");
    MakeCa(dir, "rogue", "/CN=Unknown Test CA");
    MakeCertificate(dir, "server", "/CN=127.0.0.1", "ca", "server_ext", 2);
    MakeCertificate(dir, "untrusted", "/CN=127.0.0.1", "rogue", "server_ext", 3);
    MakeCertificate(dir, "otherhost", "/CN=cdb.example", "ca", "other_host_ext", 7);
    MakeCertificate(dir, "client", "/O=Chamber 042/CN=Certificate of origin 042-07", "ca", "client_ext", 4);
    MakeCertificate(dir, "other", "/CN=Somebody else", "ca", "client_ext", 5);
    MakeCertificate(dir, "foreign", "/CN=Certificate of origin (foreign)", "rogue", "client_ext", 6);
    RunOpenssl(dir, {"pkcs12", "-export", "-inkey", "client.key", "-in", "client.pem", "-out", "client.p12",
                     "-passout", "pass:"});
    for (const QString name : {"client", "other", "foreign"})
        WriteAll(dir + "/" + name + "-full.pem", ReadAll(dir + "/" + name + ".pem") + ReadAll(dir + "/" + name + ".key"));

    caFile = dir + "/ca.pem";
    serverCert = dir + "/server.pem";
    serverKey = dir + "/server.key";
    untrustedCert = dir + "/untrusted.pem";
    untrustedKey = dir + "/untrusted.key";
    otherHostCert = dir + "/otherhost.pem";
    otherHostKey = dir + "/otherhost.key";
    clientP12 = dir + "/client.p12";
    clientPem = dir + "/client-full.pem";
    otherClientPem = dir + "/other-full.pem";
    foreignClientPem = dir + "/foreign-full.pem";
}

const TestPki &TestPki::instance()
{
    static const TestPki pki;
    return pki;
}

QString TestPki::makeStore(const QStringList &files) const
{
    static std::atomic<int> counter {0};
    const QString root = m_dir->path() + "/store" + QString::number(++counter);
    QDir().mkpath(root + "/MY");
    for (const QString &file : files)
        QFile::copy(file, root + "/MY/" + QFileInfo(file).fileName());
    return root;
}

// ---------------------------------------------------------------- server

struct FakeCentralServer::Impl {
    Options options;
    SSL_CTX *ctx = nullptr;
    int listenFd = -1;
    int port = 0;
    std::thread acceptThread;

    mutable std::mutex mutex;
    std::condition_variable stopped;
    bool stopping = false;
    std::set<int> openFds;
    std::vector<std::thread> connectionThreads;
    std::function<FakeAnswer(const FakeRequest &)> handler;
    struct Route { QByteArray method, prefix; FakeAnswer answer; };
    QList<Route> routes;
    QList<FakeRequest> requests;
    int connections = 0;

    void acceptLoop();
    void serve(int fd);
    FakeAnswer answerFor(const FakeRequest &request);
    void holdUntilStopped()
    {
        std::unique_lock lock(mutex);
        stopped.wait(lock, [this] { return stopping; });
    }
};

namespace {

bool ReadSome(SSL *ssl, QByteArray &buffer)
{
    char chunk[16384];
    const int n = SSL_read(ssl, chunk, sizeof chunk);
    if (n <= 0)
        return false;
    buffer.append(chunk, n);
    return true;
}

bool WriteAllTo(SSL *ssl, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const int n = SSL_write(ssl, bytes.constData() + done, int(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Reads one request; false when the client went away first.
bool ReadRequest(SSL *ssl, FakeRequest &request)
{
    QByteArray buffer;
    qsizetype end = -1;
    while ((end = buffer.indexOf("\r\n\r\n")) < 0) {
        if (!ReadSome(ssl, buffer))
            return false;
    }
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> words = lines.value(0).trimmed().split(' ');
    request.method = words.value(0);
    request.target = words.value(1);
    request.version = words.value(2);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    QByteArray rest = buffer.mid(end + 4);
    if (request.header("Transfer-Encoding").toLower() == "chunked") {
        for (;;) {
            qsizetype lineEnd;
            while ((lineEnd = rest.indexOf("\r\n")) < 0)
                if (!ReadSome(ssl, rest))
                    return false;
            const qsizetype size = rest.left(lineEnd).split(';').value(0).toLongLong(nullptr, 16);
            while (rest.size() < lineEnd + 2 + size + 2)
                if (!ReadSome(ssl, rest))
                    return false;
            request.body.append(rest.mid(lineEnd + 2, size));
            rest.remove(0, lineEnd + 2 + size + 2);
            if (size == 0)
                return true;
        }
    }
    const qsizetype length = request.header("Content-Length").toLongLong();
    while (rest.size() < length)
        if (!ReadSome(ssl, rest))
            return false;
    request.body = rest.left(length);
    return true;
}

QString PeerSubject(SSL *ssl)
{
    X509 *peer = SSL_get1_peer_certificate(ssl);
    if (!peer)
        return {};
    char text[512] = {};
    X509_NAME_oneline(X509_get_subject_name(peer), text, sizeof text - 1);
    X509_free(peer);
    return QString::fromUtf8(text);
}

} // namespace

FakeAnswer FakeCentralServer::Impl::answerFor(const FakeRequest &request)
{
    std::function<FakeAnswer(const FakeRequest &)> h;
    {
        std::lock_guard lock(mutex);
        h = handler;
        if (!h) {
            for (const Route &route : routes) {
                if (route.method == request.method && request.target.startsWith(route.prefix))
                    return route.answer;
            }
            FakeAnswer missing = FakeAnswer::text("not found", "text/plain");
            missing.status = 404;
            missing.reason = "Not Found";
            return missing;
        }
    }
    return h(request);
}

void FakeCentralServer::Impl::serve(int fd)
{
    SSL *ssl = SSL_new(ctx);
    SSL_set_fd(ssl, fd);
    FakeRequest request;
    if (SSL_accept(ssl) == 1 && ReadRequest(ssl, request)) {
        request.clientSubject = PeerSubject(ssl);
        {
            std::lock_guard lock(mutex);
            requests.append(request);
        }
        const FakeAnswer answer = answerFor(request);
        if (answer.stall == FakeAnswer::Stall::BeforeHeaders)
            holdUntilStopped();
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " " + answer.reason + "\r\n";
        for (const auto &h : answer.headers)
            head += h.first + ": " + h.second + "\r\n";
        if (answer.chunked)
            head += "Transfer-Encoding: chunked\r\n";
        else if (answer.contentLength)
            head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        bool ok = WriteAllTo(ssl, head);
        if (ok && answer.stall == FakeAnswer::Stall::AfterHeaders)
            holdUntilStopped();
        if (ok && answer.chunked) {
            for (qsizetype at = 0; ok && at < answer.body.size(); at += answer.chunkSize) {
                const QByteArray piece = answer.body.mid(at, answer.chunkSize);
                ok = WriteAllTo(ssl, QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
            }
            if (ok)
                WriteAllTo(ssl, "0\r\n\r\n");
        } else if (ok) {
            WriteAllTo(ssl, answer.body);
        }
        SSL_shutdown(ssl);
    }
    SSL_free(ssl);
    std::lock_guard lock(mutex);
    openFds.erase(fd);
    ::close(fd);
}

void FakeCentralServer::Impl::acceptLoop()
{
    for (;;) {
        pollfd p {listenFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 50);
        std::lock_guard lock(mutex);
        if (stopping)
            return;
        if (ready <= 0)
            continue;
        const int fd = ::accept(listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        ++connections;
        openFds.insert(fd);
        connectionThreads.emplace_back([this, fd] { serve(fd); });
    }
}

FakeCentralServer::FakeCentralServer() : FakeCentralServer(Options {}) {}

FakeCentralServer::FakeCentralServer(Options options) : d(std::make_unique<Impl>())
{
    std::signal(SIGPIPE, SIG_IGN); // a client that hangs up must not end the test program
    const TestPki &pki = TestPki::instance();
    d->options = options;
    d->ctx = SSL_CTX_new(TLS_server_method());
    const bool otherHost = options.certificateForAnotherHost;
    const QByteArray cert = (options.untrustedCertificate ? pki.untrustedCert
                             : otherHost                  ? pki.otherHostCert
                                                          : pki.serverCert).toLocal8Bit();
    const QByteArray key = (options.untrustedCertificate ? pki.untrustedKey
                            : otherHost                  ? pki.otherHostKey
                                                         : pki.serverKey).toLocal8Bit();
    if (SSL_CTX_use_certificate_file(d->ctx, cert.constData(), SSL_FILETYPE_PEM) != 1
        || SSL_CTX_use_PrivateKey_file(d->ctx, key.constData(), SSL_FILETYPE_PEM) != 1)
        throw std::runtime_error("fake server: cannot load its certificate");
    if (options.requireClientCertificate) {
        const QByteArray ca = pki.caFile.toLocal8Bit();
        SSL_CTX_load_verify_locations(d->ctx, ca.constData(), nullptr);
        SSL_CTX_set_client_CA_list(d->ctx, SSL_load_client_CA_file(ca.constData()));
        SSL_CTX_set_verify(d->ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    }

    d->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (d->listenFd < 0 || ::bind(d->listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(d->listenFd, 16) != 0
        || ::getsockname(d->listenFd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("fake server: cannot listen on 127.0.0.1");
    d->port = ntohs(address.sin_port);
    d->acceptThread = std::thread([this] { d->acceptLoop(); });
}

FakeCentralServer::~FakeCentralServer()
{
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
        for (int fd : d->openFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    d->stopped.notify_all();
    d->acceptThread.join();
    for (std::thread &t : d->connectionThreads)
        t.join();
    ::close(d->listenFd);
    SSL_CTX_free(d->ctx);
}

int FakeCentralServer::port() const { return d->port; }

void FakeCentralServer::setHandler(std::function<FakeAnswer(const FakeRequest &)> handler)
{
    std::lock_guard lock(d->mutex);
    d->handler = std::move(handler);
}

void FakeCentralServer::addRoute(const QByteArray &method, const QByteArray &pathPrefix, const FakeAnswer &answer)
{
    std::lock_guard lock(d->mutex);
    d->routes.append({method, pathPrefix, answer});
}

QList<FakeRequest> FakeCentralServer::requests() const
{
    std::lock_guard lock(d->mutex);
    return d->requests;
}

void FakeCentralServer::clearRequests()
{
    std::lock_guard lock(d->mutex);
    d->requests.clear();
}

int FakeCentralServer::connectionCount() const
{
    std::lock_guard lock(d->mutex);
    return d->connections;
}
