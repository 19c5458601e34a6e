#pragma once
// Paths, folders and whole-file helpers.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// The program folder: TESSAL_HOME when set, else the folder of the executable.
QString ProgramDir();
// The data folder: "<program folder>/data".
QString DataDir();
// The data folder of the given program folder.
QString DataDirOf(const QString &programDir);

// Dir + "/" + Name; no doubled separator when Dir already ends with "/";
// an empty Dir gives Name alone. Name is never trimmed, so a Name that begins
// with "/" gives a doubled separator.
QString JoinPath(const QString &dir, const QString &name);
// The text of Path before its last "/", without the separator. Empty when Path
// has no "/" or when its only "/" is the first character.
QString ExtractDir(const QString &path);

// The temporary folder, ending in "/" (TMPDIR, else /tmp); empty when unknown.
QString GetTempDir();

// Folder numbers that GetSpecialFolder knows.
constexpr int CSIDL_APPDATA = 0x001A;        // the user's configuration folder
constexpr int CSIDL_COMMON_APPDATA = 0x0023; // the folder shared by every user of the machine
// The path of a special folder as 8-bit (UTF-8) text; empty for a number it
// does not know. The folder need not exist.
//   CSIDL_APPDATA        -> $XDG_CONFIG_HOME/TessalCert (~/.config/TessalCert)
//   CSIDL_COMMON_APPDATA -> $TESSAL_COMMON_CONFIG when set, else the first
//                           folder of $XDG_CONFIG_DIRS (/etc/xdg) + "/TessalCert"
QByteArray GetSpecialFolder(int csidl);

// True when Name (whose last component may hold the wildcards "*" and "?")
// names at least one regular file that is not hidden. Folders, dot files and
// special files (sockets, pipes, devices, broken links) count as missing.
bool FileExistsW(const QString &name);
// True when Name is an existing folder; false on any failure.
bool DirectoryExistsW(const QString &name);
// Creates the last level of Name only. False when it already exists or a
// parent folder is missing.
bool CreateDirW(const QString &name);
// The whole file, byte for byte. Raises AppError when it cannot be read.
QByteArray FileToString(const QString &name);
// Replaces the file with Data (an empty Data gives an empty file). The write is
// atomic: when it fails the old file stays as it was, and AppError is raised.
void StringToFile(const QByteArray &data, const QString &name);
// Size of a regular file in bytes; 0 when it cannot be opened or sized.
int64_t GetFileSize64(const QByteArray &name);

// Compares the first four parts of two dotted version texts ("1.4.1.6") as
// numbers: -1 when A is older, 0 when equal, 1 when A is newer. Empty parts
// (".." or a leading dot) are skipped, parts after the fourth are ignored. A
// part that is compared and is missing or not a decimal integer raises AppError.
int CompareVersions(const QByteArray &a, const QByteArray &b);

// True when a name that came from outside (a server answer, a file, a reference
// number) may become one path component: not empty, no separators, no "." or
// "..", no control characters.
bool IsSafeFileName(const QString &name);
// JoinPath for a name that came from outside; raises AppError when the name is
// not safe. Every such name goes through here.
QString SafeJoinPath(const QString &dir, const QString &name);

// Replaces the file's content through an AtomicFileWriter: a failure raises
// AppError and leaves the old file byte for byte.
void WriteFileAtomic(const QString &fileName, const QByteArray &data);
