// The folder dialog: its flags and what Execute gives back.
#include "FileDialogs.h"
#include "SelectDirDialog.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(TSelectDirDialog, FlagsSumToTheBrowserFlags)
{
    const struct {
        TulFlags flags;
        uint32_t expected;
    } cases[] = {
        {{}, 0},
        {TulFlag::sRETURNONLYFSDIRS | TulFlag::sSTATUSTEXT | TulFlag::sRETURNFSANCESTORS
             | TulFlag::sBROWSEFORCOMPUTER,
         0x100D},
        {TulFlag::sDONTGOBELOWDOMAIN | TulFlag::sBROWSEFORPRINTER | TulFlag::sBROWSEINCLUDEFILES, 0x6002},
    };
    for (const auto &c : cases) {
        TSelectDirDialog dialog;
        dialog.setUlFlags(c.flags);
        EXPECT_EQ(dialog.BrowserFlags(), c.expected);
    }
}

TEST(TSelectDirDialog, ExecuteGivesTheChosenFolderOrNothing)
{
    QTemporaryDir root;
    const QString chosen = root.filePath(QStringLiteral("Архив"));
    ASSERT_TRUE(QDir().mkpath(chosen));

    ScopedScriptedFileDialogs dialogs;
    TSelectDirDialog dialog;
    dialog.setCaption(QByteArrayLiteral("Папка архива"));
    dialog.setUlFlags(TulFlag::sRETURNONLYFSDIRS);
    dialogs->answer(chosen);
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Directory().toStdString(), chosen.toStdString());

    dialogs->answer(std::nullopt);
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(dialog.Directory().isEmpty()) << "a cancel forgets the last folder";

    dialog.setUlFlags(TulFlag::sBROWSEINCLUDEFILES);
    dialogs->answer(chosen);
    EXPECT_TRUE(dialog.Execute());

    ASSERT_EQ(dialogs->requests().size(), 3);
    EXPECT_EQ(dialogs->requests()[0].kind, FileDialogRequest::ChooseFolder);
    EXPECT_EQ(dialogs->requests()[0].title, QStringLiteral("Папка архива"));
    EXPECT_FALSE(dialogs->requests()[0].showFiles);
    EXPECT_TRUE(dialogs->requests()[2].showFiles);
}
