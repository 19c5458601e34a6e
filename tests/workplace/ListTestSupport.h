#pragma once
// A program folder in a temporary directory with a workstation file, a
// package list and a loaded data module; certificates are written straight
// into the database. Fixed clock, scripted message boxes, in-memory journal.
#include "CommonTessal.h"
#include "DataTessal.h"
#include "EventJournal.h"
#include "GGDateTime.h"
#include "Prompter.h"
#include "SqliteDatabase.h"
#include "TestSupport.h"
#include "obDCPcrypt.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

inline QByteArray ListWorkstationXml()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><icod Name=\"i.cod\" Ver=\"2\"><for>TessalForm</for>"
           "<dovNumber>7</dovNumber><NumLocale>3</NumLocale><dovKey>ListKey</dovKey>"
           "<adr>cdb.example.org</adr><port>8443</port><usersOld>True</usersOld>"
           "<L><Lang LangSymb=\"ru\" dovName=\"ТПП Города\" dovCity=\"Город\"/>"
           "<Lang LangSymb=\"en\" dovName=\"CCI of Town\" dovCity=\"Town\"/></L></icod>";
}

inline const QByteArray ListPackageXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    "<FIELD attrname=\"lang\" fieldtype=\"string\" WIDTH=\"2\"/>"
    "<FIELD attrname=\"name\" fieldtype=\"string.uni\" WIDTH=\"128\"/></FIELDS><PARAMS/></METADATA>"
    "<ROWDATA><ROW lang=\"ru\" name=\"ящик\"/></ROWDATA></DATAPACKET>";

// One certificate head as the tests write it.
struct TestCertificate {
    qint64 id = 1;
    int status = 6;
    qint64 certNo = 1;
    int numNum = 1;
    QString expert = QStringLiteral("Иванов");
    QString badExpert;
    qint64 lastDate = 46000;
    QString goDuplicate;
    QString goTrue;
    QByteArray fileName13;
    QString language = QStringLiteral("ru");
    bool visible = true; // pFilter
};

class ListDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAppState();
        SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(9, 30, 5)); });
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(dataDir());
        QByteArray icod = ListWorkstationXml();
        EncryptStream(icod);
        WriteWholeFile(dataFile("i.cod"), icod);
        WriteWholeFile(dataFile("Package.cod"), ListPackageXml);
        module = std::make_unique<TDM>(home.path());
        module->LoadAll();
        ASSERT_FALSE(App().StopFlag);
        App().CurrentUserName = QStringLiteral("Иванов");
        App().CurrentUserId = 2;
        prompts->clear();
    }
    void TearDown() override
    {
        module.reset();
        SetClock(nullptr);
        ResetAppState();
    }

    TDM &dm() { return *module; }
    QString dataDir() const { return home.filePath("data"); }
    QString dataFile(const QString &name) const { return dataDir() + "/" + name; }
    QString databaseFile() const { return dataFile("Tessal.sqb"); }

    // Writes certificates straight into mcod (and two goods lines each).
    void addCertificates(const QList<TestCertificate> &certificates)
    {
        SqliteDatabase &db = dm().ASQLite3DBd;
        SqliteTransaction transaction(db);
        SqliteStatement head(db, QStringLiteral(
            "insert into mcod (id,status,CertNo,ReferenceNo,GNum,NumNum,Language,DateIssued,Expert,BadExpert,"
            "pFilter,goDuplicate,goTrue,LastDate,fileName13,Date11,Date12) values (:id,:status,:certNo,:ref,6,"
            ":numNum,:lang,46000,:expert,:badExpert,:pFilter,:goDuplicate,:goTrue,:lastDate,:file,46000,46000)"));
        SqliteStatement goods(db, QStringLiteral(
            "insert into dcod (idM,dOrder,d8Description) values (:idM,:dOrder,:d8)"));
        for (const TestCertificate &c : certificates) {
            head.reset();
            head.bindInteger("id", c.id);
            head.bindInteger("status", c.status);
            head.bindInteger("certNo", c.certNo);
            head.bindText("ref", QString::fromLatin1(MakeReferenceNo(c.numNum)));
            head.bindInteger("numNum", c.numNum);
            head.bindText("lang", c.language);
            head.bindText("expert", c.expert);
            c.badExpert.isEmpty() ? head.bindNull("badExpert") : head.bindText("badExpert", c.badExpert);
            head.bindText("pFilter", c.visible ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
            c.goDuplicate.isEmpty() ? head.bindNull("goDuplicate") : head.bindText("goDuplicate", c.goDuplicate);
            c.goTrue.isEmpty() ? head.bindNull("goTrue") : head.bindText("goTrue", c.goTrue);
            head.bindInteger("lastDate", c.lastDate);
            c.fileName13.isEmpty() ? head.bindNull("file") : head.bindBlob("file", c.fileName13);
            head.execute();
            for (int line = 1; line <= 2; ++line) {
                goods.reset();
                goods.bindInteger("idM", c.id);
                goods.bindInteger("dOrder", line);
                goods.bindWideBlob("d8", QStringLiteral("Товар %1/%2").arg(c.id).arg(line));
                goods.execute();
            }
        }
        transaction.commit();
    }
    // `count` certificates with ids 1..count; the higher the id, the newer.
    void addNumbered(qint64 count)
    {
        QList<TestCertificate> all;
        for (qint64 i = 1; i <= count; ++i) {
            TestCertificate c;
            c.id = i;
            c.certNo = i;
            c.numNum = int(i);
            c.lastDate = 40000 + i;
            all << c;
        }
        addCertificates(all);
    }
    qint64 scalar(const QString &sql)
    {
        SqliteStatement st(dm().ASQLite3DBd, sql);
        return st.step() ? st.columnInteger(0) : -1;
    }

    QTemporaryDir home;
    ScopedScriptedPrompter prompts;
    ScopedMemoryJournal journal;
    std::unique_ptr<TDM> module;
};
