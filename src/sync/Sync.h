#pragma once
// TfSync (fSync): the synchronisation page of the main window. A tool bar of
// the exchange actions over the log that every synchronisation step writes
// to. Its work is SyncWindowCore's, the in-process run's and the two chains
// of Restavo runs'; the page shows it, takes the main window's start request
// (message 1025: 1 synchronise, 2 write the offline synchronisation file) and
// routes the chains' messages (1026 to 1040) to them.
#include "InProcessSync.h"
#include "SyncWindowCore.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class RestoreDownloadChain;
class SyncChain;
class QFrame;
class QPlainTextEdit;
class QTimer;
class QToolBar;
class WaitWindowProgress;

// What the page needs of the window around it. The program wires these to
// the main window; tests give their own.
struct SyncHost {
    // The main window's status bar; empty text clears it.
    std::function<void(const QString &text)> setStatusText;
    // The main window's help line, and what it shows now (when not given,
    // the page takes the line to show what it last put there).
    std::function<void(const QString &text)> setHelpText;
    std::function<QString()> helpText;
    // The main window and the list enable their actions anew.
    std::function<void()> enableActions;
    // Closes the main window (the program ends): the updater takes over.
    std::function<void()> closeMainWindow;
};

class TfSync : public QWidget, private SyncWindowOutput {
    Q_OBJECT
public:
    TfSync(TDM &dm, SyncHost host, QWidget *parent = nullptr);
    ~TfSync() override;

    SyncWindowCore &core() { return m_core; }
    InProcessSync &run() { return m_run; }
    SyncChain &syncChain() { return *m_syncChain; }
    RestoreDownloadChain &restoreChain() { return *m_restoreChain; }

    // Window messages: the main window's start request, and the start of the
    // restore chain that the page posts to itself.
    static constexpr quint32 MessageStartRequest = 0x401;
    static constexpr quint32 MessageRestoreChain = 0x40A; // RestoreDownloadChain::WLF1Message

    void WStartRequest(qint32 lParam);
    void aStartExecute();
    void aStopExecute();
    void aSaveToFileExecute();
    void aLoadFromFileExecute();
    void aStatusExecute();
    void aStart2Execute();
    void aLoadFromFile2Execute();

    QFrame *pStat = nullptr;
    QToolBar *ToolBar = nullptr;
    QPlainTextEdit *mLog = nullptr;
    QAction *aStart = nullptr;
    QAction *aStop = nullptr;
    QAction *aSaveToFile = nullptr;
    QAction *aLoadFromFile = nullptr;
    QAction *aStatus = nullptr;
    QAction *aStart2 = nullptr;
    QAction *aLoadFromFile2 = nullptr;

private:
    void createActions();
    void createPanel();
    void createToolBar();
    QAction *makeAction(const char *name, const QString &caption, const QString &hint, int picture,
                        void (TfSync::*handler)());

    void logLine(const QString &line) override;
    void statusText(const QString &text) override;
    void helpText(const QString &text) override;
    void enableActions() override;
    void keepAnswering() override;
    ProgressSink *packetProgress() override;
    ProgressSink *downloadProgress() override;
    void setRunning(bool running);
    void clearEndedExchangeHelp();
    void restoreChainEnded();
    void makeChains(TDM &dm);

    SyncHost m_host;
    SyncWindowCore m_core;
    InProcessSync m_run;
    std::unique_ptr<WaitWindowProgress> m_progress;
    std::unique_ptr<SyncChain> m_syncChain;
    std::unique_ptr<RestoreDownloadChain> m_restoreChain;
    // While the help line says that another exchange runs: watches for its end.
    QTimer *m_helpWatch = nullptr;
    QString m_exchangeHelp;
};

// The synchronisation page of the run; null until the main window makes it.
TfSync *fSync();
