// Message boxes without a screen: written to standard error and answered
// with their default button, in this process and in a real child process.
#include "ChildRole.h"
#include "Prompter.h"

#include <gtest/gtest.h>

TEST(Prompter, BoxesWithoutAScreenTakeTheirDefaultButton)
{
    struct Row {
        const char *name;
        Prompt::Buttons buttons;
        int answer;
    };
    const QList<Row> rows = {
        {"ok", Prompt::Ok, Prompt::IdOk},
        {"ok cancel", Prompt::OkCancel, Prompt::IdOk},
        {"yes no", Prompt::YesNo, Prompt::IdYes},
        {"yes no cancel", Prompt::YesNoCancel, Prompt::IdYes},
        {"yes cancel", Prompt::YesCancel, Prompt::IdYes},
        {"no only", Prompt::NoOnly, Prompt::IdNo},
    };
    MessageBoxPrompter boxes; // the tests run on the offscreen platform
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(boxes.ask(QStringLiteral("?"), QStringLiteral("Tessal"), Prompt::Question, row.buttons), row.answer);
        EXPECT_EQ(ScriptedPrompter().ask(QStringLiteral("?"), QString(), Prompt::Question, row.buttons), row.answer);
    }
}

TEST(Prompter, AProgramWithoutAScreenAnswersAndGoesOn)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(ChildRoleVariable, QStringLiteral("ask"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ChildRole.Play")});
    ASSERT_TRUE(child.waitForFinished(30000)) << "the box waited";
    EXPECT_EQ(child.exitCode(), Prompt::IdYes);
    EXPECT_TRUE(child.readAllStandardError().contains(
        QStringLiteral("message box: Certificate of origin: Продолжить?\n").toUtf8()));
}

TEST(ChildRole, Play)
{
    if (ChildRole() != QLatin1String("ask"))
        GTEST_SKIP();
    // No prompter installed: the program's own.
    std::exit(Prompts().ask(QStringLiteral("Продолжить?"), QStringLiteral("Certificate of origin"), Prompt::Warning,
                            Prompt::YesNo));
}
