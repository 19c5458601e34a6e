#pragma once
// TSim: Restavo's worker for the exchanges with the central certificate
// database and with the project service. It reads the workstation file when it is made, carries out one
// operation, writes what it received into the data folder and returns the
// operation's result. Every operation catches its own failures, journals them
// and returns its error code; only the constructor raises.
#include "ExchangeFiles.h"
#include "SqliteDatabase.h"
#include "WorkstationFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class ProgressSink;
class THttpsConnection;
struct ServerAttributes;

// The restore file's proposed name.
inline const QString RestoreFileName = QStringLiteral("DataFromServer.cod");

class TSim {
public:
    // Reads and checks data/i.cod of the program folder; raises on every failure.
    explicit TSim(const QString &programDir);
    TSim();
    ~TSim();

    int32_t ChamberNumber = 0;
    int32_t WorkstationNumber = 0;
    QByteArray ChamberKey;
    QString ServerUrl;
    int32_t ServerPort = 0;

    // Makes the window that shows a transfer's progress; unset, the wait
    // window. Tests give their own to see what it shows.
    std::function<std::unique_ptr<ProgressSink>()> MakeProgressWindow;

    // Ops 2, 3 and 5: hello to the entry server, answer into hello.xml. 0 done; -1 error.
    qint32 ExecuteHello(const QString &version);
    // Op 4: a new i.cod from the N-th central database server of hello.xml.
    // -1 stored; N this server failed; -2 no N-th server or a broken hello.
    qint32 ExecuteCod(const QString &version, qint32 n);
    // Op 6: the versions of the N-th server into version.xml, which server it
    // was into params.txt. Results as ExecuteCod.
    qint32 ExecuteVersion(const QString &version, qint32 n);
    // Op 7: the changes after LastKnownChange into change.xml. 0 done; -1 error.
    qint32 ExecuteChange(const QString &version, qint32 lastKnownChange);
    // Op 10: the restore file, enciphered with the chamber key, where the
    // operator saves it. 0 saved or cancelled; -1 error.
    qint32 ExecuteRestore(const QString &version);
    // Op 8: the certificates of the first day from Day on that holds any but
    // projects, posted to /save. The next day to post; -1 none left; -3 error.
    qint32 ExecutePostDay(const QString &version, qint32 day);
    // The day's packet (every day for 0) as Restavo posts it, also written to
    // full_sync.xml; empty when the day holds none to send. Raises on failure.
    QByteArray GetXMLData(qint32 day, const QString &version);
    // Op 13: the attached file of one certificate of status 5 to /upload, then
    // status 7 and the copy removed. 5 sent; -1 none left; -3 error.
    qint32 ExecutePostFile(const QString &version);
    // Op 9: the update package of Item ("name%url*version") into DownLoad;
    // the restorator's updater unpacked. N + 1; raises on failure.
    qint32 ExecuteUpdate(const QString &version, qint32 n, const QString &item);

    // Op 11: the description of the first project service of hello.xml that
    // answers into wsdl.xml (empty when none did). -1 done; -2 error.
    qint32 ExecuteWSDL();
    // Op 12: the project of that number from the service that wsdl.xml
    // describes into serv.xml, only when the answer holds one; the service's
    // refusals and failed requests are shown in a message box. Version is not
    // used. 0 stored; -1 error or refusal.
    qint32 GetProject(const QString &version, const QString &account, const QString &password,
                      const QString &userName, qint32 projectNumber, const QString &programUser);

    // Options of data/Tessal.sqb. A failure is journalled: reading gives
    // empty text, saving leaves the option as it was.
    QString ReadOption(const QString &userName, const QString &paramName);
    void SaveOption(const QString &userName, const QString &paramName, const QString &value);

    // "tppn=...&plcn=...&tppk=...&pver=" + Version.
    QByteArray identity(const QString &version) const;

private:
    QString dataFile(const QString &name) const;
    // Points the connection at a central database server, with the client
    // certificate such a server asks for, and returns its base path. Raises
    // when the server has no usable host or port.
    static QByteArray pointAtCdbServer(THttpsConnection &connection, const ServerAttributes &server);
    // Points the connection at the server params.txt names (journalled under
    // Location) and returns its base path. Raises when there is none.
    QByteArray useChainServer(THttpsConnection &connection, const QString &location);
    // The walk of ops 4 and 6 over the `cdb` servers of hello.xml: the
    // connection is pointed at the N-th, and Ask runs the request there (Path
    // its base path) and says whether it delivered.
    qint32 askNthServer(const QString &method, qint32 n,
                        const std::function<bool(THttpsConnection &, const ServerAttributes &,
                                                 const QByteArray &path)> &ask);
    // The database, opened on first use.
    SqliteDatabase &database();
    // The window of one transfer's progress (MakeProgressWindow).
    std::unique_ptr<ProgressSink> progressWindow() const;

    QString m_programDir;
    // The workstation file as read when the worker was made.
    WorkstationFile m_workstation;
    std::unique_ptr<SqliteDatabase> m_database;
};
