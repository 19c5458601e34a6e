#include "MessageSocket.h"
#include "SystemErrorTexts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QString ErrnoText() { return ::ErrnoText(errno); }

bool FillAddress(const QString &socketPath, sockaddr_un *address, QString *error)
{
    const QByteArray native = QFile::encodeName(socketPath);
    if (native.size() >= static_cast<qsizetype>(sizeof(address->sun_path))) {
        *error = QStringLiteral("socket path too long: %1").arg(socketPath);
        return false;
    }
    memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    memcpy(address->sun_path, native.constData(), native.size());
    return true;
}

bool PeerIsSameUser(int fd)
{
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 && credentials.uid == geteuid();
}

} // namespace

struct MessageListener::Connection {
    QSocketNotifier *notifier = nullptr;
    QByteArray buffer;
    QElapsedTimer sinceHeard;
    quint64 heardAs = 0; // order of the last time heard from, over all connections
};

MessageListener::MessageListener(Receiver receiver, QObject *parent)
    : MessageListener(std::move(receiver), Limits {}, parent)
{
}

MessageListener::MessageListener(Receiver receiver, Limits limits, QObject *parent)
    : QObject(parent), m_receiver(std::move(receiver)), m_limits(limits), m_idleTimer(new QTimer(this))
{
    m_idleTimer->setInterval(std::max(10, m_limits.idleMs / 4));
    connect(m_idleTimer, &QTimer::timeout, this, [this] { closeSilentConnections(); });
}

MessageListener::~MessageListener()
{
    while (!m_connections.empty())
        closeConnection(m_connections.begin()->first);
    if (m_fd >= 0) {
        delete m_notifier;
        ::close(m_fd);
        unlink(QFile::encodeName(m_path).constData());
    }
}

bool MessageListener::listen(const QString &socketPath, QString *error)
{
    if (m_fd >= 0)
        return true;
    sockaddr_un address{};
    if (!FillAddress(socketPath, &address, error))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        *error = QStringLiteral("socket: %1").arg(ErrnoText());
        return false;
    }
    // The name carries our process id, so a file already there was left by a
    // dead process that had the same id.
    unlink(address.sun_path);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 || ::listen(fd, 64) != 0) {
        *error = QStringLiteral("cannot listen at %1: %2").arg(socketPath, ErrnoText());
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = socketPath;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { acceptWaiting(); });
    return true;
}

void MessageListener::receivePendingNow()
{
    if (m_fd < 0)
        return;
    acceptWaiting();
    std::vector<int> open;
    for (const auto &entry : m_connections)
        open.push_back(entry.first);
    for (int fd : open)
        readConnection(fd);
}

void MessageListener::acceptWaiting()
{
    for (;;) {
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            holdConnection(fd);
            continue;
        }
        switch (errno) {
        case EINTR:
        case ECONNABORTED:
            continue;
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            // No descriptor for the newcomer: make room, or wait a little
            // rather than be woken again at once for the same newcomer.
            if (closeLongestSilent())
                continue;
            pauseAccepting();
            return;
        default:
            return; // EAGAIN: nobody else is waiting
        }
    }
}

void MessageListener::holdConnection(int fd)
{
    if (!PeerIsSameUser(fd)) {
        ::close(fd);
        return;
    }
    while (int(m_connections.size()) >= m_limits.maxConnections && closeLongestSilent()) {
    }
    auto connection = std::make_unique<Connection>();
    connection->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connection->sinceHeard.start();
    connection->heardAs = ++m_heardCount;
    connect(connection->notifier, &QSocketNotifier::activated, this, [this, fd] { readConnection(fd); });
    m_connections.emplace(fd, std::move(connection));
    if (!m_idleTimer->isActive())
        m_idleTimer->start();
    readConnection(fd);
}

bool MessageListener::closeLongestSilent()
{
    if (m_connections.empty())
        return false;
    const auto longest = std::max_element(m_connections.begin(), m_connections.end(), [](const auto &a, const auto &b) {
        return a.second->heardAs > b.second->heardAs;
    });
    closeConnection(longest->first);
    return true;
}

void MessageListener::closeSilentConnections()
{
    std::vector<int> silent;
    for (const auto &[fd, connection] : m_connections) {
        if (connection->sinceHeard.hasExpired(m_limits.idleMs))
            silent.push_back(fd);
    }
    for (int fd : silent)
        closeConnection(fd);
    if (m_connections.empty())
        m_idleTimer->stop();
}

void MessageListener::pauseAccepting()
{
    constexpr int PauseMs = 100;
    m_notifier->setEnabled(false);
    QTimer::singleShot(PauseMs, this, [this] {
        m_notifier->setEnabled(true);
        acceptWaiting();
    });
}

void MessageListener::readConnection(int fd)
{
    const auto found = m_connections.find(fd);
    if (found == m_connections.end())
        return;
    Connection &connection = *found->second;
    bool finished = false;
    for (;;) {
        char chunk[512];
        const ssize_t got = ::read(fd, chunk, sizeof(chunk));
        if (got > 0) {
            connection.buffer.append(chunk, got);
            connection.sinceHeard.start();
            connection.heardAs = ++m_heardCount;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        finished = got == 0 || errno != EAGAIN;
        break;
    }
    // Hand over the complete lines; the receiver may post events but never
    // re-enters the listener.
    qsizetype end;
    std::vector<WireMessage> received;
    while ((end = connection.buffer.indexOf('\n')) >= 0) {
        const QByteArray line = connection.buffer.left(end);
        connection.buffer.remove(0, end + 1);
        if (const auto message = ParseWireLine(line))
            received.push_back(*message);
    }
    if (connection.buffer.size() >= MaxWireLineLength)
        finished = true; // a line that never ends: stop listening to this peer
    if (finished)
        closeConnection(fd);
    for (const WireMessage &message : received)
        m_receiver(message);
}

void MessageListener::closeConnection(int fd)
{
    const auto found = m_connections.find(fd);
    if (found == m_connections.end())
        return;
    QSocketNotifier *notifier = found->second->notifier;
    notifier->setEnabled(false);
    notifier->deleteLater();
    m_connections.erase(found);
    ::close(fd);
}

bool SendWireLine(const QString &socketPath, const QByteArray &line, QString *error)
{
    sockaddr_un address{};
    if (!FillAddress(socketPath, &address, error))
        return false;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = QStringLiteral("socket: %1").arg(ErrnoText());
        return false;
    }
    // A receiver that stops reading must not hold the sender for ever.
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof(limit));
    bool sent = false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        *error = QStringLiteral("cannot reach %1: %2").arg(socketPath, ErrnoText());
    } else if (!PeerIsSameUser(fd)) {
        *error = QStringLiteral("%1 is held by another user").arg(socketPath);
    } else {
        qsizetype done = 0;
        while (done < line.size()) {
            const ssize_t wrote = ::send(fd, line.constData() + done, line.size() - done, MSG_NOSIGNAL);
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                break;
            done += wrote;
        }
        sent = done == line.size();
        if (!sent)
            *error = QStringLiteral("cannot write to %1: %2").arg(socketPath, ErrnoText());
    }
    ::close(fd);
    return sent;
}
