#include "PrivateFolder.h"
#include "SystemErrorTexts.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

QString PrivateFolderPath()
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return QFile::decodeName(runtime) + QStringLiteral("/tessal");
    return QStringLiteral("/tmp/tessal-%1").arg(geteuid());
}

bool EnsurePrivateFolder(const QString &path, QString *error)
{
    const QByteArray native = QFile::encodeName(path);
    if (mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot create %1: %2").arg(path, ErrnoText(errno));
        return false;
    }
    struct stat info {};
    if (lstat(native.constData(), &info) != 0) {
        *error = QStringLiteral("cannot inspect %1: %2").arg(path, ErrnoText(errno));
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        *error = QStringLiteral("%1 is not a folder").arg(path);
        return false;
    }
    if (info.st_uid != geteuid()) {
        *error = QStringLiteral("%1 belongs to another user").arg(path);
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        *error = QStringLiteral("%1 is open to other users").arg(path);
        return false;
    }
    return true;
}

QString MessageSocketPath(const QString &folder, qint64 pid)
{
    return folder + QStringLiteral("/msg-%1").arg(pid);
}
