#pragma once
// A program folder for the real Restavo program: its workstation file, a run
// of one operation as the workstation starts it (against fake servers on
// 127.0.0.1, trusting the test CA), and the records it journalled.
#include "FakeCentralServer.h"
#include "ReplyWaiter.h"
#include "RestavoCommand.h"
#include "ScopedEnvironment.h"
#include "TestSupport.h"
#include "obDCPcrypt.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace restavo_run {
using Message = RecordingWindow::Message;

inline constexpr quint32 kReply = 1030;
inline const QByteArray kKey = "0123456789abcdef0123456789ABCDEF";

inline QByteArray WorkstationFileOf(int workstation, int port, const QByteArray &purpose = "TessalForm",
                                    int chamber = 7, const QByteArray &chamberKey = kKey)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><icod Name=\"i.cod\" Ver=\"3\"><for>" + purpose
        + "</for><dovNumber>" + QByteArray::number(chamber) + "</dovNumber><NumLocale>"
        + QByteArray::number(workstation) + "</NumLocale><dovKey>" + chamberKey + "</dovKey><adr>https://127.0.0.1/base</adr><port>" + QByteArray::number(port)
        + "</port><usersOld>False</usersOld><L><Lang LangSymb=\"ru\" dovName=\"ТПП\" dovCity=\"Город\"/></L></icod>";
    EncryptStream(xml);
    return xml;
}

// One program folder with its workstation file, and a run of Restavo over it.
struct Workstation {
    QTemporaryDir home;
    QByteArray icod;

    explicit Workstation(int entryPort)
    {
        icod = WorkstationFileOf(3, entryPort);
        write("i.cod", icod);
    }
    QString file(const QString &name) const { return home.filePath(QStringLiteral("data/") + name); }
    void write(const QString &name, const QByteArray &data) const { WriteWholeFile(file(name), data); }
    QByteArray read(const QString &name) const { return ReadWholeFile(file(name)); }
    bool exists(const QString &name) const { return QFileInfo::exists(file(name)); }

    // The reply to the operation, which must come from Restavo itself.
    Message run(int operation, const QList<RestavoArgument> &arguments) const
    {
        FinishedChildren finished;
        RecordingWindow window {kReply};
        LaunchResult launched;
        {
            const ScopedEnvironment environment({{"TESSAL_HOME", home.path().toLocal8Bit()},
                                                {"TESSAL_CA_FILE", TestPki::instance().caFile.toLocal8Bit()},
                                                {"TESSAL_CERT_DIR", TestPki::instance().makeStore({}).toLocal8Bit()},
                                                {"TESSAL_CDB_PAUSE_MS", "0"},
                                                {"QT_QPA_PLATFORM", "offscreen"}});
            launched = StartRestavo(QFileInfo(BuiltProgram("Restavo")).absolutePath(),
                                    {operation, window.handle(), kReply, arguments});
        }
        EXPECT_TRUE(launched.started);
        EXPECT_TRUE(finished.waitFor(launched.pid)) << "Restavo ended without replying";
        EXPECT_EQ(window.received.size(), 1u);
        return window.received.empty() ? Message {} : window.received.front();
    }

    // The journal's records with that event id: "type,category: strings".
    QStringList records(const char *eventId) const
    {
        QStringList found;
        for (const QByteArray &line : read("journal.jsonl").split('\n')) {
            const QJsonObject record = QJsonDocument::fromJson(line).object();
            if (record.value("eventId").toString() != QLatin1String(eventId))
                continue;
            QStringList strings;
            for (const QJsonValue &s : record.value("strings").toArray())
                strings << s.toString();
            found << QStringLiteral("%1,%2: ").arg(record.value("type").toInt()).arg(record.value("category").toInt())
                    + strings.join(" | ");
        }
        return found;
    }
};

} // namespace restavo_run
