#include "qlMsInternet.h"

#include "AtomicFileWriter.h"
#include "ClientCertificateStore.h"
#include "StrictDecimal.h"
#include "ggDebug.h"

#include <QStringDecoder>

#include <cstring>
#include <limits>
#include <optional>

namespace {

constexpr qint64 kPortion = 32768;

const char *StoreName(quint8 kind)
{
    static const char *const names[] = {"MY", "CA", "ROOT", "SPC"};
    return kind < 4 ? names[kind] : names[0];
}

QString RefusedSymbol(const QByteArray &name)
{
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return QStringLiteral("[Set ServerName]: found a control character");
        if (std::strchr("/:@?# \\", c))
            return QStringLiteral("[Set ServerName]: found symbol \"%1\"").arg(QChar::fromLatin1(c));
    }
    return {};
}

QList<QByteArray> HeaderLines(const QByteArray &headers)
{
    QList<QByteArray> lines;
    for (QByteArray line : headers.split('\n')) {
        line = line.trimmed();
        if (!line.isEmpty())
            lines.append(line);
    }
    return lines;
}

bool IsSuccess(int status) { return status >= 200 && status <= 299; }

} // namespace

THttpsConnection::THttpsConnection()
    : ExtraCaFile(qEnvironmentVariable("TESSAL_CA_FILE")), m_formData(std::make_unique<TMultiPartFormDataStream>())
{
}

THttpsConnection::~THttpsConnection()
{
    CloseHandles();
}

void THttpsConnection::SetServerName(const QString &name)
{
    const QString refused = RefusedSymbol(name.toUtf8());
    if (!refused.isEmpty())
        throw EqlHttpsException(refused);
    m_serverName = name;
}

void THttpsConnection::DoSizeResource(qint64 size)
{
    if (OnSizeResource)
        OnSizeResource(this, size);
}

void THttpsConnection::DoSizePortion(qint64 size)
{
    if (OnSizePortion)
        OnSizePortion(this, size);
}

void THttpsConnection::CloseHandles()
{
    m_credential.reset();
    m_transfer.reset();
    m_body.reset();
    m_requestOpen = false;
}

bool THttpsConnection::ConnectToHttpsServer(const QString &verb)
{
    CloseHandles();
    ErrorCode = net::ErrorNone;
    const QByteArray target = Path.isEmpty() ? QByteArray("/") : Path.toUtf8();
    if (!net::IsAcceptableHostName(m_serverName.toUtf8()) || !net::IsAcceptableRequestTarget(target)
        || Port <= 0 || Port > 65535 || verb.isEmpty()) {
        ErrorCode = net::ErrorInvalidUrl;
        return false;
    }
    m_verb = verb.toUpper().toUtf8();
    m_requestOpen = true;
    return true;
}

std::unique_ptr<net::CurlTransfer> THttpsConnection::newTransfer(net::RequestBody *body) const
{
    net::TransferSettings s;
    s.host = m_serverName.toUtf8();
    s.port = Port;
    s.verb = m_verb;
    s.target = Path.isEmpty() ? QByteArray("/") : Path.toUtf8();
    s.headerLines = HeaderLines(Headers);
    s.userAgent = Agent.toUtf8();
    s.userName = UserName.toUtf8();
    s.password = Password.toUtf8();
    s.body = body;
    s.clientCredential = m_credential;
    s.extraCaFile = ExtraCaFile;
    s.connectTimeoutMs = ConnectTimeoutMs;
    s.stallTimeoutMs = StallTimeoutMs;
    return std::make_unique<net::CurlTransfer>(std::move(s));
}

bool THttpsConnection::send(net::RequestBody *body, bool reportPortions)
{
    if (!m_requestOpen) {
        ErrorCode = net::ErrorIncorrectHandleState;
        return false;
    }
    std::function<void(int64_t)> onSent;
    if (reportPortions)
        onSent = [this](int64_t count) { DoSizePortion(count); };
    m_transfer = newTransfer(body);
    bool sent = m_transfer->sendRequest(onSent);
    ErrorCode = m_transfer->errorCode();
    if (sent || ErrorCode != net::ErrorClientCertNeeded || m_credential)
        return sent;
    if (!SelectClientCertificate())
        return false;
    m_transfer = newTransfer(body);
    sent = m_transfer->sendRequest(onSent);
    ErrorCode = m_transfer->errorCode();
    return sent;
}

bool THttpsConnection::SendHttpsRequest()
{
    m_body = m_postData.isEmpty() ? nullptr : std::make_unique<net::BytesBody>(m_postData);
    return send(m_body.get(), false);
}

bool THttpsConnection::SendHttpsRequestBody(net::RequestBody &body)
{
    return send(&body, true);
}

bool THttpsConnection::SelectClientCertificate()
{
    m_credential = net::FindClientCredential(QString::fromLatin1(StoreName(StoreKind)), CertificateSubject);
    if (!m_credential) {
        CloseHandles();
        ErrorCode = net::ErrorClientCertNeeded;
        return false;
    }
    return true;
}

int THttpsConnection::StatusCode() const
{
    return m_transfer ? m_transfer->statusCode() : 0;
}

bool THttpsConnection::readBody(const PortionSink &sink, const BodyLimit &limit, bool reportPortions)
{
    if (!m_transfer) {
        ErrorCode = net::ErrorIncorrectHandleState;
        return false;
    }
    // An answer over the limit is not read on: the rest is left unread.
    auto tooLong = [this, &limit] {
        m_transfer.reset();
        ErrorCode = limit.error;
        return false;
    };
    const std::optional<qint64> declared = ParseStrictDecimal(m_transfer->answerHeader("Content-Length"));
    if (declared && *declared > limit.bytes)
        return tooLong();
    qint64 total = 0;
    for (;;) {
        const QByteArray portion = m_transfer->readBody(kPortion);
        ErrorCode = m_transfer->errorCode();
        if (portion.isEmpty())
            return ErrorCode == net::ErrorNone;
        total += portion.size();
        if (total > limit.bytes)
            return tooLong();
        sink(portion);
        if (reportPortions)
            DoSizePortion(portion.size());
    }
}

QByteArray THttpsConnection::readAll(qint64 limit, bool reportPortions)
{
    QByteArray bytes;
    if (!readBody([&bytes](const QByteArray &portion) { bytes.append(portion); }, {limit, net::ErrorOutOfMemory},
                  reportPortions)
        && ErrorCode == net::ErrorOutOfMemory)
        bytes.clear();
    return bytes;
}

QString THttpsConnection::ReadAnswerText()
{
    const QByteArray bytes = readAll(MaxAnswerText, false);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    return text;
}

qint64 THttpsConnection::announceLength()
{
    const QByteArray length = m_transfer ? m_transfer->answerHeader("Content-Length") : QByteArray();
    if (length.isNull()) {
        DoSizeResource(-1);
        ErrorCode = m_transfer ? net::ErrorHeaderNotFound : net::ErrorIncorrectHandleState;
        return -1;
    }
    const std::optional<qint64> value = ParseStrictDecimal(length);
    if (!value || *value < 0)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(length)));
    DoSizeResource(*value);
    return *value;
}

QByteArray THttpsConnection::ReadAnswerData()
{
    announceLength();
    return readAll(MaxAnswerData, true);
}

bool THttpsConnection::download(const PortionSink &sink, qint64 maxSize, qint64 memoryLimit)
{
    if (!m_transfer) {
        ErrorCode = net::ErrorIncorrectHandleState;
        return false;
    }
    if (!IsSuccess(m_transfer->statusCode())) {
        ErrorCode = net::ErrorInvalidServerResponse;
        return false;
    }
    const qint64 declared = announceLength();
    BodyLimit limit {std::numeric_limits<qint64>::max(), net::ErrorInvalidServerResponse};
    if (maxSize > 0)
        limit.bytes = maxSize;
    if (memoryLimit > 0 && memoryLimit < limit.bytes)
        limit = {memoryLimit, net::ErrorOutOfMemory};
    qint64 received = 0;
    const bool read = readBody(
        [&sink, &received](const QByteArray &portion) {
            received += portion.size();
            sink(portion);
        },
        limit, true);
    if (!read)
        return false;
    if (declared >= 0 && received != declared) {
        ErrorCode = net::ErrorConnectionAborted;
        return false;
    }
    return true;
}

bool THttpsConnection::DownloadData(QByteArray &data, qint64 maxSize)
{
    QByteArray bytes;
    if (!download([&bytes](const QByteArray &portion) { bytes.append(portion); }, maxSize, MaxAnswerData))
        return false;
    data = std::move(bytes);
    return true;
}

bool THttpsConnection::DownloadFile(const QString &fileName, qint64 maxSize)
{
    AtomicFileWriter file(fileName);
    if (!download([&file](const QByteArray &portion) { file.write(portion); }, maxSize, 0))
        return false;
    file.commit();
    return true;
}

QString HttpsGet(THttpsConnection &connection, const QString &agent, const QString &certificateSubject,
                 const QString &host, const QString &path, int port)
{
    QString target = path.isEmpty() ? QStringLiteral("/") : path;
    target.replace(QStringLiteral("//"), QStringLiteral("/"));
    connection.Agent = agent;
    connection.CertificateSubject = certificateSubject;
    connection.SetServerName(host);
    connection.Path = target;
    connection.Port = port;
    auto failure = [&connection](const char *step) {
        return AppError(QStringLiteral("%1: [ErrorCode %2]").arg(QLatin1String(step)).arg(connection.ErrorCode)
                        + SysErrorText(connection.ErrorCode));
    };
    if (!connection.ConnectToHttpsServer(QStringLiteral("GET")))
        throw failure("ConnectToHttpsServer");
    if (!connection.SendHttpsRequest())
        throw failure("SendHttpsRequest");
    return connection.ReadAnswerText();
}

QString UrlHost(const QString &url)
{
    QString r = url;
    const qsizetype slashes = r.indexOf(QStringLiteral("//"));
    if (slashes >= 0)
        r = r.mid(slashes + 2);
    const qsizetype colon = r.indexOf(QLatin1Char(':'));
    if (colon >= 0)
        r = r.left(colon);
    const qsizetype slash = r.indexOf(QLatin1Char('/'));
    if (slash >= 0)
        r = r.left(slash);
    return r;
}

QString UrlPath(const QString &url)
{
    // The host is looked for after the scheme, so that a scheme holding the
    // host's letters does not cut the address in the wrong place.
    const qsizetype slashes = url.indexOf(QStringLiteral("//"));
    const QString rest = slashes >= 0 ? url.mid(slashes + 2) : url;
    const QString host = UrlHost(url);
    QString r = rest.mid(rest.indexOf(host) + host.size());
    const qsizetype slash = r.indexOf(QLatin1Char('/'));
    r = slash >= 0 ? r.mid(slash + 1) : QString();
    return r.isEmpty() ? QString() : QLatin1Char('/') + r;
}

QByteArray UrlEncode(const QByteArray &text, bool spaceAsPlus)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(text.size() * 3);
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            out.append(c);
        else if (u == ' ' && spaceAsPlus)
            out.append('+');
        else
            out.append('%').append(hex[u >> 4]).append(hex[u & 15]);
    }
    return out;
}
