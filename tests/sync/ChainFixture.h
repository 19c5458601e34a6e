#pragma once
// The two chains of Restavo runs over a real data module, with a launcher
// that records the command lines it is given and starts nothing: a test
// answers each run in Restavo's place, writing the exchange files first when
// the run would have.
#include "OfflineFileFixture.h"

#include "ExchangeFiles.h"
#include "ExchangeGuard.h"
#include "RestoreDownloadChain.h"
#include "SyncChain.h"
#include "SyncWindowCore.h"
#include "WindowMessages.h"

#include <QCoreApplication>
#include <cerrno>

class ChainTest : public OfflineFileTest {
protected:
    struct Output : SyncWindowOutput {
        void logLine(const QString &line) override { lines << line; }
        void statusText(const QString &text) override { statuses << text; }
        void helpText(const QString &text) override { help << text; }
        QStringList lines, statuses, help;
    };

    void SetUp() override
    {
        OfflineFileTest::SetUp();
        core = std::make_unique<SyncWindowCore>(*dm, output);
        RestavoChainPorts ports;
        ports.window = WindowMessages::instance().registerWindow(&window);
        ports.startRestavo = [this](const RestavoCommand &command) { return record(command); };
        ports.startUpdater = [this](const QString &program, const QStringList &arguments) {
            updaterStarts << QFileInfo(program).fileName() + ' ' + arguments.join('|');
            return DetachedStartResult{true, 77, 0};
        };
        ports.running = [this](bool running) { runningStates << running; };
        ports.closeMainWindow = [this] { ++closes; };
        sync = std::make_unique<SyncChain>(*dm, *core, output, ports);
        restore = std::make_unique<RestoreDownloadChain>(*dm, *core, output, ports);
        for (RestavoChain *chain : {static_cast<RestavoChain *>(sync.get()), static_cast<RestavoChain *>(restore.get())})
            for (const quint32 message : chain->messages())
                WindowMessages::instance().setHandler(&window, message, [chain, message](qint32 w, qint32 l) {
                    chain->receive(message, w, l);
                });
    }
    void TearDown() override
    {
        sync.reset();
        restore.reset();
        OfflineFileTest::TearDown();
    }

    // The command line as Restavo would get it, the window's handle as "W".
    LaunchResult record(const RestavoCommand &command)
    {
        const RestavoCommandLine line = BuildRestavoCommandLine(command);
        LaunchResult result;
        if (!line.refusal.isEmpty()) {
            result.error = line.refusal;
            return result;
        }
        if (failStarts) {
            result.errorCode = ENOENT;
            return result;
        }
        QStringList words = line.text.split(',');
        words[1] = QStringLiteral("W");
        commands << words.join(',');
        lastMessage = command.replyMessage;
        lastReplyWindow = command.replyWindow;
        result.started = true;
        result.pid = ++lastPid;
        return result;
    }

    // Hands every queued message to its handler, also those the handlers post.
    static void settle()
    {
        for (int i = 0; i < 40; ++i)
            QCoreApplication::sendPostedEvents();
    }
    void post(quint32 message, qint32 wParam, qint32 lParam)
    {
        WindowMessages::instance().postLocal(WindowMessages::instance().handleOf(&window), message, wParam, lParam);
        settle();
    }
    // Restavo's reply to the last run started, at the window its command line names.
    void reply(qint32 wParam, qint32 lParam = 2)
    {
        WindowMessages::instance().postLocal(lastReplyWindow, lastMessage, wParam, lParam);
        settle();
    }
    // The command lines started since the last call.
    QStringList started() { return std::exchange(commands, {}); }

    void writeExchangeFile(const QString &name, const QByteArray &content) { WriteWholeFile(dataFile(name), content); }
    // The exchange files a successful opening leaves: a hello answer and a version answer.
    void writeOpeningFiles(const QByteArray &version = "<version><certificate><lastdate/></certificate></version>")
    {
        writeExchangeFile(ExchangeFiles::Hello, "<hello><exchangeProtocol version=\"2\"/>"
                                                "<message>a\n\nb\r\nc</message><cdb host=\"h\" port=\"1\" path=\"p\"/></hello>");
        writeExchangeFile(ExchangeFiles::Version, version);
        writeExchangeFile(ExchangeFiles::Change, "<changes/>");
    }

    // The journal's exception records: "location message".
    QStringList exceptionRecords()
    {
        QStringList all;
        for (const EventRecord &r : journal.sink().withId(EventId::ExceptionCaught))
            all << r.strings.join(QLatin1Char(' '));
        return all;
    }

    QObject window;
    Output output;
    std::unique_ptr<SyncWindowCore> core;
    std::unique_ptr<SyncChain> sync;
    std::unique_ptr<RestoreDownloadChain> restore;
    QStringList commands, updaterStarts;
    QList<bool> runningStates;
    quint32 lastMessage = 0;
    WindowHandle lastReplyWindow = 0;
    qint64 lastPid = 1000;
    bool failStarts = false;
    int closes = 0;
};
