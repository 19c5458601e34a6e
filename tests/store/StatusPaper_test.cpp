// Status changes of the current list row, the check before a project is saved,
// templates and duplicates.
#include "CertificateParams.h"
#include "ComponentTag.h"
#include "DataTessalNumbering.h"
#include "KDSUtils.h"
#include "StoreFixture.h"
#include "ggDebug.h"

#include <QDir>

namespace {

const QString GoOnQuestion = QStringLiteral("\rПРОДОЛЖИТЬ НЕСМОТРЯ НА ОШИБКИ?");

} // namespace

class StatusPaperTest : public StoreFixture {
protected:
    QVariant column(qint64 id, const char *name)
    {
        return value(QStringLiteral("select ") + QLatin1String(name) + QStringLiteral(" from mcod where id = ")
                     + QString::number(id));
    }
    qint64 currentId() { return dm->ASQM.fieldByName("id").asInteger(); }
    SqlParam &p(const char *name) { return dm->QueryInsM.paramByName(QString::fromLatin1(name)); }
    QList<EventRecord> statusRecords() { return journal.sink().withId(EventId::StatusChanged); }
};

TEST_F(StatusPaperTest, SpoilAndCancel)
{
    for (const QString &user : {QStringLiteral("Expert"), QStringLiteral("a\"b")}) {
        for (const uint8_t status : {uint8_t(8), uint8_t(9)}) {
            SCOPED_TRACE((user + QStringLiteral(" ") + QString::number(status)).toStdString());
            exec("delete from mcod");
            journal.sink().clear();
            App().CurrentUserName = user;
            insertCertificate(certificate(1, 4, {{"status", 7}, {"DateIssued", today() - 20}, {"LastDate", today() - 20}}));
            insertCertificate(certificate(2, 5, {{"status", 7}, {"LastDate", today() - 1}}));
            selectCertificate(1);

            ASSERT_TRUE(SetStatusPaper(*dm, status));

            EXPECT_EQ(column(1, "status").toLongLong(), status);
            EXPECT_EQ(column(1, "BadExpert").toString(), user);
            EXPECT_EQ(column(1, "BadDate").toLongLong(), today());
            EXPECT_EQ(column(1, "LastDate").toLongLong(), today());
            EXPECT_EQ(column(2, "status").toLongLong(), 7) << "the other row is untouched";
            EXPECT_EQ(column(2, "BadExpert"), QVariant());
            EXPECT_EQ(currentId(), 1) << "the list stays on the changed certificate";
            EXPECT_EQ(dm->ASQD.paramByName("id").asInteger(), 1);
            const auto records = statusRecords();
            ASSERT_EQ(records.size(), 1);
            EXPECT_EQ(records[0].type, EventType::Information);
            EXPECT_EQ(records[0].category, EventCategory::UserAction);
            EXPECT_EQ(records[0].strings,
                      (QStringList{user, QString::number(status), QStringLiteral("6007000004 бланк 101")}));
        }
    }
    EXPECT_TRUE(prompter->texts().isEmpty());
}

TEST_F(StatusPaperTest, IssueProjectSavedToday)
{
    insertCertificate(certificate(1, 4));
    insertCertificate(certificate(2, 5, {{"status", 7}, {"LastDate", today() + 1}}));
    selectCertificate(1);
    for (const uint8_t status : {uint8_t(7), uint8_t(5)}) {
        exec("update mcod set status = 6 where id = 1");
        selectCertificate(1);
        ASSERT_TRUE(SetStatusPaper(*dm, status));
        EXPECT_EQ(column(1, "status").toLongLong(), status);
        EXPECT_EQ(column(1, "LastDate").toLongLong(), today());
        EXPECT_EQ(currentId(), 1);
    }
    EXPECT_EQ(statusRecords().size(), 2);
    EXPECT_TRUE(prompter->texts().isEmpty());
}

// The check sees the whole row being issued, not what a spoilt certificate
// left in the parameters.
TEST_F(StatusPaperTest, EarlierDayProjectIsBlockedRightAfterASpoil)
{
    insertCertificate(certificate(1, 4, {{"status", 7}}));
    insertCertificate(certificate(2, 5, {{"DateIssued", today() - 1}, {"LastDate", today() - 1}}));
    selectCertificate(1);
    ASSERT_TRUE(SetStatusPaper(*dm, 8));
    selectCertificate(2);
    journal.sink().clear();

    EXPECT_FALSE(SetStatusPaper(*dm, 7));

    EXPECT_EQ(column(2, "status").toLongLong(), 6);
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_EQ(prompter->shown()[0].text, QStringLiteral("ВНИМАНИЕ! Дата изменилась\r") + GoOnQuestion);
    EXPECT_EQ(prompter->shown()[0].buttons, Prompt::NoOnly);
    EXPECT_EQ(prompter->shown()[0].icon, Prompt::Error);
    EXPECT_TRUE(statusRecords().isEmpty());
}

TEST_F(StatusPaperTest, FailedUpdateReportsFailureAndKeepsTheStatus)
{
    insertCertificate(certificate(1, 4));
    insertCertificate(certificate(2, 5, {{"status", 7}}));
    exec("CREATE TRIGGER refuse BEFORE UPDATE ON mcod BEGIN SELECT RAISE(ABORT, 'locked by test'); END");
    for (const auto &[id, status] : {std::pair<qint64, uint8_t>{1, 7}, {1, 5}, {2, 8}, {2, 9}}) {
        SCOPED_TRACE(int(status));
        prompter->clear();
        selectCertificate(id);
        EXPECT_FALSE(SetStatusPaper(*dm, status));
        ASSERT_EQ(prompter->texts().size(), 1);
        EXPECT_TRUE(prompter->texts()[0].startsWith(QStringLiteral("Статус изменить не удалось: ")));
        EXPECT_TRUE(prompter->texts()[0].contains(QStringLiteral("locked by test")));
        EXPECT_FALSE(dm->ASQLite3DBd.inTransaction());
    }
    EXPECT_EQ(column(1, "status").toLongLong(), 6);
    EXPECT_EQ(column(2, "status").toLongLong(), 7);
    EXPECT_EQ(column(2, "BadDate"), QVariant());
    EXPECT_TRUE(statusRecords().isEmpty());
}

TEST_F(StatusPaperTest, OutOfRangeStatusOrClosedListChangesNothing)
{
    insertCertificate(certificate(1, 4));
    selectCertificate(1);
    EXPECT_TRUE(SetStatusPaper(*dm, 4));
    EXPECT_TRUE(SetStatusPaper(*dm, 11));
    dm->ASQM.close();
    EXPECT_TRUE(SetStatusPaper(*dm, 7));
    EXPECT_EQ(column(1, "status").toLongLong(), 6);
    EXPECT_TRUE(statusRecords().isEmpty());
}

TEST_F(StatusPaperTest, ProjectSaveAsksOnlyAboutLevelOne)
{
    insertCertificate(certificate(1, 4));
    selectCertificate(1);
    struct Case {
        const char *name;
        const char *expert;
        bool blankCountry5;
        int answer;
        bool expected;
        Prompt::Buttons buttons;
    };
    const Case cases[] = {
        {"expert changed, yes", "Other", false, Prompt::IdYes, true, Prompt::YesNo},
        {"expert changed, no", "Other", false, Prompt::IdNo, false, Prompt::YesNo},
        {"country 5 missing", "Expert", true, Prompt::IdYes, false, Prompt::NoOnly},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        prompter->clear();
        CopyListRowToInsertParams(*dm);
        p("status").setInteger(7);
        p("Expert").setText(QString::fromUtf8(c.expert));
        if (c.blankCountry5)
            p("Country5").setText("");
        prompter->answer(c.answer);
        EXPECT_EQ(SetStatusPaper(*dm, 6), c.expected);
        EXPECT_EQ(p("status").asInteger(), 6);
        ASSERT_EQ(prompter->shown().size(), 1);
        EXPECT_EQ(prompter->shown()[0].buttons, c.buttons);
        EXPECT_EQ(prompter->shown()[0].text,
                  QString::fromUtf8(c.blankCountry5 ? "Поле5. Отсутствует страна.\r" : "ВНИМАНИЕ! Изменился эксперт\r")
                      + GoOnQuestion);
    }
    prompter->clear();
    CopyListRowToInsertParams(*dm);
    EXPECT_TRUE(SetStatusPaper(*dm, 6));
    EXPECT_TRUE(prompter->texts().isEmpty());
    EXPECT_EQ(column(1, "status").toLongLong(), 6) << "the check writes nothing";
    EXPECT_TRUE(statusRecords().isEmpty());
}

TEST_F(StatusPaperTest, ProjectSaveChecksPartiesAndCountries)
{
    insertCertificate(certificate(1, 4));
    selectCertificate(1);
    CopyListRowToInsertParams(*dm);
    WideToParam("", p("Exporter"));
    p("Importer").clear();
    p("Country12").setText("");
    EXPECT_FALSE(SetStatusPaper(*dm, 6));
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_EQ(prompter->shown()[0].buttons, Prompt::NoOnly);
    EXPECT_EQ(prompter->shown()[0].text,
              QStringLiteral("ВНИМАНИЕ! Параметр Страна поля 12 должен быть определён.\r"
                             "ВНИМАНИЕ! Параметр Страна поля 12 должен иметь печатные символы.\r"
                             "Поле1. Экспортёр инкогнито оставаться не может.\r"
                             "Поле2. Импортёр инкогнито оставаться не может.\r"
                             "Поле12. Не выбрана страна.\r")
                  + GoOnQuestion);
}

TEST_F(StatusPaperTest, ProjectSaveCopiesTheAttachedFile)
{
    insertCertificate(certificate(1, 4, {{"CertNo", 42}}));
    selectCertificate(1);
    const QString attached = home.path() + QStringLiteral("/Акт проверки.pdf");
    WriteWholeFile(attached, "PDF content");
    const QString copy = dataPath("6007000004_0000042");
    WriteWholeFile(copy, "older copy");

    CopyListRowToInsertParams(*dm);
    WideToParam(attached, p("fileName13"));
    EXPECT_TRUE(SetStatusPaper(*dm, 6));
    EXPECT_EQ(ReadWholeFile(copy), QByteArray("PDF content"));
    EXPECT_TRUE(prompter->texts().isEmpty());

    WideToParam(home.path() + QStringLiteral("/missing.pdf"), p("fileName13"));
    EXPECT_FALSE(SetStatusPaper(*dm, 6));
    ASSERT_EQ(prompter->texts().size(), 1);
    EXPECT_EQ(prompter->texts()[0], QStringLiteral("Поле13. ") + SysErrorText(2)
                                        + QStringLiteral(" \r Проблема с копированием файла.\r") + GoOnQuestion);
    EXPECT_EQ(prompter->shown()[0].buttons, Prompt::NoOnly);
}

// A reference number that is not ten digits never becomes part of a path.
TEST_F(StatusPaperTest, MalformedReferenceNumberIsNoFileName)
{
    insertCertificate(certificate(1, 4, {{"ReferenceNo", "../../evil"}}));
    selectCertificate(1);
    const QString attached = home.path() + QStringLiteral("/act.pdf");
    WriteWholeFile(attached, "PDF");
    CopyListRowToInsertParams(*dm);
    WideToParam(attached, p("fileName13"));

    EXPECT_FALSE(SetStatusPaper(*dm, 6));
    ASSERT_EQ(prompter->texts().size(), 1);
    EXPECT_TRUE(prompter->texts()[0].contains(QStringLiteral(" \r Проблема с копированием файла.\r")));
    EXPECT_TRUE(prompter->texts()[0].startsWith(QStringLiteral("Поле13. ")));
    const QDir parent(home.path() + QStringLiteral("/.."));
    EXPECT_FALSE(QFile::exists(parent.absoluteFilePath(QStringLiteral("evil_0000101"))));
    EXPECT_TRUE(QDir(home.path() + "/data").entryList({"*evil*", "*_0000101"}, QDir::Files).isEmpty());
}

TEST_F(StatusPaperTest, DuplicateTexts)
{
    struct Case {
        const char *language;
        QString firstLine;
    };
    const Case cases[] = {
        {"ru", QStringLiteral("Дубликат сертификата № 6007 000012 от 01.03.2026\r\n")},
        {"en", QStringLiteral("Duplicate of certificate № 6007 000012 from 01.03.2026\r\n")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.language);
        exec("delete from mcod");
        const qint64 march1 = DateToDayNumber(QDate(2026, 3, 1));
        insertCertificate(certificate(1, 12,
                                      {{"status", 7}, {"Language", c.language}, {"Date11", march1}, {"Date12", march1},
                                       {"DateIssued", march1}, {"Expert", "Author"}, {"CertNo", 41}}));
        selectCertificate(1);
        TemplateCopy(*dm, true);

        EXPECT_EQ(wideParam("OfficialNote"), c.firstLine + QStringLiteral("Примечание"));
        EXPECT_EQ(param("id").toLongLong(), 2);
        EXPECT_EQ(param("status").toLongLong(), 10);
        EXPECT_EQ(param("CertNo").toLongLong(), 42);
        EXPECT_EQ(param("ReferenceNo").toString(), QStringLiteral("6007000001"));
        EXPECT_EQ(param("NumNum").toLongLong(), 1);
        EXPECT_EQ(param("Expert").toString(), QStringLiteral("Author"));
        EXPECT_EQ(param("BadExpert").toString(), QStringLiteral("Expert"));
        EXPECT_EQ(param("goTrue").toString(), QStringLiteral("6007000012"));
        EXPECT_EQ(param("Date11").toLongLong(), today()) << "an earlier box 11 date becomes today";
        EXPECT_EQ(param("Date12").toLongLong(), today());
        EXPECT_EQ(param("fileName13"), QVariant());

        journal.sink().clear();
        EXPECT_TRUE(SetStatusPaper(*dm, 10));
        EXPECT_TRUE(prompter->texts().isEmpty());
        const auto records = statusRecords();
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(records[0].strings, (QStringList{"Expert", "10", "6007000001 бланк 42"}));
        EXPECT_EQ(value("select count(*) from mcod").toLongLong(), 1) << "the editor saves the duplicate";
    }
}

TEST_F(StatusPaperTest, DuplicateWithFindingsIsRefused)
{
    insertCertificate(certificate(1, 12, {{"status", 7}}));
    selectCertificate(1);
    TemplateCopy(*dm, true);
    p("Country12").setText("");
    EXPECT_FALSE(SetStatusPaper(*dm, 10));
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_EQ(prompter->shown()[0].buttons, Prompt::NoOnly);
    EXPECT_TRUE(statusRecords().isEmpty());
}

TEST_F(StatusPaperTest, TemplateOfASpoiltBlankKeepsItsNumber)
{
    insertCertificate(certificate(1, 1, {{"status", 7}}));
    insertCertificate(certificate(2, 2, {{"status", 8}, {"Language", "en"}, {"Expert", "Author"},
                                         {"actPresent14", 0}, {"actNumber14", QStringLiteral("A-1")},
                                         {"fSize3", 7}}));
    selectCertificate(2);
    TemplateCopy(*dm, false);

    EXPECT_EQ(param("id").toLongLong(), 3);
    EXPECT_EQ(param("status").toLongLong(), 6);
    EXPECT_EQ(param("ReferenceNo").toString(), QStringLiteral("6007000002"));
    EXPECT_EQ(param("NumNum").toLongLong(), 2);
    EXPECT_EQ(param("Language").toString(), QStringLiteral("en"));
    EXPECT_EQ(wideParam("DovName"), QStringLiteral("CCI of Town"));
    EXPECT_EQ(param("City11").toString(), QStringLiteral("Town"));
    EXPECT_EQ(param("Expert").toString(), QStringLiteral("Expert"));
    EXPECT_EQ(wideParam("OfficialNote"), QStringLiteral("Примечание"));
    EXPECT_EQ(param("BadDate"), QVariant());
    EXPECT_EQ(param("goTrue"), QVariant());
    EXPECT_EQ(param("actNumber14"), QVariant());
    EXPECT_EQ(param("actDate14").toLongLong(), 0);
    EXPECT_EQ(param("actPresent14").toBool(), false);
    EXPECT_EQ(param("fSize3").toLongLong(), 7);

    selectCertificate(1);
    TemplateCopy(*dm, false);
    EXPECT_EQ(param("ReferenceNo").toString(), QStringLiteral("6007000002")) << "the first free number";
    EXPECT_EQ(Tag(dm->ASQM), 2);
}
