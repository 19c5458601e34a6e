#pragma once
// The per-user folder that holds the message sockets of both programs. Only
// its owner may enter it, so only processes of the same user can post to a
// window of ours or receive what we post.
#include <QString>

// "$XDG_RUNTIME_DIR/tessal" when that variable is set, else "/tmp/tessal-<uid>".
QString PrivateFolderPath();

// Creates the folder with mode 0700 when it is missing, then checks it: a real
// folder (not a symbolic link), owned by this user, closed to group and others.
// False with the reason in *error when it is not so; nothing is changed then.
bool EnsurePrivateFolder(const QString &path, QString *error);

// The socket through which process `pid` receives messages.
QString MessageSocketPath(const QString &folder, qint64 pid);
