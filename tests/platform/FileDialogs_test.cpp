#include "FileDialogs.h"

#include <QDir>
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
