#pragma once
// The two exchanges the synchronisation window runs itself, on its own
// connection: the full synchronisation (hello, a new workstation file, the
// choice of server, the server's changes, the certificates posted day by
// day, the update check and the downloads handed to the updater) and the
// restore download. The window gives the connection, the pauses and what the
// run asks of it; tests give their own, without waits and without a window.
#include "UpdaterStart.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class ExchangeTicket;
class SyncWindowCore;
class SyncWindowOutput;
class TDM;
class THttpsConnection;

struct InProcessSyncPorts {
    // A new connection for one exchange.
    std::function<std::unique_ptr<THttpsConnection>()> makeConnection;
    // One of the exchange's pauses, in milliseconds.
    std::function<void(int milliseconds)> wait;
    // The full synchronisation runs (true) or has ended (false): the start
    // actions are off and the stop action on meanwhile, the cursor busy.
    std::function<void(bool running)> running;
    // Closes the main window (the program ends) after the updater started.
    std::function<void()> closeMainWindow;
};

class InProcessSync {
public:
    InProcessSync(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output, InProcessSyncPorts ports);
    ~InProcessSync();

    // The full synchronisation; returns when done, failed or stopped. Never raises.
    void aStartExecute();
    // The restore download, saved enciphered where the operator chooses. Never raises.
    void LoadFromFile();

private:
    enum class Outcome { Go, End };
    void synchronise(THttpsConnection &connection, ExchangeTicket &ticket);
    void restoreDownload(THttpsConnection &connection);

    std::optional<QString> hello(THttpsConnection &connection, const QString &location, bool identityInQuery,
                                 uint16_t refusalCategory);
    void useIdentity(THttpsConnection &connection);
    Outcome applyChanges(THttpsConnection &connection, const QByteArray &serverPath);
    std::optional<QString> serverLastDay(THttpsConnection &connection, const QByteArray &serverPath);
    Outcome postDays(THttpsConnection &connection, const QByteArray &serverPath, int64_t startDay);
    Outcome postDay(THttpsConnection &connection, const QByteArray &serverPath, int64_t day);
    QByteArray dayPacket(int64_t day);
    bool saveAccepted(const QByteArray &answer);
    Outcome checkUpdates(THttpsConnection &connection, const QByteArray &serverPath);
    void downloadUpdates(THttpsConnection &connection);
    void startUpdater(ExchangeTicket &ticket);

    // Pumps, waits and pumps again as the step before a request does.
    void pause(int milliseconds);
    void log(const QString &line);
    // The DownLoad folder of the program folder, made when missing.
    QString downloadDir() const;

    TDM &m_dm;
    SyncWindowCore &m_core;
    SyncWindowOutput &m_output;
    InProcessSyncPorts m_ports;
    QByteArray SyncIdentity;
};
