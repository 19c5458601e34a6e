// The users page with its two dialogs and the options page, over a real
// data module: what is accepted, what is refused with which text, what is
// journalled and that k.cod follows every change.
#include "ModalDriver.h"
#include "StoreFixture.h"

#include "AddUserForm.h"
#include "CommonTessalLogOn.h"
#include "FormMain.h"
#include "OptionsForm.h"
#include "UserRenameForm.h"
#include "UserRules.h"
#include "UsersForm.h"
#include "WorkplacePages.h"
#include "Windows1251.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>

namespace {
const QByteArray EmptyPasswordHash = "D41D8CD98F00B204E9800998ECF8427E";
}

class UsersAndOptionsTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        addUser(QStringLiteral("Петров"), QStringLiteral("secret"));
        addUser(QStringLiteral("Иванов"), QString());
        App().CurrentUserId = 1;
        App().CurrentUserName = QStringLiteral("Петров");
        dm->cdsUsers.first();
    }

    void addUser(const QString &name, const QString &password)
    {
        dm->cdsUsers.append();
        dm->cdsUsers.fieldByName("UserName").setValue(name);
        dm->cdsUsers.fieldByName("Password").setValue(PasswordHashOf(password));
        dm->cdsUsers.post();
    }

    QString usersFile() const { return dataFile("k.cod"); }
    QString storedName(qint64 id)
    {
        for (int r = 0; r < dm->cdsUsers.recordCount(); ++r)
            if (dm->cdsUsers.rowValue(r, 0).toLongLong() == id)
                return dm->cdsUsers.rowValue(r, 1).toString();
        return QString();
    }
};

TEST_F(UsersAndOptionsTest, AddUserDialogChecksNameDuplicatesAndPasswords)
{
    struct Case {
        const char *name;
        QString user, first, second;
        QStringList boxes;
        bool accepted;
    };
    const QList<Case> cases = {
        {"empty name", "   ", "a", "a", {UserNameRequiredText}, false},
        {"same name in other Cyrillic case", QStringLiteral("иВАНОВ"), "a", "a", {DuplicateUserText}, false},
        {"passwords differ", QStringLiteral("Сидоров"), "a", "b", {QStringLiteral("Пароли не совпадают!")}, false},
        {"two empty passwords", QStringLiteral("  Сидоров "), "", "", {}, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        prompts->clear();
        TfAddUser dialog;
        dialog.StoredPasswordHash.clear();
        dialog.prepareAdd();
        dialog.ntEditName->setText(c.user);
        dialog.ntEditOldPassword->setText(c.first);
        dialog.ntEditNewPassword->setText(c.second);
        dialog.ButtonOkClick();
        EXPECT_EQ(prompts->texts(), c.boxes);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(dialog.EnteredUserName, QStringLiteral("Сидоров"));
            EXPECT_EQ(dialog.NewPasswordHash.toLatin1(), EmptyPasswordHash);
        }
    }
}

TEST_F(UsersAndOptionsTest, ThreeWrongOldPasswordsCloseThePasswordDialog)
{
    TfAddUser dialog;
    dialog.StoredPasswordHash = QString::fromLatin1(PasswordHashOf(QStringLiteral("secret")));
    dialog.prepareProperties(QStringLiteral("Петров"));
    EXPECT_FALSE(dialog.ntEditName->isEnabled());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Свойства пользователя"));
    for (int attempt = 1; attempt <= 3; ++attempt) {
        dialog.ntEditOldPassword->setText(QStringLiteral("wrong"));
        dialog.ntEditNewPassword->setText(QStringLiteral("new"));
        dialog.ButtonOkClick();
        EXPECT_EQ(dialog.result(), attempt < 3 ? 0 : int(QDialog::Rejected)) << attempt;
    }
    EXPECT_EQ(prompts->texts(), QStringList(3, QStringLiteral("Необходимо правильно указать старый пароль!")));
    EXPECT_TRUE(dialog.NewPasswordHash.isEmpty());
}

TEST_F(UsersAndOptionsTest, RenameRefusesEmptyReservedAndTakenNames)
{
    struct Case {
        QString name;
        QString box;
    };
    const QString reserved = QStringLiteral("Имя Администратор использовать запрещено");
    const QList<Case> cases = {
        {"  ", UserNameRequiredText},
        {QStringLiteral("администратор"), reserved},
        {QStringLiteral(" АдМиНиСтРаТоР "), reserved},
        {QStringLiteral("иванов"), DuplicateUserText},
        {QStringLiteral("A") + QStringLiteral("дминистратор"), ""}, // Latin A: another name
        {QStringLiteral("ПЕТРОВ"), ""},                              // the user's own name in another case
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        prompts->clear();
        TfUserRename dialog(1);
        dialog.EditNewLogin->setText(c.name);
        dialog.ntBitBtnOkClick();
        EXPECT_EQ(prompts->texts(), c.box.isEmpty() ? QStringList() : QStringList{c.box});
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.box.isEmpty());
    }
}

TEST_F(UsersAndOptionsTest, AddingAUserIsJournalledAndWrittenToTheUsersFile)
{
    ASSERT_FALSE(QFile::exists(usersFile()));
    TfUsers users;
    ASSERT_TRUE(users.aAddUser->isEnabled());
    AnswerNextModal([](QWidget *dialog) {
        ChildOf<QLineEdit>(dialog, "ntEditName")->setText(QStringLiteral("Сидоров"));
        ChildOf<QLineEdit>(dialog, "ntEditOldPassword")->setText(QStringLiteral("пароль"));
        ChildOf<QLineEdit>(dialog, "ntEditNewPassword")->setText(QStringLiteral("пароль"));
        ClickChild(dialog, "ButtonOk");
    });
    users.aAddUserExecute();
    EXPECT_EQ(dm->cdsUsers.recordCount(), 3);
    EXPECT_EQ(storedName(3), QStringLiteral("Сидоров"));
    const QList<EventRecord> added = journal.sink().withId(EventId::UserAdded);
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added[0].strings, (QStringList{"Петров", "Сидоров", "3"}));
    EXPECT_TRUE(QFile::exists(usersFile()));
    // The new user can log on with the password typed.
    EXPECT_TRUE(TestUserLogon(*dm, QStringLiteral("Сидоров"), ToWindows1251(QStringLiteral("пароль"))));
}

TEST_F(UsersAndOptionsTest, OnlyTheAdministratorGetsUserActionsAndAccountOneStays)
{
    TfUsers users;
    dm->cdsUsers.first();
    users.updateActions();
    EXPECT_TRUE(users.aRenameUser->isEnabled());
    EXPECT_FALSE(users.aDeleteUser->isEnabled()); // row 1
    dm->cdsUsers.next();
    users.updateActions();
    EXPECT_TRUE(users.aDeleteUser->isEnabled());

    prompts->answer(Prompt::IdYes);
    users.aDeleteUserExecute();
    EXPECT_EQ(dm->cdsUsers.recordCount(), 1);
    EXPECT_EQ(journal.sink().withId(EventId::UserDeleted).value(0).strings,
              (QStringList{"Петров", "Иванов", "2"}));
    EXPECT_TRUE(QFile::exists(usersFile()));

    App().CurrentUserId = 2;
    users.updateActions();
    for (QAction *action : {users.aAddUser, users.aDeleteUser, users.aPropUser, users.aRenameUser})
        EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
}

TEST_F(UsersAndOptionsTest, OrdinaryUserChangesOwnPasswordFromTheMainWindow)
{
    App().CurrentUserId = 2;
    App().CurrentUserName = QStringLiteral("Иванов");
    TfMain main;
    RegisterWorkplacePages(main);
    main.SetEnableActions();
    ASSERT_TRUE(main.action("aChangePassword")->isEnabled());
    AnswerNextModal([](QWidget *dialog) {
        EXPECT_EQ(ChildOf<QLineEdit>(dialog, "ntEditName")->text(), QStringLiteral("Иванов"));
        ChildOf<QLineEdit>(dialog, "ntEditOldPassword")->setText(QString());
        ChildOf<QLineEdit>(dialog, "ntEditNewPassword")->setText(QStringLiteral("новый"));
        ClickChild(dialog, "ButtonOk");
    });
    main.action("aChangePassword")->trigger();
    EXPECT_TRUE(TestUserLogon(*dm, QStringLiteral("Иванов"), ToWindows1251(QStringLiteral("новый"))));
    EXPECT_EQ(prompts->texts(), QStringList{QStringLiteral("Пароль изменен.\rПостарайтесь его нигде не записывать.")});
    EXPECT_EQ(journal.sink().withId(EventId::PasswordChanged).value(0).strings,
              (QStringList{"Иванов", "Иванов", "2"}));
    EXPECT_TRUE(QFile::exists(usersFile()));
    EXPECT_NE(main.currentPage() ? main.currentPage()->objectName() : QString(), QStringLiteral("fUsers"));
}

// What the administrator sees: a titled users grid, passwords masked with
// "*", a password dialog wide enough for its texts, range edits sized for six digits.
TEST_F(UsersAndOptionsTest, WindowsShowTheirTextsAndMaskPasswordsWithStars)
{
    TfUsers users;
    users.resize(600, 400);
    users.show();
    const QAbstractItemModel *model = users.ntDBGrid->model();
    QStringList shownTitles;
    for (int column = 0; column < model->columnCount(); ++column)
        if (!users.ntDBGrid->isColumnHidden(column))
            shownTitles << model->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(shownTitles, QStringList{QStringLiteral("Пользователь")});

    TfAddUser dialog;
    dialog.prepareProperties(QStringLiteral("Петров"));
    dialog.show();
    for (QLineEdit *edit : {dialog.ntEditOldPassword, dialog.ntEditNewPassword})
        EXPECT_EQ(edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit), int('*'));
    EXPECT_GT(dialog.width(), dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()));
    EXPECT_GE(dialog.width(), 380);

    TfOptions options;
    options.resize(900, 600);
    options.show();
    for (QLineEdit *edit : {options.EditRefMin, options.EditRefMax}) {
        EXPECT_LT(edit->width(), 200);
        EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    }
}

TEST_F(UsersAndOptionsTest, RangeIsCheckedBeforeItIsKept)
{
    insertCertificate(certificate(1, 45, {{"status", 7}, {"ReferenceNo", "6007000045"}}));
    insertCertificate(certificate(2, 60, {{"status", 6}}));
    insertCertificate(certificate(3, 61, {{"status", 8}}));
    insertCertificate(certificate(4, 62, {{"status", 5}}));
    insertCertificate(certificate(5, 70, {{"status", 9}, {"GNum", 5}, {"ReferenceNo", "5007000070"}}));
    const QString onlyDigits = QStringLiteral("При вводе минимального значения допустимы только десятичные цифры");
    const QString maxDigits = QStringLiteral("При вводе максимального значения допустимы только десятичные цифры");
    struct Case {
        QString min, max, box;
    };
    const QList<Case> cases = {
        {"abc", "100", onlyDigits},
        {"-5", "100", onlyDigits},
        {"", "100", onlyDigits},
        {"1", "1e3", maxDigits},
        {"200", "100", QStringLiteral("Минимальное значение не может быть больше максимального")},
        {"40", "50",
         QStringLiteral("№ документа 6007000045 попадает в новый диапазон.\r\nРазрешено задавать только пустой "
                        "диапазон!")},
        {"55", "80", ""}, // projects, spoilt blanks, status 5 and last year's numbers only
    };
    TfOptions options;
    App().NumberRangeMin = 5;
    App().NumberRangeMax = 9999;
    options.TntFormShow();
    EXPECT_EQ(options.EditRefMin->text(), QStringLiteral("000005"));
    EXPECT_EQ(options.EditRefMax->text(), QStringLiteral("009999"));
    for (const Case &c : cases) {
        SCOPED_TRACE((c.min + "/" + c.max).toStdString());
        prompts->clear();
        options.EditRefMin->setText(c.min);
        options.EditRefMax->setText(c.max);
        options.BitBtnRefOkClick();
        EXPECT_EQ(prompts->texts(), c.box.isEmpty() ? QStringList() : QStringList{c.box});
        if (!c.box.isEmpty()) {
            EXPECT_EQ(App().NumberRangeMin, 5u);
            EXPECT_FALSE(QFile::exists(usersFile()));
        }
    }
    EXPECT_EQ(App().NumberRangeMin, 55u);
    EXPECT_EQ(App().NumberRangeMax, 80u);
    EXPECT_EQ(dm->cdsK.fieldByName("ReferMin").asInteger(), 55);
    EXPECT_EQ(journal.sink().withId(EventId::OptionsChanged).value(0).strings, (QStringList{"Петров", "55", "80"}));
    EXPECT_TRUE(QFile::exists(usersFile()));
    options.BitBtnRefCancelClick();
    EXPECT_EQ(options.EditRefMin->text(), QStringLiteral("000055"));
}

TEST_F(UsersAndOptionsTest, ArchiveSettingsAndTheBlankQuestionFlag)
{
    TfOptions options;
    EXPECT_TRUE(options.CheckBoxDlgPaper->isChecked()); // no option stored: the question is on
    EXPECT_EQ(options.CheckBoxDlgPaper->text(),
              QStringLiteral("Отключить предупреждение о корректности номера бланка"));
    options.CheckBoxDlgPaper->click();
    EXPECT_EQ(dm->ReadOption(QStringLiteral("Петров"), DlgPaperOption), QStringLiteral("False"));
    EXPECT_EQ(options.CheckBoxDlgPaper->text(),
              QStringLiteral("Включить предупреждение о корректности номера бланка"));
    EXPECT_FALSE(TfOptions().CheckBoxDlgPaper->isChecked());

    options.CheckBoxBegin->click();
    options.CheckBoxEnd->click();
    EXPECT_FALSE(options.CheckBoxBegin->isChecked());
    EXPECT_TRUE(options.CheckBoxEnd->isChecked());
    options.EditArchPath->setText(QStringLiteral("/srv/архив"));
    options.BitBtnArchSaveClick();
    EXPECT_EQ(App().ArchiveFolder, QStringLiteral("/srv/архив"));
    EXPECT_FALSE(App().ArchiveAtStart);
    EXPECT_TRUE(App().ArchiveAtExit);
    EXPECT_EQ(dm->cdsK.fieldByName("ArchPatch").asString(), QStringLiteral("/srv/архив"));
    EXPECT_TRUE(QFile::exists(usersFile()));
    EXPECT_TRUE(journal.sink().withId(EventId::OptionsChanged).isEmpty());
}
