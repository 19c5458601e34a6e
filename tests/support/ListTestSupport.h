#pragma once
// The store's test program folder with a loaded data module; certificates are
// written straight into the database with the store tests' row writer.
// "Иванов" is logged on.
#include "StoreTestSupport.h"

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

class ListDatabaseTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        loadedModule();
        ASSERT_FALSE(App().StopFlag);
        App().CurrentUserName = QStringLiteral("Иванов");
        App().CurrentUserId = 2;
    }

    TDM &dm() { return *module; }

    // Writes certificates straight into mcod (and two goods lines each).
    void addCertificates(const QList<TestCertificate> &certificates)
    {
        SqliteDatabase &db = dm().ASQLite3DBd;
        const auto orNull = [](const auto &value) { return value.isEmpty() ? QVariant() : QVariant(value); };
        SqliteTransaction transaction(db);
        for (const TestCertificate &c : certificates) {
            InsertRow(db, QStringLiteral("mcod"),
                      {{"id", c.id},
                       {"status", c.status},
                       {"CertNo", c.certNo},
                       {"ReferenceNo", QString::fromLatin1(MakeReferenceNo(c.numNum))},
                       {"GNum", 6},
                       {"NumNum", c.numNum},
                       {"Language", c.language},
                       {"DateIssued", 46000},
                       {"Expert", c.expert},
                       {"BadExpert", orNull(c.badExpert)},
                       {"pFilter", c.visible ? QStringLiteral("TRUE") : QStringLiteral("FALSE")},
                       {"goDuplicate", orNull(c.goDuplicate)},
                       {"goTrue", orNull(c.goTrue)},
                       {"LastDate", c.lastDate},
                       {"fileName13", orNull(c.fileName13)},
                       {"Date11", 46000},
                       {"Date12", 46000}});
            for (int line = 1; line <= 2; ++line)
                InsertRow(db, QStringLiteral("dcod"),
                          {{"idM", c.id},
                           {"dOrder", line},
                           {"d8Description", QStringLiteral("Товар %1/%2").arg(c.id).arg(line)}});
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
};
