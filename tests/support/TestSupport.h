#pragma once
// Small helpers shared by the tests.
#include <QByteArray>
#include <QString>

#include <functional>

// Path of a file under tests/fixtures.
QString FixturePath(const QString &name);
// Path of a built program or library (TessalCert, Restavo, tools) in the build's bin folder.
QString BuiltProgram(const QString &name);
// Whole file, or an empty array when it cannot be read.
QByteArray ReadWholeFile(const QString &fileName);
// Writes a file, creating missing folders; fails the test on error.
void WriteWholeFile(const QString &fileName, const QByteArray &data);
// The permission bits of a file (0600 and so on), or -1 when it cannot be read.
int FilePermissions(const QString &fileName);
// Sets a file's permission bits; fails the test on error.
void SetFilePermissions(const QString &fileName, int permissions);

// Asks Condition every few milliseconds until it holds (true) or Seconds have
// passed (false); for what another process does in its own time.
bool PollUntil(const std::function<bool()> &condition, int seconds);

// While it lives, the process's umask is Mask (0 lets every creator's own
// choice show); the old one comes back at its end.
class ScopedUmask {
public:
    explicit ScopedUmask(unsigned mask);
    ~ScopedUmask();
    ScopedUmask(const ScopedUmask &) = delete;
    ScopedUmask &operator=(const ScopedUmask &) = delete;

private:
    unsigned m_saved;
};
