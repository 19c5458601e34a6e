#include "MachineLock.h"

#include <QCryptographicHash>
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
    // lasts until the process ends.
    return {MachineLockResult::Taken, 0};
}
