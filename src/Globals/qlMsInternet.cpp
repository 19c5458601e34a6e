#include "qlMsInternet.h"

#include "ClientCertificateStore.h"
#include "ggDebug.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

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

qint64 StrictInteger(const QByteArray &text)
{
    bool ok = !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const qint64 value = ok ? text.toLongLong(&ok, 10) : 0;
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(text)));
    return value;
}

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

QByteArray THttpsConnection::readAll(bool reportPortions)
{
    QByteArray bytes;
    if (!m_transfer) {
        ErrorCode = net::ErrorIncorrectHandleState;
        return bytes;
    }
    for (;;) {
        const QByteArray portion = m_transfer->readBody(kPortion);
        ErrorCode = m_transfer->errorCode();
        if (portion.isEmpty())
            break;
        bytes.append(portion);
        if (reportPortions)
            DoSizePortion(portion.size());
    }
    return bytes;
}

QString THttpsConnection::ReadAnswerText()
{
    const QByteArray bytes = readAll(false);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    return text;
}

QByteArray THttpsConnection::ReadAnswerData()
{
    const QByteArray length = m_transfer ? m_transfer->answerHeader("Content-Length") : QByteArray();
    if (length.isNull()) {
        DoSizeResource(-1);
        ErrorCode = m_transfer ? net::ErrorHeaderNotFound : net::ErrorIncorrectHandleState;
    } else {
        DoSizeResource(StrictInteger(length));
    }
    return readAll(true);
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
