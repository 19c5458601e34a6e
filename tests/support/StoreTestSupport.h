#pragma once
// A program folder in a temporary directory with a workstation file, the
// package list and a data module over it, a fixed clock, scripted message
// boxes and an in-memory journal.
#include "CommonTessal.h"
#include "DataTessal.h"
#include "EventJournal.h"
#include "GGDateTime.h"
#include "Prompter.h"
#include "SqliteDatabase.h"
#include "TestSupport.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

inline const QByteArray TestChamberKey = QByteArrayLiteral("ChamberKey-Тест-of-the-chamber-7");

// i.cod text: each placeholder may be replaced to make a faulty file.
inline QByteArray WorkstationXml(const QByteArray &rootAttributes = "Name=\"i.cod\" Ver=\"2\"",
                                 const QByteArray &purpose = "<for>TessalForm</for>",
                                 const QByteArray &port = "<port>8443</port>",
                                 const QByteArray &extra = "<usersOld>False</usersOld>")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><icod " + rootAttributes + ">" + purpose
        + "<dovNumber>7</dovNumber><NumLocale>3</NumLocale><dovKey>" + TestChamberKey
        + "</dovKey><adr>cdb.example.org</adr>" + port + extra
        + "<L><Lang LangSymb=\"ru\" dovName=\"ТПП &quot;Город&quot;\" dovCity=\"Город\"/>"
          "<Lang LangSymb=\"en\" dovName=\"CCI of Town\" dovCity=\"Town\"/></L></icod>";
}

inline QByteArray Enciphered(QByteArray plain)
{
    EncryptStream(plain);
    return plain;
}

// Runs a program to its end; its exit code, stderr when it fails.
inline int RunProgram(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        ADD_FAILURE() << program.toStdString() << ": " << process.errorString().toStdString();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    if (process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << ": " << process.readAllStandardError().toStdString();
    return process.exitCode();
}

// Key and vector of the data-file cipher for the openssl command line.
inline QStringList OpensslCipherArguments()
{
    return {"enc", "-aes-256-cfb8", "-K", QString::fromLatin1(DefaultCipherKey.toHex()), "-iv",
            QString::fromLatin1(CipherVector.toHex())};
}

// Runs SQL through the SQLite C API, outside our own code.
inline void RunSqlScript(const QString &databaseFile, const QByteArray &sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(databaseFile.toUtf8().constData(), &db), SQLITE_OK);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

// Four certificates written by plain SQL, as another program or a damaged copy
// may leave them, the latest change first: row 1 has an empty Date11, row 2 a
// fraction in fSize1, row 3 a word in status; row 4 is sound.
inline const QByteArray OddCellsSql =
    "insert into mcod (id,status,CertNo,ReferenceNo,GNum,NumNum,Language,DateIssued,LastDate,Date11,fSize1)"
    " values (1,6,1,'6007000001',6,1,'ru',46000,46004,'',10),"
    " (2,6,2,'6007000002',6,2,'ru',46000,46003,46000,1.5),"
    " (3,'x',3,'6007000003',6,3,'ru',46000,46002,46000,10),"
    " (4,6,4,'6007000004',6,4,'ru',46000,46001,46000,10);";

// The rows of a query, each row its columns joined by '|'.
inline QStringList QueryRows(const QString &databaseFile, const QString &sql)
{
    SqliteDatabase db(databaseFile, SqliteDatabase::OpenMode::ReadOnly);
    SqliteStatement st(db, sql);
    QStringList rows;
    while (st.step()) {
        QStringList columns;
        for (int c = 0; c < st.columnCount(); ++c)
            columns << (st.isNull(c) ? QStringLiteral("NULL") : st.columnText(c));
        rows << columns.join(QLatin1Char('|'));
    }
    return rows;
}

// Columns of mcod and dcod that hold UTF-16LE text.
inline bool IsWideColumn(const QString &column)
{
    static const QStringList wide = {"Sender",        "Exporter",   "Recipient",   "Importer",      "transport",
                                     "OfficialNote",  "AdditionalInfo", "DovName", "fileComment13", "fileName13",
                                     "actNumber14",   "d7Num",      "d8Description", "d9Count",     "d9Package",
                                     "d10Weight",     "d10Q"};
    return wide.contains(column);
}

// Writes one row into a table of the working database: QString values of
// wide-text columns as UTF-16LE blobs, an invalid QVariant as NULL.
inline void InsertRow(SqliteDatabase &db, const QString &table, const QVariantMap &row)
{
    QStringList names, markers;
    for (auto it = row.begin(); it != row.end(); ++it) {
        names << it.key();
        markers << QLatin1Char(':') + it.key();
    }
    SqliteStatement insert(db, QStringLiteral("insert into ") + table + QStringLiteral(" (") + names.join(',')
                                   + QStringLiteral(") values (") + markers.join(',') + QStringLiteral(")"));
    for (auto it = row.begin(); it != row.end(); ++it) {
        if (IsWideColumn(it.key()) && it.value().typeId() == QMetaType::QString)
            insert.bindWideBlob(it.key(), it.value().toString());
        else
            insert.bindValue(it.key(), it.value());
    }
    insert.execute();
}

inline QString WideHex(const QString &text)
{
    return QString::fromLatin1(WideTextBytes(text).toHex().toUpper());
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(9, 30, 5)); });
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(dataDir());
        writeWorkstationFile(Enciphered(WorkstationXml()));
        WriteWholeFile(dataFile("Package.cod"), ReadWholeFile(FixturePath("store/Package.cod")));
    }
    void TearDown() override
    {
        module.reset();
        SetClock(nullptr);
        ResetAppState();
    }

    QString dataDir() const { return home.filePath("data"); }
    QString dataFile(const QString &name) const { return dataDir() + "/" + name; }
    QString databaseFile() const { return dataFile("Tessal.sqb"); }
    void writeWorkstationFile(const QByteArray &content) { WriteWholeFile(dataFile("i.cod"), content); }

    TDM &makeModule()
    {
        module.reset();
        module = std::make_unique<TDM>(home.path());
        return *module;
    }
    // A data module over a freshly created database.
    TDM &loadedModule()
    {
        TDM &dm = makeModule();
        dm.LoadAll();
        EXPECT_FALSE(App().StopFlag);
        prompts->clear();
        return dm;
    }

    QTemporaryDir home;
    ScopedScriptedPrompter prompts;
    ScopedMemoryJournal journal;
    std::unique_ptr<TDM> module;
};
