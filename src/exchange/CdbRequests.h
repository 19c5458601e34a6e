#pragma once
// The requests of the central database protocol, built in one place so that
// the in-process synchronisation, the message chain and Restavo's workers send
// exactly the same verb, path, query and body.
//
// Every request identifies the workstation by the identity query. Requests to
// a central database server go to its base path (the normalised `path`
// attribute of a `cdb` element of the hello answer) followed by the request's
// own path.
#include "ProgramVersion.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class THttpsConnection;

// The client-certificate subject and the user agent of the exchange.
inline const QString CdbCertificateSubject = QStringLiteral("Certificate of origin");
inline const QString CdbAgent = QStringLiteral("Certificate Of Origin");

// "tppn=" chamber "&plcn=" workstation "&tppk=" key "&pver=" version. The
// values go in as they are, without URL encoding: the server reads them so.
QByteArray IdentityQuery(int32_t chamberNumber, int32_t workstationNumber, const QByteArray &chamberKey,
                         const QString &programVersion = ProgramVersion);

// The base path of a central database server from its `path` attribute: with
// a "/" in it, "/" and what follows its first "/" (so "sync/cdb" gives
// "/cdb"), then one trailing "/" removed; a word without one gets a "/" in
// front, so that the request target always begins with "/".
QByteArray NormaliseServerPath(const QByteArray &path);

struct CdbRequest {
    QString verb;
    QString path;    // request target with its query
    QByteArray body; // empty: no body
};

namespace CdbRequests {
// Hello to the entry server: its base path (UrlPath of the server address) +
// "/sync/hello", with "?" + identity when IdentityInQuery.
CdbRequest Hello(const QString &entryBasePath, const QByteArray &identity, bool identityInQuery);
CdbRequest WorkstationFile(const QByteArray &serverPath, const QByteArray &identity);
CdbRequest Versions(const QByteArray &serverPath, const QByteArray &identity);
// LastChange as the option stores it; "0" when empty.
CdbRequest Changes(const QByteArray &serverPath, const QByteArray &identity, const QByteArray &lastChange);
// One day's certificate data packet, form-encoded after "&certBody=".
CdbRequest SaveDay(const QByteArray &serverPath, const QByteArray &identity, const QByteArray &packet);
CdbRequest Restore(const QByteArray &serverPath, const QByteArray &identity);
// The body is the multipart form the caller builds.
CdbRequest Upload(const QByteArray &serverPath);
// An update package: its url is the whole path on the chosen server.
CdbRequest UpdateFile(const QByteArray &url, const QByteArray &identity);
} // namespace CdbRequests

// Sets the connection's Path and body for the request; ServerName, Port,
// Agent and CertificateSubject stay as they are.
void PrepareRequest(THttpsConnection &connection, const CdbRequest &request);
