#include "JournalSinks.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

[[noreturn]] void throwErrno(const char *what, int err)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(err));
}

// Closes a descriptor on every path.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

QString eventIdText(uint32_t eventId)
{
    return QStringLiteral("0x") + QString::number(eventId, 16).rightJustified(8, QLatin1Char('0')).toUpper();
}

QString timeText(const QDateTime &time)
{
    // Always with the offset, so lines from different zones still compare.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

// Syslog severity for an event type.
int severityOf(uint16_t type)
{
    switch (type) {
    case 1: return 3;  // error
    case 2: return 4;  // warning
    case 8:            // audit success
    case 16: return 5; // audit failure: notice
    default: return 6; // success, information
    }
}

// Cuts UTF-8 text to at most maxBytes without splitting a character.
QByteArray cutUtf8(QByteArray text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    qsizetype end = maxBytes;
    while (end > 0 && (uchar(text[end]) & 0xC0) == 0x80)
        --end;
    text.truncate(end);
    return text;
}

constexpr qsizetype MaxSyslogMessage = 8192;

} // namespace

QByteArray JournalLine(const EventRecord &record)
{
    QJsonObject object;
    object.insert(QStringLiteral("time"), timeText(record.time));
    object.insert(QStringLiteral("program"), record.program);
    object.insert(QStringLiteral("pid"), record.processId);
    object.insert(QStringLiteral("user"), record.user);
    object.insert(QStringLiteral("source"), record.source);
    object.insert(QStringLiteral("type"), int(record.type));
    object.insert(QStringLiteral("category"), int(record.category));
    object.insert(QStringLiteral("eventId"), eventIdText(record.eventId));
    object.insert(QStringLiteral("strings"), QJsonArray::fromStringList(record.strings));
    // The compact form escapes every control character, so the record is one line.
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

JsonLinesJournalSink::JsonLinesJournalSink(QString fileName) : m_fileName(std::move(fileName)) {}

void JsonLinesJournalSink::write(const EventRecord &record)
{
    const QByteArray line = JournalLine(record);
    const QByteArray path = QFile::encodeName(m_fileName);
    FileDescriptor fd(::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640));
    if (fd.get() < 0)
        throwErrno("journal file", errno);
    ssize_t written;
    do {
        written = ::write(fd.get(), line.constData(), size_t(line.size()));
    } while (written < 0 && errno == EINTR);
    if (written < 0)
        throwErrno("journal file", errno);
    if (written != line.size())
        throw std::runtime_error("journal file: short write");
}

SyslogJournalSink::SyslogJournalSink(QString socketPath) : m_socketPath(std::move(socketPath)) {}

QByteArray SyslogJournalSink::datagram(const EventRecord &record)
{
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime time = record.time.isValid() ? record.time.toLocalTime() : QDateTime::currentDateTime();
    const int priority = 1 * 8 + severityOf(record.type); // facility "user"
    const QByteArray stamp = QByteArray(months[time.date().month() - 1]) + ' '
        + QByteArray::number(time.date().day()).rightJustified(2, ' ') + ' '
        + time.time().toString(QStringLiteral("hh:mm:ss")).toLatin1();
    QString text = record.source + QLatin1Char(' ') + eventIdText(record.eventId)
        + QStringLiteral(" category %1").arg(record.category);
    if (!record.strings.isEmpty())
        text += QStringLiteral(": ") + record.strings.join(QStringLiteral(" | "));
    for (QChar &c : text)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    const QByteArray head = '<' + QByteArray::number(priority) + '>' + stamp + ' '
        + (record.program.isEmpty() ? QByteArray("tessal") : record.program.toUtf8()) + '['
        + QByteArray::number(record.processId) + "]: ";
    return cutUtf8(head + text.toUtf8(), MaxSyslogMessage);
}

void SyslogJournalSink::write(const EventRecord &record)
{
    const QByteArray message = datagram(record);
    const QByteArray path = QFile::encodeName(m_socketPath);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof(address.sun_path))
        throw std::runtime_error("syslog socket path too long");
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    FileDescriptor fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (fd.get() < 0)
        throwErrno("syslog socket", errno);
    ssize_t sent;
    do {
        sent = ::sendto(fd.get(), message.constData(), size_t(message.size()), MSG_NOSIGNAL,
                        reinterpret_cast<const sockaddr *>(&address), sizeof(address));
    } while (sent < 0 && errno == EINTR);
    if (sent < 0)
        throwErrno("syslog socket", errno);
}

bool IsSocketFile(const QString &path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode);
}

namespace {
QMutex defaultSinksMutex;
std::vector<std::shared_ptr<JournalSink>> defaultSinks;
} // namespace

QString JournalFilePath(const QString &dataDir)
{
    return dataDir.endsWith(QLatin1Char('/')) ? dataDir + JournalFileName : dataDir + QLatin1Char('/') + JournalFileName;
}

void RemoveDefaultJournalSinks()
{
    QMutexLocker lock(&defaultSinksMutex);
    for (const auto &sink : defaultSinks)
        EventJournal::instance().removeSink(sink);
    defaultSinks.clear();
}

void InstallDefaultJournalSinks(const QString &dataDir, const QString &syslogSocket)
{
    RemoveDefaultJournalSinks();
    QMutexLocker lock(&defaultSinksMutex);
    defaultSinks.push_back(std::make_shared<JsonLinesJournalSink>(JournalFilePath(dataDir)));
    if (IsSocketFile(syslogSocket))
        defaultSinks.push_back(std::make_shared<SyslogJournalSink>(syslogSocket));
    for (const auto &sink : defaultSinks)
        EventJournal::instance().addSink(sink);
}
