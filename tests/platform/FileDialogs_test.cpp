#include "FileDialogs.h"
#include "Prompter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(FileDialogs, RealDialogsAnswerCancelWithoutAScreen)
{
    // The tests run on the offscreen platform: a shown dialog would wait forever.
    QtFileDialogs dialogs;
    const FileDialogRequest request{FileDialogRequest::OpenFile, QStringLiteral("Открываем файл"), QDir::tempPath(),
                                    QStringLiteral("DataFromServer.cod"), {QStringLiteral("*.cod")}, "cod"};
    EXPECT_EQ(dialogs.openFile(request), std::nullopt);
    EXPECT_EQ(dialogs.saveFile(request), std::nullopt);
    EXPECT_EQ(dialogs.chooseFolder(request), std::nullopt);
    EXPECT_EQ(FileDialogsInUse().openFile(request), std::nullopt);
}

TEST(FileDialogs, ScriptedDialogsRecordTheRequestsAndAnswerInTurn)
{
    ScopedScriptedFileDialogs script;
    script->answer(QStringLiteral("/tmp/a.cod"));
    FileDialogRequest request;
    request.title = QStringLiteral("Куда сохранять результат?");
    EXPECT_EQ(FileDialogsInUse().saveFile(request), QStringLiteral("/tmp/a.cod"));
    EXPECT_EQ(FileDialogsInUse().chooseFolder({}), std::nullopt); // nothing queued: Cancel
    ASSERT_EQ(script->requests().size(), 2);
    EXPECT_EQ(script->requests()[0].kind, FileDialogRequest::SaveFile);
    EXPECT_EQ(script->requests()[0].title, request.title);
    EXPECT_EQ(script->requests()[1].kind, FileDialogRequest::ChooseFolder);
}

// A file to write that exists already is replaced only when the operator
// agrees; the question names the file. A new file is not asked about.
TEST(FileDialogs, SavingOverAnExistingFileAsksFirst)
{
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("есть.pdf"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const struct {
        const char *name;
        QString chosen;
        std::optional<int> reply; // the answer to the replacement question; none: not asked
        bool given;
    } table[] = {
        {"a new file", folder.filePath(QStringLiteral("нет.pdf")), std::nullopt, true},
        {"replacement agreed", existing, Prompt::IdYes, true},
        {"replacement refused", existing, Prompt::IdNo, false},
    };
    for (const auto &row : table) {
        SCOPED_TRACE(row.name);
        ScopedScriptedFileDialogs script;
        ScopedScriptedPrompter prompts;
        script->answer(row.chosen);
        if (row.reply)
            prompts->answer(*row.reply);
        const std::optional<QString> got = FileDialogsInUse().saveFile({});
        EXPECT_EQ(got, row.given ? std::optional<QString>(row.chosen) : std::nullopt);
        ASSERT_EQ(prompts->shown().size(), row.reply ? 1 : 0);
        if (row.reply) {
            EXPECT_TRUE(prompts->shown().first().text.contains(row.chosen));
            EXPECT_EQ(prompts->shown().first().buttons, Prompt::YesNo);
        }
    }
    {
        // After a refusal the dialog comes back at the refused file, and the
        // name chosen then is the answer.
        ScopedScriptedFileDialogs script;
        ScopedScriptedPrompter prompts;
        script->answer(existing);
        prompts->answer(Prompt::IdNo);
        const QString other = folder.filePath(QStringLiteral("другой.pdf"));
        script->answer(other);
        EXPECT_EQ(FileDialogsInUse().saveFile({}), other);
        ASSERT_EQ(script->requests().size(), 2);
        EXPECT_EQ(script->requests()[1].fileName, QStringLiteral("есть.pdf"));
        EXPECT_EQ(QDir(script->requests()[1].folder), QDir(folder.path()));
    }
    // Opening an existing file is no replacement.
    ScopedScriptedFileDialogs script;
    ScopedScriptedPrompter prompts;
    script->answer(existing);
    EXPECT_EQ(FileDialogsInUse().openFile({}), existing);
    EXPECT_TRUE(prompts->shown().isEmpty());
}
