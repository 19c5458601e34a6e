#pragma once
// A program folder in a temporary directory with a workstation file and a
// package list, and a data module over a freshly created database; scripted
// message boxes, an in-memory journal and a layout file of its own.
#include "CommonTessal.h"
#include "DataTessal.h"
#include "EventJournal.h"
#include "Prompter.h"
#include "SqliteDatabase.h"
#include "TestSupport.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable texts in the failure messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

inline QByteArray PickListWorkstationXml()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><icod Name=\"i.cod\" Ver=\"2\"><for>TessalForm</for>"
           "<dovNumber>7</dovNumber><NumLocale>3</NumLocale><dovKey>ChamberKey</dovKey>"
           "<adr>cdb.example.org</adr><port>8443</port><usersOld>False</usersOld>"
           "<L><Lang LangSymb=\"ru\" dovName=\"ТПП\" dovCity=\"Город\"/>"
           "<Lang LangSymb=\"en\" dovName=\"CCI\" dovCity=\"Town\"/></L></icod>";
}

class PickListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        ASSERT_TRUE(home.isValid());
        // The layout files stay in the test folder.
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("TESSAL_COMMON_CONFIG", home.filePath("common").toUtf8());
        QByteArray icod = PickListWorkstationXml();
        EncryptStream(icod);
        WriteWholeFile(dataFile("i.cod"), icod);
        WriteWholeFile(dataFile("Package.cod"),
                       "<?xml version=\"1.0\"?><DATAPACKET><ROWDATA><ROW lang=\"ru\" name=\"Ящик\"/></ROWDATA>"
                       "</DATAPACKET>");
        module = std::make_unique<TDM>(home.path());
        module->LoadAll();
        ASSERT_FALSE(App().StopFlag);
        prompts->clear();
        // Start from empty pick lists: the new database seeds some phrases.
        dm().ASQLite3DBd.exec("delete from Contragent; delete from Phrase;");
    }
    void TearDown() override
    {
        module.reset();
        ResetAppState();
    }

    TDM &dm() { return *module; }
    QString dataFile(const QString &name) const { return home.filePath("data/" + name); }

    // Stores an entry as the program does: wide text as raw UTF-16LE blobs.
    void storeContragent(const QByteArray &lang, int stype, const QString &nameT, const QString &nameB)
    {
        SqliteStatement insert(dm().ASQLite3DBd,
                               "INSERT INTO Contragent (lang,stype,nameT,nameB) VALUES (:lang,:stype,:nameT,:nameB)");
        insert.bindText("lang", QString::fromUtf8(lang));
        insert.bindInteger("stype", stype);
        insert.bindWideBlob("nameT", nameT);
        insert.bindWideBlob("nameB", nameB);
        insert.execute();
    }
    void storePhrase(const QByteArray &lang, int stype, const QString &name)
    {
        SqliteStatement insert(dm().ASQLite3DBd, "INSERT INTO Phrase (lang,stype,name) VALUES (:lang,:stype,:name)");
        insert.bindText("lang", QString::fromUtf8(lang));
        insert.bindInteger("stype", stype);
        insert.bindWideBlob("name", name);
        insert.execute();
    }
    // The stored rows of a table, each "lang|stype|name..." with the names decoded.
    QStringList storedRows(const QString &table)
    {
        const bool parties = table == QLatin1String("Contragent");
        SqliteStatement select(dm().ASQLite3DBd,
                               parties ? "select lang, stype, nameT, nameB from Contragent order by rowid"
                                       : "select lang, stype, name from Phrase order by rowid");
        QStringList rows;
        while (select.step()) {
            QStringList columns{select.isNull(0) ? "NULL" : select.columnText(0), select.columnText(1)};
            for (int c = 2; c < select.columnCount(); ++c)
                columns << WideTextFromBytes(select.columnBlob(c));
            rows << columns.join('|');
        }
        return rows;
    }

    QTemporaryDir home;
    ScopedScriptedPrompter prompts;
    ScopedMemoryJournal journal;
    std::unique_ptr<TDM> module;
};
