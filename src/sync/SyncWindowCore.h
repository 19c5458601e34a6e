#pragma once
// What the synchronisation window does besides showing itself: the stop
// request, the statistics by status and the offline synchronisation file.
// The window TfSync is a thin face over it; tests drive it without a window.
#include "ExchangeGuard.h"
#include "GGStringList.h"
#include "ServerAnswers.h"

#include <QByteArray>
#include <QString>

class ProgressSink;
class TDM;

// Where the window's work reports, and what it asks of the window meanwhile.
class SyncWindowOutput {
public:
    virtual ~SyncWindowOutput() = default;
    // One line of the window's log.
    virtual void logLine(const QString &line) = 0;
    // The main window's status bar; empty text clears it.
    virtual void statusText(const QString &text) = 0;
    // The main window's help line.
    virtual void helpText(const QString &text) = 0;
    // The data changed under the list: the list and the main window enable their actions anew.
    virtual void enableActions() {}
    // Lets the window answer the operator while a long step runs.
    virtual void keepAnswering() {}
    // Where the full packet shows its progress; none by default.
    virtual ProgressSink *packetProgress() { return nullptr; }
    // Where a download from the server shows its progress; none by default.
    virtual ProgressSink *downloadProgress() { return nullptr; }
};

// A ticket for an exchange of the window; when another exchange runs, the
// help line names it and the ticket holds nothing.
ExchangeTicket BeginWindowExchange(const QString &name, SyncWindowOutput &output);

class SyncWindowCore {
public:
    SyncWindowCore(TDM &dm, SyncWindowOutput &output);

    // Asks the running exchange to stop at its next check.
    void aStopExecute() { AbortRequested = true; }
    // Counts the certificates of status 10, 8, 9 and 7 into the application
    // state, where the certificate packet reads them.
    void aStatusExecute();
    // Builds the offline synchronisation file and writes it where the
    // operator chooses; see OfflineSyncFile.h.
    void aSaveToFileExecute();
    // The result of an update check that got the server's versions:
    // UpdateList := the items to fetch (SelectUpdates, against the installed
    // package versions in the options restorator.zip and support.zip), and
    // LastSync := today.
    void recordUpdateCheck(const QList<OfferedVersion> &offered);

    // Set by the stop action, cleared by the start of an exchange.
    bool AbortRequested = false;
    // The update items of the last update check.
    TGGStringList UpdateList;

private:
    void writeOfflineFile();
    // Writes the full packet to PacketFile (replaced whole, and only when the
    // packet has rows); a failed build is tried again, up to the last attempt.
    // The number of rows.
    qint64 writeFullPacket(const QString &packetFile);
    void reopenList();

    TDM &m_dm;
    SyncWindowOutput &m_output;
};
