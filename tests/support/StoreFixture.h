#pragma once
// The store test folder with a data module over a new database, the users
// dataset read (empty) and the blank range 1..9999; "Expert" is logged on.
// Today is 15.03.2026. Rows of certificates are made from a valid default.
#include "StoreTestSupport.h"

#include <QVariantMap>

class StoreFixture : public StoreTest {
protected:
    static QDate fixedToday() { return QDate(2026, 3, 15); }
    static qint64 today() { return DateToDayNumber(fixedToday()); }

    void SetUp() override
    {
        StoreTest::SetUp();
        dm = &makeModule();
        ASSERT_FALSE(App().StopFlag);
        dm->ReadUsersFile();
        dm->LoadAll();
        ASSERT_FALSE(App().StopFlag);
        ASSERT_TRUE(dm->ASQM.isActive());
        App().NumberRangeMin = 1;
        App().NumberRangeMax = 9999;
        App().CurrentUserName = QStringLiteral("Expert");
        App().CurrentUserId = 2;
        prompter->clear();
        journal.sink().clear();
    }

    QString dataPath(const QString &name) const { return dataFile(name); }

    // A valid issued-or-project row of chamber 7: today's dates, the current
    // user as expert, every required box filled. Values override columns;
    // QString values of blob columns are stored as UTF-16LE.
    static QVariantMap certificate(qint64 id, qint64 numNum, const QVariantMap &values = {})
    {
        QVariantMap row{{"id", id},
                        {"status", 6},
                        {"CertNo", id + 100},
                        {"ReferenceNo", QStringLiteral("6007%1").arg(numNum, 6, 10, QLatin1Char('0'))},
                        {"GNum", 6},
                        {"NumNum", numNum},
                        {"Language", "ru"},
                        {"DateIssued", today()},
                        {"Expert", "Expert"},
                        {"Sender", QStringLiteral("Отправитель")},
                        {"Exporter", QStringLiteral("Экспортёр")},
                        {"Recipient", QStringLiteral("Получатель")},
                        {"Importer", QStringLiteral("Импортёр")},
                        {"transport", QStringLiteral("Авто")},
                        {"OfficialNote", QStringLiteral("Примечание")},
                        {"Country5", QStringLiteral("Россия")},
                        {"AdditionalInfo", QStringLiteral("Доп")},
                        {"DovName", QStringLiteral("Палата")},
                        {"City11", QStringLiteral("Москва")},
                        {"Date11", today()},
                        {"Country12", QStringLiteral("Германия")},
                        {"City12", QStringLiteral("Берлин")},
                        {"Date12", today()},
                        {"pFilter", "TRUE"},
                        {"LastDate", today()},
                        {"actPresent14", 1}};
        for (int box = 1; box <= 12; ++box)
            row.insert(QStringLiteral("fSize") + QString::number(box), 10);
        for (auto it = values.begin(); it != values.end(); ++it)
            row.insert(it.key(), it.value());
        return row;
    }

    void insertRow(const QString &table, const QVariantMap &row) { InsertRow(dm->ASQLite3DBd, table, row); }

    void insertCertificate(const QVariantMap &row) { insertRow(QStringLiteral("mcod"), row); }

    void exec(const QString &sql) { dm->ASQLite3DBd.exec(sql); }

    QVariant value(const QString &sql)
    {
        SqliteStatement query(dm->ASQLite3DBd, sql);
        return query.step() ? query.columnValue(0) : QVariant();
    }

    // Reopens the list and makes the certificate with this id current.
    void selectCertificate(qint64 id)
    {
        dm->ASQM.close();
        dm->ASQM.open();
        ASSERT_TRUE(dm->ASQM.locate(QStringLiteral("id"), QVariant(id))) << "no certificate " << id;
    }

    QVariant param(const char *name) { return dm->QueryInsM.paramByName(QString::fromLatin1(name)).value(); }
    QString wideParam(const char *name)
    {
        return WideTextFromBytes(dm->QueryInsM.paramByName(QString::fromLatin1(name)).asBytes());
    }

    TDM *dm = nullptr;
    ScopedScriptedPrompter &prompter = prompts;
};
