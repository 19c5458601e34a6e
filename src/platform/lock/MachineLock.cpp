#include "MachineLock.h"

#include <QCryptographicHash>
#include <QHash>
#include <QMutex>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// The socket address's name: a fixed prefix and the lock name in UTF-8;
// a name too long for the address is replaced by its SHA-256.
QByteArray abstractName(const QString &name)
{
    const QByteArray prefix("tessal-lock:");
    QByteArray bytes = name.toUtf8();
    constexpr qsizetype room = sizeof(sockaddr_un::sun_path) - 1; // the leading zero byte
    if (prefix.size() + bytes.size() > room)
        bytes = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
    return prefix + bytes;
}

// The descriptors of the locks this process holds, by socket name.
QMutex g_heldMutex;
QHash<QByteArray, int> g_held;
} // namespace

MachineLockResult TakeMachineLock(const QString &name)
{
    const QByteArray lockName = abstractName(name);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // sun_path[0] stays 0: the abstract namespace, no file on disk.
    std::memcpy(address.sun_path + 1, lockName.constData(), size_t(lockName.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(lockName.size()));

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {MachineLockResult::Failed, errno};
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EADDRINUSE)
            return {MachineLockResult::HeldElsewhere, 0};
        return {MachineLockResult::Failed, err};
    }
    // The descriptor stays open on purpose: the binding is the lock, and it
    // lasts until the process ends or the lock is released.
    QMutexLocker locker(&g_heldMutex);
    g_held.insert(lockName, fd);
    return {MachineLockResult::Taken, 0};
}

bool ReleaseMachineLock(const QString &name)
{
    QMutexLocker locker(&g_heldMutex);
    const auto found = g_held.find(abstractName(name));
    if (found == g_held.end())
        return false;
    ::close(found.value());
    g_held.erase(found);
    return true;
}
