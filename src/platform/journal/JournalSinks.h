#pragma once
// The journal's sinks on this system: a JSON-lines file that both programs
// append to, and a mirror to the local syslog socket.
#include "EventJournal.h"

#include <QByteArray>
#include <QString>

// The journal file's name inside the data folder.
inline const QString JournalFileName = QStringLiteral("journal.jsonl");
// The journal file of the data folder DataDir.
QString JournalFilePath(const QString &dataDir);

// One record as one line of JSON (ending with "\n"): time, program, pid,
// user, source, type, category, eventId ("0x4000xxxx") and strings.
QByteArray JournalLine(const EventRecord &record);

// Appends each record as one line to a file. The file is opened in append
// mode for every record and the line goes out in one write, so several
// processes may write to the same file without tearing each other's lines.
// A failure throws (the journal swallows it).
class JsonLinesJournalSink : public JournalSink {
public:
    explicit JsonLinesJournalSink(QString fileName);
    void write(const EventRecord &record) override;
    const QString &fileName() const { return m_fileName; }

private:
    QString m_fileName;
};

// Sends each record as one datagram to a syslog socket (facility "user",
// severity from the record's type, tagged with the program name and pid).
// A failure throws (the journal swallows it).
class SyslogJournalSink : public JournalSink {
public:
    explicit SyslogJournalSink(QString socketPath = QStringLiteral("/dev/log"));
    void write(const EventRecord &record) override;

    // The datagram for a record, without the time stamp's dependence on the
    // clock: "<PRI>Mmm dd hh:mm:ss program[pid]: text".
    static QByteArray datagram(const EventRecord &record);

private:
    QString m_socketPath;
};

// True when Path is a Unix socket (the syslog daemon is listening there).
bool IsSocketFile(const QString &path);

// The sinks each program writes to from its start: the JSON-lines file in
// the data folder, and the syslog mirror when the syslog socket exists.
// Calling it again replaces the sinks it installed before; other sinks
// (tests' memory sinks) stay.
void InstallDefaultJournalSinks(const QString &dataDir,
                                const QString &syslogSocket = QStringLiteral("/dev/log"));
// Removes the sinks InstallDefaultJournalSinks installed.
void RemoveDefaultJournalSinks();
