#pragma once
// Stands for the Windows Internet API (WinInet) under the HTTPS client: one
// HTTPS request over libcurl (OpenSSL), driven step by step through the curl
// multi interface so that the caller keeps WinInet's order of calls: start the
// request, wait until the answer's headers are in, then read the body in
// portions. Failures are reported in WinInet's error numbering.
//
// Server certificates are always verified (the system's trust store plus an
// optional extra CA file). Redirects are followed to https addresses only.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

namespace net {

// WinInet error numbers the callers log.
enum WinInetError : uint32_t {
    ErrorNone = 0,
    ErrorOutOfMemory = 8,
    ErrorTimeout = 12002,              // ERROR_INTERNET_TIMEOUT
    ErrorInternal = 12004,             // ERROR_INTERNET_INTERNAL_ERROR
    ErrorInvalidUrl = 12005,           // ERROR_INTERNET_INVALID_URL
    ErrorNameNotResolved = 12007,      // ERROR_INTERNET_NAME_NOT_RESOLVED
    ErrorOperationCancelled = 12017,   // ERROR_INTERNET_OPERATION_CANCELLED
    ErrorIncorrectHandleState = 12019, // ERROR_INTERNET_INCORRECT_HANDLE_STATE
    ErrorConnectionAborted = 12030,    // ERROR_INTERNET_CONNECTION_ABORTED
    ErrorConnectionReset = 12031,      // ERROR_INTERNET_CONNECTION_RESET
    ErrorCertDateInvalid = 12037,      // ERROR_INTERNET_SEC_CERT_DATE_INVALID
    ErrorCertNameInvalid = 12038,      // ERROR_INTERNET_SEC_CERT_CN_INVALID
    ErrorHttpsToHttpOnRedirect = 12040,// ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR
    ErrorClientCertNeeded = 12044,     // ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED
    ErrorInvalidCa = 12045,            // ERROR_INTERNET_INVALID_CA
    ErrorCannotConnect = 12029,        // ERROR_INTERNET_CANNOT_CONNECT
    ErrorHeaderNotFound = 12150,       // ERROR_HTTP_HEADER_NOT_FOUND
    ErrorInvalidServerResponse = 12152,// ERROR_HTTP_INVALID_SERVER_RESPONSE
    ErrorRedirectFailed = 12156,       // ERROR_HTTP_REDIRECT_FAILED
    ErrorSecureChannel = 12157,        // ERROR_INTERNET_SECURITY_CHANNEL_ERROR
};

// A client certificate with its private key, ready to be presented.
class ClientCredential {
public:
    virtual ~ClientCredential() = default;
    // X509* and EVP_PKEY* of OpenSSL; the credential keeps them alive.
    virtual void *x509() const = 0;
    virtual void *privateKey() const = 0;
};

// A request body produced on demand. read() may raise; the exception reaches
// the caller of the transfer step that asked for the bytes.
class RequestBody {
public:
    virtual ~RequestBody() = default;
    virtual int64_t bodySize() = 0;              // bytes that read() will produce in all
    virtual bool rewindBody() = 0;               // restart from the first byte
    virtual int64_t readBody(char *data, int64_t maxCount) = 0; // 0 at the end
};

// A body held in memory (copied in).
class BytesBody : public RequestBody {
public:
    explicit BytesBody(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    int64_t bodySize() override { return m_bytes.size(); }
    bool rewindBody() override { m_pos = 0; return true; }
    int64_t readBody(char *data, int64_t maxCount) override;

private:
    QByteArray m_bytes;
    int64_t m_pos = 0;
};

struct TransferSettings {
    QByteArray host;                 // checked host name or address, no port or path
    int port = 443;
    QByteArray verb = "GET";
    QByteArray target = "/";         // request target, sent as given
    QList<QByteArray> headerLines;   // "Name: value"
    QByteArray userAgent;
    QByteArray userName;             // sent only when not empty
    QByteArray password;
    RequestBody *body = nullptr;     // not owned; none: no body
    std::shared_ptr<const ClientCredential> clientCredential; // none: present nothing
    QString extraCaFile;             // trusted beside the system's store when set
    int connectTimeoutMs = 30000;
    int stallTimeoutMs = 60000;      // no byte moving for this long ends the transfer
};

// True when Host may be placed in an address: not empty, no control
// characters, blanks, "/", ":", "@", "?", "#", "\\".
bool IsAcceptableHostName(const QByteArray &host);
// True when Target may go out on the request line: no control characters and no blanks.
bool IsAcceptableRequestTarget(const QByteArray &target);

// One request and its answer.
class CurlTransfer {
public:
    explicit CurlTransfer(TransferSettings settings);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer &) = delete;
    CurlTransfer &operator=(const CurlTransfer &) = delete;

    // Sends the request and returns once the answer's headers are in (true),
    // or on failure (false, errorCode() set). OnBodySent, when given, is told
    // how many body bytes went out since its last call; it runs between
    // transfer steps, never inside libcurl, and may raise.
    bool sendRequest(const std::function<void(int64_t)> &onBodySent = {});

    int statusCode() const { return m_status; }
    // Header lines of the final answer, without line ends.
    const QList<QByteArray> &answerHeaders() const { return m_answerHeaders; }
    // Value of the first header named Name (case-insensitive); isNull when absent.
    QByteArray answerHeader(const QByteArray &name) const;
    // True when the server asked for a client certificate during the last attempt.
    bool clientCertificateRequested() const { return m_certRequested; }

    // Next portion of the answer's body, at most MaxCount bytes; empty at the
    // end of the body or on failure (then failed() and errorCode()).
    QByteArray readBody(int64_t maxCount);
    bool failed() const { return m_errorCode != ErrorNone; }
    uint32_t errorCode() const { return m_errorCode; }
    QString errorDetail() const { return m_errorDetail; }

    struct State; // libcurl's side, shared with the callbacks

private:
    bool startAttempt();
    bool drive(const std::function<bool()> &done, const std::function<void(int64_t)> &onBodySent);
    void finish(int curlCode);
    void fail(uint32_t code, const QString &detail);
    bool followRedirect();
    void rethrowPending();

    TransferSettings m_settings;
    std::unique_ptr<State> m_state;
    int m_status = 0;
    QList<QByteArray> m_answerHeaders;
    uint32_t m_errorCode = ErrorNone;
    QString m_errorDetail;
    bool m_certRequested = false;
    int m_redirects = 0;
};

} // namespace net
