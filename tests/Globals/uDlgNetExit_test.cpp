// The run identifier and the "Stop" dialog.
#include "ModalDriver.h"
#include "uDlgNetExit.h"

#include <QLabel>
#include <QRegularExpression>
#include <gtest/gtest.h>

TEST(InstanceGuid, IsOneUpperCaseBraceTextForTheWholeRun)
{
    const QString text = InstanceGuidText();
    EXPECT_EQ(text.size(), 38);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(
                    "^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"))
                    .match(text)
                    .hasMatch())
        << text.toStdString();
    EXPECT_FALSE(InstanceGuid().isNull());
    EXPECT_EQ(InstanceGuidText(), text);
    EXPECT_EQ(QUuid::fromString(text), InstanceGuid());
}

TEST(TFormDlgNetExit, ShowsItsTexts)
{
    TFormDlgNetExit dialog;
    EXPECT_EQ(dialog.objectName(), QStringLiteral("FormDlgNetExit"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Stop"));
    EXPECT_EQ(dialog.size(), QSize(533, 177));
    EXPECT_EQ(dialog.TntStaticText1->text(),
              QStringLiteral("    База данных в настоящее время используется другим экземпляром программы.\n"
                             "Одновременная работа запрещена."));
    EXPECT_EQ(dialog.TntStaticText1->geometry(), QRect(0, 0, 533, 65));
    EXPECT_EQ(dialog.ButtonExit->caption(),
              QStringLiteral("Выйти из программы. (Другой экземпляр продолжит свою работу.)"));
    EXPECT_EQ(dialog.ButtonExit->geometry(), QRect(56, 80, 153, 89));
    EXPECT_EQ(dialog.ButtonClear->caption(), QStringLiteral("Отключить другой экземпляр и выйти из программы."));
    EXPECT_EQ(dialog.ButtonClear->geometry(), QRect(320, 80, 153, 89));
    EXPECT_TRUE(dialog.ButtonClear->font().bold());
    EXPECT_EQ(dialog.ButtonClear->font().pixelSize(), 13);
}

TEST(TFormDlgNetExit, ButtonsGiveNoAndYes)
{
    const struct {
        const char *button;
        int result;
    } cases[] = {{"ButtonExit", 7}, {"ButtonClear", 6}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.button);
        TFormDlgNetExit dialog;
        AnswerNextModal([&](QWidget *modal) { ClickChild(modal, c.button); });
        EXPECT_EQ(dialog.exec(), c.result);
    }
}
