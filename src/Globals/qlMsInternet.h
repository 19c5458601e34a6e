#pragma once
// The HTTPS client through which both programs talk to the central
// certificate database and to the project service, and the URL helpers.
//
// One THttpsConnection performs one request at a time; it is reused for
// several requests in a row, each with fresh handles. For one request:
// set Agent, CertificateSubject, ServerName, Port and Path; SetPostData when
// a body is to be sent; ConnectToHttpsServer(verb); SendHttpsRequest (returns
// once the answer's headers are in); then ReadAnswerText or ReadAnswerData.
// Every false result leaves a WinInet error number in ErrorCode.
#include "CurlTransport.h"
#include "MultipartFormData.h"
#include "ggError.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class EqlHttpsException : public AppError {
public:
    using AppError::AppError;
};

class THttpsConnection {
public:
    using SizeEvent = std::function<void(THttpsConnection *sender, qint64 size)>;

    THttpsConnection();
    virtual ~THttpsConnection();
    THttpsConnection(const THttpsConnection &) = delete;
    THttpsConnection &operator=(const THttpsConnection &) = delete;

    QString Agent = QStringLiteral("agent of the Orbanet");
    quint8 StoreKind = 0; // client-certificate store: 0 "MY", 1 "CA", 2 "ROOT", 3 "SPC"
    QString Path;         // request target with its query, sent as given
    int Port = 443;
    int Context = 0;
    quint32 Flags = 0x84C00000; // reload, no cache write, secure, keep connection
    QString CertificateSubject;
    quint32 ErrorCode = 0;
    QString UserName;
    QString Password;
    // Extra request header lines (CR LF separated), sent with every request.
    QByteArray Headers = "Content-Type: application/x-www-form-urlencoded";
    SizeEvent OnSizeResource; // total size of a download (-1 unknown), before its first portion
    SizeEvent OnSizePortion;  // byte count of each portion

    // Time-outs: for connecting (TLS handshake included), and for an answer
    // that stops moving. An extra CA file trusted beside the system's store
    // (TESSAL_CA_FILE by default).
    int ConnectTimeoutMs = 30000;
    int StallTimeoutMs = 60000;
    QString ExtraCaFile;
    // The most an answer read into memory may hold: an answer text, and raw
    // data (ReadAnswerData, DownloadData). A longer answer is not read on.
    qint64 MaxAnswerText = 64LL << 20;
    qint64 MaxAnswerData = 256LL << 20;

    const QString &ServerName() const { return m_serverName; }
    // Host name only. A name with "/", ":", "@", "?", "#", "\", a blank or a
    // control character raises EqlHttpsException and leaves the old name.
    void SetServerName(const QString &name);

    // The request body, copied; it stays set for later requests until changed.
    // An empty text gives no body.
    void SetPostData(const QByteArray &data) { m_postData = data; }
    const QByteArray &PostData() const { return m_postData; }

    // The multipart body that the streamed upload sends.
    TMultiPartFormDataStream &FormData() { return *m_formData; }

    // Prepares the request; no network traffic yet.
    bool ConnectToHttpsServer(const QString &verb);
    // Sends the request with Headers and PostData; answers a client-certificate
    // demand once with the certificate chosen by SelectClientCertificate.
    bool SendHttpsRequest();
    // The same with a body produced while it is sent (the streamed upload);
    // OnSizePortion is told the byte count of each portion sent.
    bool SendHttpsRequestBody(net::RequestBody &body);
    // Takes the client certificate whose subject contains CertificateSubject
    // from the store of StoreKind. None: closes every handle, ErrorCode 12044.
    bool SelectClientCertificate();

    // The HTTP status of the answer; 0 before an answer is in.
    int StatusCode() const;

    // The whole answer decoded from UTF-8; empty when it is not well-formed
    // UTF-8, or longer than MaxAnswerText (ErrorCode 8).
    QString ReadAnswerText();
    // The whole answer as raw bytes, in portions of at most 32,768 bytes with
    // OnSizeResource and OnSizePortion. A Content-Length that is not a decimal
    // number raises AppError. Empty when longer than MaxAnswerData (ErrorCode 8).
    QByteArray ReadAnswerData();

    // A download counts only with a 2xx status and its whole declared body,
    // and, when MaxSize is above 0, no more than MaxSize bytes; it is read in
    // portions with OnSizeResource and OnSizePortion as ReadAnswerData. False
    // otherwise, with ErrorCode: 12152 for another status or a body over
    // MaxSize, 12030 for an answer cut short, the transport's code else.
    // Into memory (never more than MaxAnswerData):
    bool DownloadData(QByteArray &data, qint64 maxSize = 0);
    // Into FileName, through a temporary file beside it that replaces it only
    // when the download is whole; a failed download leaves no new file and
    // the old one as it was. A file that cannot be written raises AppError.
    bool DownloadFile(const QString &fileName, qint64 maxSize = 0);

    void CloseHandles();

protected:
    virtual void DoSizeResource(qint64 size);
    virtual void DoSizePortion(qint64 size);

private:
    bool send(net::RequestBody *body, bool reportPortions);
    std::unique_ptr<net::CurlTransfer> newTransfer(net::RequestBody *body) const;
    using PortionSink = std::function<void(const QByteArray &)>;
    struct BodyLimit {
        qint64 bytes;
        quint32 error; // ErrorCode for a longer body
    };
    // Reads the rest of the body into Sink; false when the read failed or the
    // body is longer than the limit (then the rest is not read).
    bool readBody(const PortionSink &sink, const BodyLimit &limit, bool reportPortions);
    // The whole body; empty when it is longer than Limit (ErrorCode 8).
    QByteArray readAll(qint64 limit, bool reportPortions);
    // Tells OnSizeResource the declared body length (-1 when none) and
    // returns it; raises AppError when it is not a number.
    qint64 announceLength();
    // The download rule; MemoryLimit above 0 also bounds the body (ErrorCode 8).
    bool download(const PortionSink &sink, qint64 maxSize, qint64 memoryLimit);

    QString m_serverName;
    QByteArray m_postData;
    std::unique_ptr<TMultiPartFormDataStream> m_formData;
    bool m_requestOpen = false;
    QByteArray m_verb;
    std::unique_ptr<net::BytesBody> m_body;
    std::unique_ptr<net::CurlTransfer> m_transfer;
    std::shared_ptr<const net::ClientCredential> m_credential;
};

// One GET through Connection (a body set before travels with it); raises
// AppError with the step and the error text on failure; returns the answer text.
QString HttpsGet(THttpsConnection &connection, const QString &agent, const QString &certificateSubject,
                 const QString &host, const QString &path, int port);

// Host of a server address: after "//", before ":" and "/".
QString UrlHost(const QString &url);
// Base path of a server address: "/" and what follows the host's first "/"; empty when nothing does.
QString UrlPath(const QString &url);
// Form encoding: letters and digits kept, a blank as "+" (SpaceAsPlus) or
// "%20", every other byte as "%" and two upper-case hexadecimal digits.
QByteArray UrlEncode(const QByteArray &text, bool spaceAsPlus);
