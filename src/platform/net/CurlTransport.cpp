#include "CurlTransport.h"
#include "CurlLibrary.h"
#include "StrictDecimal.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <chrono>
#include <cstring>
#include <optional>

namespace net {

namespace {

// Answer bytes held before libcurl is asked to wait for the reader.
constexpr int64_t kHoldLimit = 256 * 1024;
constexpr int kMaxRedirects = 10;
constexpr int kPollMs = 50;

// libcurl, once a transfer has found it loaded.
const CurlFunctions &Lib()
{
    return *Curl();
}

int StateIndex()
{
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

bool IsRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The status of an answer's status line ("HTTP/1.1 200 OK"): three digits,
// 100 to 999; nothing when the line holds no such status.
std::optional<int> StatusOfLine(const QByteArray &line)
{
    const QList<QByteArray> words = line.split(' ');
    const QByteArray code = words.value(1);
    const std::optional<qint32> status = code.size() == 3 ? ParseStrictInt32(code) : std::nullopt;
    if (!status || *status < 100)
        return std::nullopt;
    return int(*status);
}

bool HasControlOrBlank(const QByteArray &text)
{
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f)
            return true;
    }
    return false;
}

// Why the server's certificate was refused. OpenSSL checks the chain during
// the handshake and leaves its verdict as the verify result; libcurl checks
// the host name itself afterwards and then leaves no chain verdict (0, or 1,
// its mark for "not verified yet"). So a refusal without a chain verdict of
// OpenSSL's is the host name.
uint32_t VerificationError(CURL *easy)
{
    long verify = X509_V_OK;
    Lib().easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify);
    switch (verify) {
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return ErrorCertNameInvalid;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return ErrorCertDateInvalid;
    default:
        return ErrorInvalidCa;
    }
}

} // namespace

int64_t BytesBody::readBody(char *data, int64_t maxCount)
{
    const int64_t count = std::min<int64_t>(maxCount, m_bytes.size() - m_pos);
    if (count <= 0)
        return 0;
    std::memcpy(data, m_bytes.constData() + m_pos, size_t(count));
    m_pos += count;
    return count;
}

bool IsAcceptableHostName(const QByteArray &host)
{
    if (host.isEmpty() || HasControlOrBlank(host))
        return false;
    for (char c : host) {
        if (std::strchr("/:@?#\\", c))
            return false;
    }
    return true;
}

bool IsAcceptableRequestTarget(const QByteArray &target)
{
    return !target.isEmpty() && !HasControlOrBlank(target);
}

struct CurlTransfer::State {
    CURLM *multi = nullptr;
    CURL *easy = nullptr;
    curl_slist *headers = nullptr;
    RequestBody *body = nullptr;
    const ClientCredential *credential = nullptr;
    QByteArray extraCaFile;
    QByteArray url;

    int status = 0;
    QList<QByteArray> headerLines;
    bool headersDone = false;
    QByteArray received;
    bool paused = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    bool certRequested = false;
    bool badStatusLine = false;
    std::exception_ptr pending;
    curl_off_t uploaded = 0;
    curl_off_t downloaded = 0;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    ~State()
    {
        if (multi && easy)
            Lib().multi_remove_handle(multi, easy);
        if (easy)
            Lib().easy_cleanup(easy);
        if (multi)
            Lib().multi_cleanup(multi);
        if (headers)
            Lib().slist_free_all(headers);
    }

    static size_t onHeader(char *data, size_t size, size_t count, void *user)
    {
        auto *st = static_cast<State *>(user);
        const size_t total = size * count;
        QByteArray line(data, qsizetype(total));
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith("HTTP/")) {
            const std::optional<int> status = StatusOfLine(line);
            if (!status) {
                st->badStatusLine = true;
                return 0; // ends the transfer
            }
            st->status = *status;
            st->headerLines.clear();
        } else if (line.isEmpty()) {
            if (st->status >= 200)
                st->headersDone = true;
        } else {
            st->headerLines.append(line);
        }
        return total;
    }

    static size_t onWrite(char *data, size_t size, size_t count, void *user)
    {
        auto *st = static_cast<State *>(user);
        if (st->received.size() >= kHoldLimit) {
            st->paused = true;
            return CURL_WRITEFUNC_PAUSE;
        }
        st->received.append(data, qsizetype(size * count));
        return size * count;
    }

    static size_t onRead(char *data, size_t size, size_t count, void *user)
    {
        auto *st = static_cast<State *>(user);
        try {
            const int64_t n = st->body->readBody(data, int64_t(size * count));
            return n < 0 ? CURL_READFUNC_ABORT : size_t(n);
        } catch (...) {
            st->pending = std::current_exception();
            return CURL_READFUNC_ABORT;
        }
    }

    static int onSeek(void *user, curl_off_t offset, int origin)
    {
        auto *st = static_cast<State *>(user);
        if (offset != 0 || origin != SEEK_SET)
            return CURL_SEEKFUNC_CANTSEEK;
        try {
            return st->body->rewindBody() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
        } catch (...) {
            st->pending = std::current_exception();
            return CURL_SEEKFUNC_FAIL;
        }
    }

    static int onProgress(void *user, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
    {
        auto *st = static_cast<State *>(user);
        st->downloaded = dlnow;
        st->uploaded = ulnow;
        return 0;
    }

    // Called by OpenSSL when the server asks for a client certificate.
    static int onClientCertificate(SSL *ssl, X509 **x509, EVP_PKEY **key)
    {
        auto *st = static_cast<State *>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), StateIndex()));
        if (!st)
            return 0;
        st->certRequested = true;
        if (!st->credential)
            return 0;
        auto *cert = static_cast<X509 *>(st->credential->x509());
        auto *pkey = static_cast<EVP_PKEY *>(st->credential->privateKey());
        X509_up_ref(cert);
        EVP_PKEY_up_ref(pkey);
        *x509 = cert;
        *key = pkey;
        return 1;
    }

    static CURLcode onSslContext(CURL *, void *sslContext, void *user)
    {
        auto *st = static_cast<State *>(user);
        auto *ctx = static_cast<SSL_CTX *>(sslContext);
        if (!st->extraCaFile.isEmpty()
            && X509_STORE_load_file(SSL_CTX_get_cert_store(ctx), st->extraCaFile.constData()) != 1)
            return CURLE_SSL_CACERT_BADFILE;
        SSL_CTX_set_ex_data(ctx, StateIndex(), st);
        SSL_CTX_set_client_cert_cb(ctx, &State::onClientCertificate);
        return CURLE_OK;
    }
};

CurlTransfer::CurlTransfer(TransferSettings settings) : m_settings(std::move(settings)) {}

CurlTransfer::~CurlTransfer() = default;

QByteArray CurlTransfer::answerHeader(const QByteArray &name) const
{
    for (const QByteArray &line : m_answerHeaders) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

void CurlTransfer::fail(uint32_t code, const QString &detail)
{
    if (m_errorCode == ErrorNone) {
        m_errorCode = code;
        m_errorDetail = detail;
    }
}

void CurlTransfer::rethrowPending()
{
    if (m_state && m_state->pending) {
        std::exception_ptr pending = m_state->pending;
        m_state->pending = nullptr;
        fail(ErrorOperationCancelled, QStringLiteral("request body failed"));
        std::rethrow_exception(pending);
    }
}

bool CurlTransfer::startAttempt()
{
    m_state.reset();
    m_status = 0;
    m_answerHeaders.clear();
    const TransferSettings &s = m_settings;
    if (!IsAcceptableHostName(s.host) || !IsAcceptableRequestTarget(s.target) || s.port <= 0 || s.port > 65535) {
        fail(ErrorInvalidUrl, QStringLiteral("invalid host, port or request target"));
        return false;
    }
    if (!Curl()) {
        fail(ErrorInternal, CurlLoadFailure());
        return false;
    }

    auto st = std::make_unique<State>();
    st->body = s.body;
    st->credential = s.clientCredential.get();
    st->extraCaFile = s.extraCaFile.toLocal8Bit();

    // The host travels only through curl's URL parts, never pasted into a URL text.
    CURLU *url = Lib().url();
    char *urlText = nullptr;
    const bool urlMade = url && Lib().url_set(url, CURLUPART_SCHEME, "https", 0) == CURLUE_OK
        && Lib().url_set(url, CURLUPART_HOST, s.host.constData(), 0) == CURLUE_OK
        && Lib().url_set(url, CURLUPART_PORT, QByteArray::number(s.port).constData(), 0) == CURLUE_OK
        && Lib().url_get(url, CURLUPART_URL, &urlText, 0) == CURLUE_OK;
    if (urlMade)
        st->url = urlText;
    Lib().free(urlText);
    Lib().url_cleanup(url);
    if (!urlMade) {
        fail(ErrorInvalidUrl, QStringLiteral("invalid host"));
        return false;
    }

    st->multi = Lib().multi_init();
    st->easy = Lib().easy_init();
    if (!st->multi || !st->easy) {
        fail(ErrorOutOfMemory, QStringLiteral("libcurl could not start"));
        return false;
    }
    CURL *e = st->easy;
    Lib().easy_setopt(e, CURLOPT_URL, st->url.constData());
    Lib().easy_setopt(e, CURLOPT_REQUEST_TARGET, s.target.constData());
    Lib().easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    Lib().easy_setopt(e, CURLOPT_PROTOCOLS_STR, "https");
    Lib().easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    Lib().easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    Lib().easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    Lib().easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    Lib().easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(s.connectTimeoutMs));
    Lib().easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    Lib().easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    Lib().easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &State::onSslContext);
    Lib().easy_setopt(e, CURLOPT_SSL_CTX_DATA, st.get());
    Lib().easy_setopt(e, CURLOPT_HEADERFUNCTION, &State::onHeader);
    Lib().easy_setopt(e, CURLOPT_HEADERDATA, st.get());
    Lib().easy_setopt(e, CURLOPT_WRITEFUNCTION, &State::onWrite);
    Lib().easy_setopt(e, CURLOPT_WRITEDATA, st.get());
    Lib().easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &State::onProgress);
    Lib().easy_setopt(e, CURLOPT_XFERINFODATA, st.get());
    Lib().easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    Lib().easy_setopt(e, CURLOPT_ERRORBUFFER, st->errorBuffer);
    if (!s.userAgent.isEmpty())
        Lib().easy_setopt(e, CURLOPT_USERAGENT, s.userAgent.constData());
    if (!s.userName.isEmpty())
        Lib().easy_setopt(e, CURLOPT_USERNAME, s.userName.constData());
    if (!s.password.isEmpty())
        Lib().easy_setopt(e, CURLOPT_PASSWORD, s.password.constData());

    const bool hasBody = s.body && s.body->bodySize() > 0;
    bool hasContentType = false;
    for (const QByteArray &line : s.headerLines) {
        st->headers = Lib().slist_append(st->headers, line.constData());
        if (line.trimmed().toLower().startsWith("content-type:"))
            hasContentType = true;
    }
    if (s.verb == "HEAD") {
        Lib().easy_setopt(e, CURLOPT_NOBODY, 1L);
    } else if (hasBody || s.verb == "POST") {
        if (s.body && !s.body->rewindBody()) {
            fail(ErrorInternal, QStringLiteral("request body cannot be rewound"));
            return false;
        }
        Lib().easy_setopt(e, CURLOPT_POST, 1L);
        Lib().easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(hasBody ? s.body->bodySize() : 0));
        Lib().easy_setopt(e, CURLOPT_READFUNCTION, &State::onRead);
        Lib().easy_setopt(e, CURLOPT_READDATA, st.get());
        Lib().easy_setopt(e, CURLOPT_SEEKFUNCTION, &State::onSeek);
        Lib().easy_setopt(e, CURLOPT_SEEKDATA, st.get());
        if (!hasBody)
            Lib().easy_setopt(e, CURLOPT_POSTFIELDS, "");
        if (s.verb != "POST")
            Lib().easy_setopt(e, CURLOPT_CUSTOMREQUEST, s.verb.constData());
        if (!hasContentType) // only the caller's headers go out
            st->headers = Lib().slist_append(st->headers, "Content-Type:");
    } else if (s.verb == "GET") {
        Lib().easy_setopt(e, CURLOPT_HTTPGET, 1L);
    } else {
        Lib().easy_setopt(e, CURLOPT_CUSTOMREQUEST, s.verb.constData());
    }
    st->headers = Lib().slist_append(st->headers, "Expect:");
    Lib().easy_setopt(e, CURLOPT_HTTPHEADER, st->headers);

    if (Lib().multi_add_handle(st->multi, e) != CURLM_OK) {
        fail(ErrorInternal, QStringLiteral("libcurl could not start the transfer"));
        return false;
    }
    m_state = std::move(st);
    return true;
}

void CurlTransfer::finish(int curlCode)
{
    State &st = *m_state;
    m_certRequested = st.certRequested;
    const auto code = CURLcode(curlCode);
    if (code == CURLE_OK)
        return;
    const QString detail = QString::fromUtf8(st.errorBuffer[0] ? st.errorBuffer : Lib().easy_strerror(code));
    if (st.badStatusLine) {
        fail(ErrorInvalidServerResponse, QStringLiteral("the answer's status line holds no status"));
        return;
    }

    // A server that asked for a client certificate and then broke off the
    // handshake or the connection refused us for the certificate.
    const bool brokenOff = code == CURLE_SSL_CONNECT_ERROR || code == CURLE_RECV_ERROR
        || code == CURLE_SEND_ERROR || code == CURLE_GOT_NOTHING;
    if (st.certRequested && brokenOff) {
        fail(ErrorClientCertNeeded, detail);
        return;
    }
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        // Addresses are https only, redirects included (followRedirect
        // refuses the others before libcurl sees them): what libcurl does not
        // support here is the answer (its status line or HTTP version).
        fail(ErrorInvalidServerResponse, detail);
        break;
    case CURLE_URL_MALFORMAT:
        fail(ErrorInvalidUrl, detail);
        break;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        fail(ErrorNameNotResolved, detail);
        break;
    case CURLE_COULDNT_CONNECT:
        fail(ErrorCannotConnect, detail);
        break;
    case CURLE_OPERATION_TIMEDOUT:
        fail(ErrorTimeout, detail);
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        fail(VerificationError(st.easy), detail);
        break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        fail(ErrorSecureChannel, detail);
        break;
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        fail(ErrorConnectionAborted, detail);
        break;
    case CURLE_RECV_ERROR:
        fail(ErrorConnectionReset, detail);
        break;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        fail(ErrorInvalidServerResponse, detail);
        break;
    case CURLE_ABORTED_BY_CALLBACK:
    case CURLE_READ_ERROR:
        fail(ErrorOperationCancelled, detail);
        break;
    case CURLE_OUT_OF_MEMORY:
        fail(ErrorOutOfMemory, detail);
        break;
    default:
        fail(ErrorInternal, detail);
        break;
    }
}

bool CurlTransfer::drive(const std::function<bool()> &done, const std::function<void(int64_t)> &onBodySent)
{
    using Clock = std::chrono::steady_clock;
    State &st = *m_state;
    auto lastMove = Clock::now();
    curl_off_t lastUp = st.uploaded;
    curl_off_t lastDown = st.downloaded;
    int lastHeaders = -1;
    curl_off_t reportedUp = st.uploaded;
    while (!failed() && !st.done && !done()) {
        int running = 0;
        const CURLMcode mc = Lib().multi_perform(st.multi, &running);
        if (mc != CURLM_OK) {
            fail(ErrorInternal, QString::fromUtf8(Lib().multi_strerror(mc)));
            break;
        }
        int left = 0;
        while (CURLMsg *msg = Lib().multi_info_read(st.multi, &left)) {
            if (msg->msg == CURLMSG_DONE) {
                st.done = true;
                st.result = msg->data.result;
            }
        }
        rethrowPending();
        if (onBodySent && st.uploaded > reportedUp) {
            const curl_off_t delta = st.uploaded - reportedUp;
            reportedUp = st.uploaded;
            onBodySent(int64_t(delta));
        }
        if (st.done) {
            finish(st.result);
            break;
        }
        if (done())
            break;
        const int headerCount = int(st.headerLines.size()) + st.status;
        if (st.uploaded != lastUp || st.downloaded != lastDown || headerCount != lastHeaders) {
            lastUp = st.uploaded;
            lastDown = st.downloaded;
            lastHeaders = headerCount;
            lastMove = Clock::now();
        } else if (Clock::now() - lastMove > std::chrono::milliseconds(m_settings.stallTimeoutMs)) {
            fail(ErrorTimeout, QStringLiteral("the server stopped sending"));
            break;
        }
        Lib().multi_poll(st.multi, nullptr, 0, kPollMs, nullptr);
    }
    m_certRequested = st.certRequested;
    return !failed();
}

bool CurlTransfer::followRedirect()
{
    if (++m_redirects > kMaxRedirects) {
        fail(ErrorRedirectFailed, QStringLiteral("too many redirects"));
        return false;
    }
    const QByteArray location = answerHeader("Location");
    CURLU *url = Lib().url();
    const QByteArray current = m_state->url.chopped(1) + m_settings.target; // url ends with "/"
    if (Lib().url_set(url, CURLUPART_URL, current.constData(), 0) != CURLUE_OK)
        Lib().url_set(url, CURLUPART_URL, m_state->url.constData(), 0);
    QByteArray scheme, host, port, path, query;
    bool ok = Lib().url_set(url, CURLUPART_URL, location.constData(), 0) == CURLUE_OK;
    auto part = [&](CURLUPart which, QByteArray &out, unsigned flags) {
        char *text = nullptr;
        const CURLUcode rc = Lib().url_get(url, which, &text, flags);
        if (rc == CURLUE_OK)
            out = text;
        Lib().free(text);
        return rc;
    };
    if (ok) {
        part(CURLUPART_SCHEME, scheme, 0);
        part(CURLUPART_HOST, host, 0);
        part(CURLUPART_PORT, port, CURLU_DEFAULT_PORT);
        part(CURLUPART_PATH, path, 0);
        part(CURLUPART_QUERY, query, 0);
    }
    Lib().url_cleanup(url);
    if (!ok) {
        fail(ErrorRedirectFailed, QStringLiteral("unreadable redirect address"));
        return false;
    }
    if (scheme != "https") {
        fail(ErrorHttpsToHttpOnRedirect, QStringLiteral("redirect to a non-https address refused"));
        return false;
    }
    if (!IsAcceptableHostName(host)) {
        fail(ErrorRedirectFailed, QStringLiteral("redirect to an unusable host refused"));
        return false;
    }
    m_settings.host = host;
    m_settings.port = port.toInt();
    m_settings.target = (path.isEmpty() ? QByteArray("/") : path) + (query.isEmpty() ? QByteArray() : "?" + query);
    if (m_status == 303 || ((m_status == 301 || m_status == 302) && m_settings.verb == "POST")) {
        m_settings.verb = "GET";
        m_settings.body = nullptr;
    }
    return true;
}

bool CurlTransfer::sendRequest(const std::function<void(int64_t)> &onBodySent)
{
    m_errorCode = ErrorNone;
    m_errorDetail.clear();
    m_redirects = 0;
    for (;;) {
        if (!startAttempt())
            return false;
        const bool driven = drive([this] { return m_state->headersDone; }, onBodySent);
        if (!m_state->headersDone) {
            fail(ErrorInvalidServerResponse, QStringLiteral("the answer has no headers"));
            return false;
        }
        // The answer is in. A body that failed in the same step (cut short
        // right after the headers) is the reader's to report, not the send's.
        m_status = m_state->status;
        m_answerHeaders = m_state->headerLines;
        if (!driven || !IsRedirect(m_status) || answerHeader("Location").isEmpty())
            return true;
        if (!followRedirect())
            return false;
    }
}

QByteArray CurlTransfer::readBody(int64_t maxCount)
{
    if (!m_state || maxCount <= 0)
        return {};
    State &st = *m_state;
    if (st.received.isEmpty() && !st.done && !failed())
        drive([&st] { return !st.received.isEmpty(); }, {});
    QByteArray portion = st.received.left(qsizetype(maxCount));
    st.received.remove(0, portion.size());
    if (st.paused && st.received.size() < kHoldLimit) {
        st.paused = false;
        Lib().easy_pause(st.easy, CURLPAUSE_CONT);
    }
    return portion;
}

} // namespace net
