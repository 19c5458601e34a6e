// The binding of the outside dialogs library, against a missing library, a
// library without the functions, and the real library with its dialogs
// answered offscreen.
#include "ModalDriver.h"
#include "ggFiles.h"
#include "obDialogsBinding.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

void UseCommonFolder(const QString &dir) { qputenv("CommonProgramFiles", QFile::encodeName(dir)); }

// The build's program folder. The test programs are built into it too, which
// also serves when TESSAL_BIN does not reach the test.
QString BinFolder()
{
    const QString bin = qEnvironmentVariable("TESSAL_BIN");
    return bin.isEmpty() ? QCoreApplication::applicationDirPath() : bin;
}
QString BuiltLibrary() { return BinFolder() + QStringLiteral("/Orbanet/libobDialogs.so"); }
void UseBuiltLibrary() { UseCommonFolder(BinFolder()); }

// Calls each binding the way its caller does and reports the outcome.
struct BindingCase {
    const char *name;
    std::function<DialogsCallOutcome()> call;
};

std::vector<BindingCase> EveryCaller()
{
    return {
        {"ShowDlgLogin",
         [] {
             QString name = QStringLiteral("admin"), password;
             auto outcome = CallShowDlgLogin(QStringLiteral("Tessal"), {QStringLiteral("admin")}, name, password);
             EXPECT_EQ(name, QStringLiteral("admin"));
             return outcome;
         }},
        {"ShowDlgSimLogin",
         [] {
             QString account = QStringLiteral("acc"), password, user, project;
             auto outcome = CallShowDlgSimLogin(account, password, user, project);
             EXPECT_EQ(account, QStringLiteral("acc"));
             return outcome;
         }},
        {"ShowDlgAbout", [] { return CallShowDlgAbout(QStringLiteral("d"), QStringLiteral("c")); }},
    };
}

} // namespace

TEST(obDialogsBinding, MissingLibraryGivesEachCallerItsMessage)
{
    QTemporaryDir common;
    UseCommonFolder(common.path());
    const QString path = common.path() + QStringLiteral("/Orbanet/libobDialogs.so");
    const QString named = QStringLiteral("Не обнаружена библиотека %CommonProgramFiles%/Orbanet/libobDialogs.so");
    const QMap<QString, QString> expected = {
        {QStringLiteral("ShowDlgLogin"), QStringLiteral("Не удалось загрузить библиотеку: ") + path},
        {QStringLiteral("ShowDlgSimLogin"), named},
        {QStringLiteral("ShowDlgAbout"), named},
    };
    for (const BindingCase &c : EveryCaller()) {
        SCOPED_TRACE(c.name);
        const DialogsCallOutcome outcome = c.call();
        EXPECT_EQ(outcome.status, DialogsCallStatus::LibraryMissing);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.libraryPath, path);
        EXPECT_EQ(outcome.failureText, expected.value(QLatin1String(c.name)));
    }

    int32_t date = 45000;
    EXPECT_EQ(ShowSelectDateDialog(date, 44635), 0);
    EXPECT_EQ(date, 45000);
}

TEST(obDialogsBinding, LibraryWithoutTheFunctionsGivesEachCallerItsMessage)
{
    const QString common = QDir::cleanPath(BinFolder() + QStringLiteral("/../dialog-fixtures/no-exports"));
    const QString path = common + QStringLiteral("/Orbanet/libobDialogs.so");
    ASSERT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    UseCommonFolder(common);
    const QMap<QString, QString> expected = {
        {QStringLiteral("ShowDlgLogin"),
         QStringLiteral("В библиотеке ") + path + QStringLiteral(" функция ShowDlgLogin не обнаружена")},
        {QStringLiteral("ShowDlgSimLogin"),
         QStringLiteral("В библиотеке libobDialogs.so не обнаружена процедура ShowDlgSimLogin")},
        {QStringLiteral("ShowDlgAbout"),
         QStringLiteral("В библиотеке libobDialogs.so не обнаружена процедура ShowDlgAbout")},
    };
    for (const BindingCase &c : EveryCaller()) {
        SCOPED_TRACE(c.name);
        const DialogsCallOutcome outcome = c.call();
        EXPECT_EQ(outcome.status, DialogsCallStatus::ExportMissing);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.failureText, expected.value(QLatin1String(c.name)));
    }

    int32_t date = 45000;
    EXPECT_EQ(ShowSelectDateDialog(date, 44635), 0);
    EXPECT_EQ(date, 45000);
}

TEST(obDialogsBinding, UnsetCommonFolderMeansTheProgramFolder)
{
    qunsetenv("CommonProgramFiles");
    EXPECT_EQ(DialogsLibraryPath(), ProgramDir() + QStringLiteral("/Orbanet/libobDialogs.so"));
    EXPECT_EQ(qEnvironmentVariable("CommonProgramFiles"), ProgramDir());
    EXPECT_TRUE(QFileInfo::exists(DialogsLibraryPath())) << "the build puts the library there";
}

TEST(obDialogsBinding, LogOnConfirmedReturnsWhatWasTyped)
{
    UseBuiltLibrary();
    AnswerNextModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Tessal:Logon"));
        if (auto *prompt = ChildOf<QLabel>(dialog, "labelPrompt")) {
            EXPECT_EQ(prompt->text(), QStringLiteral("Для входа в систему укажите своё имя и пароль!"));
        }
        auto *names = ChildOf<QComboBox>(dialog, "editUserName");
        auto *password = ChildOf<QLineEdit>(dialog, "editPassword");
        if (!names || !password)
            return;
        EXPECT_EQ(names->count(), 2);
        EXPECT_EQ(names->itemText(1), QStringLiteral("Иванов"));
        EXPECT_EQ(names->currentText(), QStringLiteral("Петров"));
        EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        names->setCurrentText(QStringLiteral("Иванов"));
        password->setText(QStringLiteral("пароль 1"));
        ClickChild(dialog, "buttonOk");
    });
    QString name = QStringLiteral("Петров"), password;
    const DialogsCallOutcome outcome = CallShowDlgLogin(
        QStringLiteral("Tessal"), {QStringLiteral("Петров"), QStringLiteral("Иванов")}, name, password);
    EXPECT_EQ(outcome.status, DialogsCallStatus::Called);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(name, QStringLiteral("Иванов"));
    EXPECT_EQ(password, QStringLiteral("пароль 1"));
}

TEST(obDialogsBinding, LogOnCancelledLeavesTheTexts)
{
    UseBuiltLibrary();
    AnswerNextModal([](QWidget *dialog) {
        if (auto *password = ChildOf<QLineEdit>(dialog, "editPassword"))
            password->setText(QStringLiteral("typed"));
        ClickChild(dialog, "buttonCancel");
    });
    QString name = QStringLiteral("unknown"), password;
    const DialogsCallOutcome outcome = CallShowDlgLogin(QStringLiteral("Tessal"), {}, name, password);
    EXPECT_EQ(outcome.status, DialogsCallStatus::Called);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(name, QStringLiteral("unknown"));
    EXPECT_TRUE(password.isEmpty());
}

TEST(obDialogsBinding, DateDialogAnswersWithTheChosenDay)
{
    UseBuiltLibrary();
    const QDate dayZero(1899, 12, 30);
    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm ? "chosen" : "cancelled");
        AnswerNextModal([&](QWidget *dialog) {
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Выбор даты"));
            auto *calendar = ChildOf<QCalendarWidget>(dialog, "calendar");
            if (!calendar)
                return;
            EXPECT_EQ(calendar->selectedDate(), dayZero.addDays(45000));
            EXPECT_EQ(calendar->minimumDate(), dayZero.addDays(44635));
            calendar->setSelectedDate(dayZero.addDays(45010));
            ClickChild(dialog, confirm ? "buttonOk" : "buttonCancel");
        });
        int32_t date = 45000;
        EXPECT_EQ(ShowSelectDateDialog(date, 44635), confirm ? 1 : 0);
        EXPECT_EQ(date, confirm ? 45010 : 45000);
    }
}

TEST(obDialogsBinding, ProjectServiceLogOnFillsFourTexts)
{
    UseBuiltLibrary();
    AnswerNextModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Tessal :Подключение к ZUV"));
        auto *account = ChildOf<QLineEdit>(dialog, "editAccount");
        auto *user = ChildOf<QLineEdit>(dialog, "editUserName");
        auto *project = ChildOf<QLineEdit>(dialog, "editProjectNumber");
        if (!account || !user || !project)
            return;
        EXPECT_EQ(account->text(), QStringLiteral("expert"));
        user->setText(QStringLiteral("Сидоров"));
        project->setText(QStringLiteral("123"));
        ClickChild(dialog, "buttonOk");
    });
    QString account = QStringLiteral("expert"), password = QStringLiteral("secret"), user, project;
    const DialogsCallOutcome outcome = CallShowDlgSimLogin(account, password, user, project);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(account, QStringLiteral("expert"));
    EXPECT_EQ(password, QStringLiteral("secret"));
    EXPECT_EQ(user, QStringLiteral("Сидоров"));
    EXPECT_EQ(project, QStringLiteral("123"));
}

TEST(obDialogsBinding, AboutBoxShowsItsTexts)
{
    UseBuiltLibrary();
    AnswerNextModal([](QWidget *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("О программе"));
        EXPECT_GT(dialog->width(), dialog->fontMetrics().horizontalAdvance(dialog->windowTitle()));
        EXPECT_GE(dialog->width(), 360); // the texts are not squeezed into a narrow column
        if (auto *version = ChildOf<QLabel>(dialog, "labelVersion")) {
            EXPECT_EQ(version->text(), QStringLiteral("  Версия 1.4.1.6 \n"));
        }
        // CR LF, a lone CR, a lone LF and LF CR each break the line once.
        if (auto *description = ChildOf<QLabel>(dialog, "labelDescription")) {
            EXPECT_EQ(description->text(), QStringLiteral("a\nb\nc\nd\ne"));
        }
        if (auto *contact = ChildOf<QLabel>(dialog, "labelContact")) {
            EXPECT_EQ(contact->text(), QStringLiteral("support"));
        }
        ClickChild(dialog, "buttonOk");
    });
    const DialogsCallOutcome outcome = CallShowDlgAbout(QStringLiteral("a\r\nb\rc\nd\n\re"), QStringLiteral("support"));
    EXPECT_EQ(outcome.status, DialogsCallStatus::Called);
    EXPECT_EQ(outcome.result, 1);
}

TEST(obDialogsBinding, LibraryExportsTheFourFunctions)
{
    const QString nm = QStandardPaths::findExecutable(QStringLiteral("nm"));
    if (nm.isEmpty())
        GTEST_SKIP() << "nm is not installed";
    QProcess process;
    process.start(nm, {QStringLiteral("-D"), QStringLiteral("--defined-only"), BuiltLibrary()});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QStringList functions;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() == 3 && fields[1] == "T")
            functions << QString::fromLatin1(fields[2]);
    }
    functions.sort();
    EXPECT_EQ(functions, QStringList({QStringLiteral("ShowDlgAbout"), QStringLiteral("ShowDlgLogin"),
                                      QStringLiteral("ShowDlgSelectDate"), QStringLiteral("ShowDlgSimLogin")}));
}
