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
    // The designed size and places, grown downwards only where this machine's
    // fonts need more room for the texts.
    EXPECT_EQ(dialog.width(), 533);
    EXPECT_GE(dialog.height(), 177);
    EXPECT_EQ(dialog.TntStaticText1->text(),
              QStringLiteral("    База данных в настоящее время используется другим экземпляром программы.\n"
                             "Одновременная работа запрещена."));
    const QRect text = dialog.TntStaticText1->geometry();
    EXPECT_EQ(text.topLeft(), QPoint(0, 0));
    EXPECT_EQ(text.width(), 533);
    EXPECT_GE(text.height(), 65);
    EXPECT_EQ(dialog.ButtonExit->caption(),
              QStringLiteral("Выйти из программы. (Другой экземпляр продолжит свою работу.)"));
    EXPECT_EQ(dialog.ButtonClear->caption(), QStringLiteral("Отключить другой экземпляр и выйти из программы."));
    for (const QWidget *button : {static_cast<QWidget *>(dialog.ButtonExit), static_cast<QWidget *>(dialog.ButtonClear)}) {
        EXPECT_EQ(button->y(), text.bottom() + 1 + 15);
        EXPECT_EQ(button->width(), 153);
        EXPECT_GE(button->height(), 89);
    }
    EXPECT_EQ(dialog.ButtonExit->x(), 56);
    EXPECT_EQ(dialog.ButtonClear->x(), 320);
    EXPECT_TRUE(dialog.ButtonClear->font().bold());
    EXPECT_EQ(dialog.ButtonClear->font().pixelSize(), 13);
}

// Neither the message nor a button caption is clipped, whatever fonts the
// machine has in place of Arial.
TEST(TFormDlgNetExit, TextsFitTheirPlaces)
{
    TFormDlgNetExit dialog;
    dialog.show();
    QLabel *text = dialog.TntStaticText1;
    EXPECT_LE(text->heightForWidth(text->width()), text->height());
    for (QPushButton *button : {static_cast<QPushButton *>(dialog.ButtonExit), static_cast<QPushButton *>(dialog.ButtonClear)}) {
        auto *caption = button->findChild<QLabel *>(QStringLiteral("caption"));
        ASSERT_NE(caption, nullptr);
        EXPECT_LE(caption->heightForWidth(caption->width()), caption->height()) << caption->text().toStdString();
        EXPECT_LE(caption->geometry().bottom(), button->rect().bottom());
        EXPECT_LE(button->geometry().bottom(), dialog.rect().bottom());
    }
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
