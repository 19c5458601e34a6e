#pragma once
// One request to a central database server as every step sends it: open,
// pause, send, and take the answer only when it is whole and its status is
// 2xx. A request that fails is written to the journal under the caller's
// location and the request's name.
#include "CdbRequests.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

class THttpsConnection;

// The pause between opening and sending a request (1,000 ms). Tests shorten it.
int CdbRequestPauseMs();
void SetCdbRequestPauseMs(int milliseconds);

// "[ErrorCode " + code + "]" followed by the system's text for it.
QString RequestErrorText(uint32_t errorCode);

// The step at which a request to a central database server stopped.
enum class CdbStep { Done, Connect, Send };
// "Syn.ConnectToHttpsServer" or "Syn.SendHttpsRequest", as the records name them.
QString CdbStepName(CdbStep step);

// Prepares and opens Request on the connection (server and port as they
// are), runs Pause (the standard pause when none is given), sends it and
// reads the whole answer into Answer, at most MaxSize bytes when MaxSize is
// above 0. An answer without a 2xx status or cut short fails the send step.
// Records nothing: the caller says what a failure means.
CdbStep SendToCdb(THttpsConnection &connection, const CdbRequest &request, QByteArray &answer, qint64 maxSize = 0,
                  const std::function<void()> &pause = {});

// Sends Request on the connection (server and port as they are) and reads the
// whole answer into Answer, at most MaxSize bytes when MaxSize is above 0.
// On failure writes (error, exchange, 0x40007500: Location, RequestName +
// " (Syn.ConnectToHttpsServer)" or " (Syn.SendHttpsRequest)", the error
// text) and returns false; an answer without a 2xx status or cut short fails
// the send step. Pause as for SendToCdb.
bool ExchangeWithCdb(THttpsConnection &connection, const CdbRequest &request, const QString &location,
                     const QString &requestName, QByteArray &answer, qint64 maxSize = 0,
                     const std::function<void()> &pause = {});

// An answer's text: UTF-8 decoded; empty when it is not well-formed UTF-8.
QString AnswerText(const QByteArray &answer);

// Hello to the entry server of the workstation file (ServerUrl and
// ServerPort): GET base path + "/sync/hello" (with "?" + identity when
// IdentityInQuery), the identity as body, agent "Certificate Of Origin".
// Returns the answer's text; an answer without a 2xx status or cut short is a
// failed request. Raises AppError with "ConnectToHttpsServer: " or
// "SendHttpsRequest: " + the error text, as HttpsGet does.
QString RequestHello(THttpsConnection &connection, const QString &serverUrl, int serverPort,
                     const QByteArray &identity, bool identityInQuery);
