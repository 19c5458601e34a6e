#pragma once
// The Unix domain sockets that carry messages between processes: a listener
// that receives wire lines on the thread that owns it, and the sender that
// delivers one line to another process's listener. Both accept only a peer
// that runs as the same user.
#include "MessageWire.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

// Senders write their line at once; a connection that stays silent is held
// only for a short time, and only so many are held at once: a newcomer takes
// the place of the one heard from longest ago. When the process runs out of
// descriptors the listener makes room the same way, or pauses, and never
// spins.
class MessageListener : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<void(const WireMessage &)>;

    struct Limits {
        int maxConnections = 64;
        int idleMs = 5000; // a connection silent this long is closed
    };

    explicit MessageListener(Receiver receiver, QObject *parent = nullptr);
    explicit MessageListener(Receiver receiver, Limits limits, QObject *parent = nullptr);
    ~MessageListener() override;

    // Binds and listens at socketPath, replacing a stale socket file there.
    bool listen(const QString &socketPath, QString *error);
    bool isListening() const { return m_fd >= 0; }

    // Accepts every waiting connection and reads what every connection has
    // sent so far, handing each complete line to the receiver. A sender that
    // has exited has therefore been heard completely when this returns.
    void receivePendingNow();

private:
    struct Connection;

    void acceptWaiting();
    void holdConnection(int fd);
    // Closes the connection heard from longest ago; false when there is none.
    bool closeLongestSilent();
    void closeSilentConnections();
    void pauseAccepting();
    void readConnection(int fd);
    void closeConnection(int fd);

    Receiver m_receiver;
    Limits m_limits;
    int m_fd = -1;
    QString m_path;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_idleTimer = nullptr;
    std::map<int, std::unique_ptr<Connection>> m_connections;
    quint64 m_heardCount = 0;
};

// Connects to the listener at socketPath, checks that it runs as this user and
// writes the line. False with the reason in *error when it was not delivered.
bool SendWireLine(const QString &socketPath, const QByteArray &line, QString *error);
