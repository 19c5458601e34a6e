// Password digests and the log-on through a scripted log-on dialog.
#include "CommonTessalLogOn.h"
#include "StoreFixture.h"
#include "Windows1251.h"

namespace {

// What the scripted dialog saw and answers.
struct ScriptedDialog {
    int32_t result = 1;
    DialogsCallStatus status = DialogsCallStatus::Called;
    QString typedName;
    QString typedPassword;
    int calls = 0;
    QString title;
    QStringList names;
    QString proposedName;
    QString proposedPassword;

    LogOnDialog slot()
    {
        return [this](const QString &applicationTitle, const QStringList &userNames, QString &userName,
                      QString &password) {
            ++calls;
            title = applicationTitle;
            names = userNames;
            proposedName = userName;
            proposedPassword = password;
            DialogsCallOutcome outcome;
            outcome.status = status;
            outcome.libraryPath = QStringLiteral("/opt/common/Orbanet/libobDialogs.so");
            if (status == DialogsCallStatus::LibraryMissing)
                outcome.failureText = QStringLiteral("Не удалось загрузить библиотеку: ") + outcome.libraryPath;
            if (status == DialogsCallStatus::ExportMissing)
                outcome.failureText = QStringLiteral("В библиотеке ") + outcome.libraryPath
                                      + QStringLiteral(" функция ShowDlgLogin не обнаружена");
            if (status == DialogsCallStatus::Called) {
                outcome.result = result;
                if (result == 1) {
                    userName = typedName;
                    password = typedPassword;
                }
            }
            return outcome;
        };
    }
};

} // namespace

class LogOnTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        App().CurrentUserName = QStringLiteral("unknown");
        App().CurrentUserId = -1;
        SetLogOnDialog(dialog.slot());
    }
    void TearDown() override
    {
        SetLogOnDialog(nullptr);
        StoreFixture::TearDown();
    }

    void addUser(qint64 id, const QString &name, const QString &password)
    {
        dm->cdsUsers.append();
        dm->cdsUsers.fieldByName("id").setValue(id);
        dm->cdsUsers.fieldByName("UserName").setValue(name);
        dm->cdsUsers.fieldByName("Password").setValue(PasswordDigest(ToWindows1251(password)));
        dm->cdsUsers.post();
    }

    void addUsers()
    {
        addUser(1, QStringLiteral("Администратор"), QStringLiteral("admin"));
        addUser(2, QStringLiteral("Иванов"), QStringLiteral("пароль"));
        addUser(3, QStringLiteral("Иванов"), QStringLiteral("другой"));
    }

    ScriptedDialog dialog;
};

TEST_F(LogOnTest, PasswordDigest)
{
    EXPECT_EQ(PasswordDigest(QByteArray()), QByteArray("D41D8CD98F00B204E9800998ECF8427E"));
    // printf %s 'пароль' | iconv -t CP1251 | md5sum
    EXPECT_EQ(PasswordDigest(ToWindows1251(QStringLiteral("пароль"))),
              QByteArray("749789E4982B0C563F6729AAC100A614"));
}

TEST_F(LogOnTest, UserAndPasswordMatchExactly)
{
    addUsers();
    addUser(4, QStringLiteral("Пустой"), QString());
    const QByteArray right = ToWindows1251(QStringLiteral("пароль"));
    EXPECT_TRUE(TestUserLogon(*dm, QStringLiteral("Иванов"), right));
    EXPECT_FALSE(TestUserLogon(*dm, QStringLiteral("иванов"), right)) << "the name's case counts";
    EXPECT_FALSE(TestUserLogon(*dm, QStringLiteral("Иванов"), ToWindows1251(QStringLiteral("ПАРОЛЬ"))));
    EXPECT_FALSE(TestUserLogon(*dm, QStringLiteral("Иванов"), ToWindows1251(QStringLiteral("другой"))))
        << "only the first row of a name is tried";
    EXPECT_FALSE(TestUserLogon(*dm, QStringLiteral("Никто"), right));
    EXPECT_TRUE(TestUserLogon(*dm, QStringLiteral("Пустой"), QByteArray()));
    EXPECT_FALSE(TestUserLogon(*dm, QStringLiteral("Пустой"), QByteArray(" ")));
}

TEST_F(LogOnTest, Success)
{
    addUsers();
    dialog.typedName = QStringLiteral("Иванов");
    dialog.typedPassword = QStringLiteral("пароль");

    EXPECT_TRUE(PaperLogOn(*dm));

    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(dialog.title, QStringLiteral("Tessal")); // the program's title; the library adds ":Logon"
    EXPECT_EQ(dialog.names, (QStringList{"Администратор", "Иванов", "Иванов"}));
    EXPECT_EQ(dialog.proposedName, QStringLiteral("Администратор"));
    EXPECT_EQ(dialog.proposedPassword, QString());
    EXPECT_EQ(App().CurrentUserName, QStringLiteral("Иванов"));
    EXPECT_EQ(App().CurrentUserId, 2);
    EXPECT_FALSE(App().StopFlag);
    const auto records = journal.sink().withId(EventId::UserLoggedOn);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].type, EventType::AuditSuccess);
    EXPECT_EQ(records[0].category, EventCategory::UserAction);
    EXPECT_EQ(records[0].strings, (QStringList{"unknown", "Иванов"}));
    EXPECT_TRUE(prompter->texts().isEmpty());
}

TEST_F(LogOnTest, WrongPassword)
{
    addUsers();
    dialog.typedName = QStringLiteral("Администратор");
    dialog.typedPassword = QStringLiteral("guess");

    EXPECT_FALSE(PaperLogOn(*dm));

    EXPECT_TRUE(App().StopFlag);
    EXPECT_EQ(App().CurrentUserName, QStringLiteral("unknown"));
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Пароль не угадали. Программа будет закрыта")});
    const auto records = journal.sink().withId(EventId::LogOnRefused);
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].type, EventType::AuditFailure);
    EXPECT_EQ(records[0].strings, (QStringList{"unknown", "Администратор"}));
    EXPECT_TRUE(journal.sink().withId(EventId::UserLoggedOn).isEmpty());
}

TEST_F(LogOnTest, Cancel)
{
    addUsers();
    dialog.result = 2;
    EXPECT_FALSE(PaperLogOn(*dm));
    EXPECT_TRUE(App().StopFlag);
    EXPECT_TRUE(prompter->texts().isEmpty());
    EXPECT_TRUE(journal.sink().withId(EventId::LogOnRefused).isEmpty());
    EXPECT_TRUE(journal.sink().withId(EventId::UserLoggedOn).isEmpty());
}

TEST_F(LogOnTest, EmptyUsersTableRefusesAnyName)
{
    dialog.typedName = QStringLiteral("unknown");
    EXPECT_FALSE(PaperLogOn(*dm));
    EXPECT_EQ(dialog.names, QStringList());
    EXPECT_EQ(dialog.proposedName, QStringLiteral("unknown"));
    EXPECT_TRUE(App().StopFlag);
    EXPECT_EQ(journal.sink().withId(EventId::LogOnRefused).size(), 1);
}

TEST_F(LogOnTest, MissingLibraryOrFunction)
{
    struct Case {
        DialogsCallStatus status;
        QStringList strings;
        QString text;
    };
    const QString path = QStringLiteral("/opt/common/Orbanet/libobDialogs.so");
    const Case cases[] = {
        {DialogsCallStatus::LibraryMissing, {path}, QStringLiteral("Не удалось загрузить библиотеку: ") + path},
        {DialogsCallStatus::ExportMissing, {"ShowDlgLogin", path},
         QStringLiteral("В библиотеке ") + path + QStringLiteral(" функция ShowDlgLogin не обнаружена")},
    };
    for (const Case &c : cases) {
        App().StopFlag = false;
        prompter->clear();
        journal.sink().clear();
        dialog.status = c.status;
        EXPECT_FALSE(PaperLogOn(*dm));
        EXPECT_TRUE(App().StopFlag);
        EXPECT_EQ(prompter->texts(), QStringList{c.text});
        const auto records = journal.sink().withId(EventId::DialogsLibraryMissing);
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(records[0].type, EventType::Error);
        EXPECT_EQ(records[0].category, EventCategory::UserAction);
        EXPECT_EQ(records[0].strings, c.strings);
    }
}
