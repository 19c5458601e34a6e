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

class MessageListener : public QObject {
    Q_OBJECT
public:
    using Receiver = std::function<void(const WireMessage &)>;

    explicit MessageListener(Receiver receiver, QObject *parent = nullptr);
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
    void readConnection(int fd);
    void closeConnection(int fd);

    Receiver m_receiver;
    int m_fd = -1;
    QString m_path;
    QSocketNotifier *m_notifier = nullptr;
    std::map<int, std::unique_ptr<Connection>> m_connections;
};

// Connects to the listener at socketPath, checks that it runs as this user and
// writes the line. False with the reason in *error when it was not delivered.
bool SendWireLine(const QString &socketPath, const QByteArray &line, QString *error);
