#pragma once
// The store's test program folder (workstation file, package list, scripted
// message boxes, in-memory journal) with a data module over a freshly created
// database whose pick lists start empty, and a layout file of its own.
#include "StoreTestSupport.h"

#include <ostream>

// Readable texts in the failure messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

class PickListTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        // The layout files stay in the test folder.
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("TESSAL_COMMON_CONFIG", home.filePath("common").toUtf8());
        loadedModule();
        ASSERT_FALSE(App().StopFlag);
        // Start from empty pick lists: a new database comes with some phrases.
        dm().ASQLite3DBd.exec("delete from Contragent; delete from Phrase;");
    }

    TDM &dm() { return *module; }

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

};
