// The folder dialog: its flags and what Execute gives back.
#include "ModalDriver.h"
#include "SelectDirDialog.h"

#include <QDir>
#include <QFileDialog>
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

    TSelectDirDialog dialog;
    dialog.setCaption(QByteArrayLiteral("Папка архива"));
    AnswerNextModal([&](QWidget *modal) {
        auto *browser = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(browser->windowTitle(), QStringLiteral("Папка архива"));
        // Accepting a folder browser with nothing selected chooses the folder it
        // shows; selecting an entry would race the dialog's file listing.
        browser->setDirectory(chosen);
        QMetaObject::invokeMethod(browser, "accept");
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Directory().toStdString(), chosen.toStdString());

    AnswerNextModal([](QWidget *modal) { modal->close(); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(dialog.Directory().isEmpty());
}
