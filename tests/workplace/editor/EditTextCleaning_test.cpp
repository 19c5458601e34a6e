#include "EditTextCleaning.h"
#include "NumberMaskEdit.h"

#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

#include <random>

namespace {

struct CleaningCase {
    const char *name;
    QString (*clean)(const QString &);
    QString input;
    QString expected;
};

TEST(EditTextCleaning, CasesOfEveryBoxKind)
{
    const QString ctl = QString(QChar(1)) + QChar(8) + QChar(11) + QChar(12) + QChar(14) + QChar(31);
    const CleaningCase cases[] = {
        {"lone LF", CleanMemoText, "a\nb", "a\r\nb"},
        {"lone CR", CleanMemoText, "a\rb", "a\r\nb"},
        {"LF LF", CleanMemoText, "a\n\nb", "a\r\nb"},
        {"LF LF LF", CleanMemoText, "a\n\n\nb", "a\r\n\r\nb"},
        {"CR LF CR LF stays", CleanMemoText, "a\r\n\r\nb", "a\r\n\r\nb"},
        {"CR LF stays", CleanMemoText, "a\r\nb", "a\r\nb"},
        {"CR CR", CleanMemoText, "a\r\rb", "a\r\n\r\nb"},
        {"tab", CleanMemoText, "a\tb", "a b"},
        {"control characters", CleanMemoText, "a" + ctl + "b", "ab"},
        {"nothing to do", CleanMemoText, "Россия", "Россия"},
        {"one line: CR and LF go", CleanLineText, "a\r\nb\rc\nd\n\n", "abcd"},
        {"one line: tab and controls", CleanLineText, "a\t" + ctl + "b", "a b"},
        {"mask gaps", CleanNumberText, "12_4__", "120400"},
        {"mask empty", CleanNumberText, "______", "000000"},
        {"mask full", CleanNumberText, "123456", "123456"},
    };
    for (const CleaningCase &c : cases)
        EXPECT_EQ(c.clean(c.input), c.expected) << c.name;
}

// Ten lines that say the memo rule the plain way.
QString ReferenceMemoCleaning(QString t)
{
    t.replace("\r", "\r\n");
    t.replace("\n\n", "\n");
    t.replace("\n", "\r\n");
    t.replace("\r\r", "\r");
    for (ushort c = 0; c < 32; ++c)
        if (c != 9 && c != 10 && c != 13)
            t.remove(QChar(c));
    t.replace("\t", " ");
    return t;
}

TEST(EditTextCleaning, MemoCleaningAgreesWithTheReferenceOnRandomTexts)
{
    const QChar alphabet[] = {QLatin1Char('a'), QChar(13), QChar(10), QChar(9), QChar(1)};
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> pick(0, 4), length(0, 24);
    for (int round = 0; round < 5000; ++round) {
        QString text;
        for (int i = length(random); i > 0; --i)
            text.append(alphabet[pick(random)]);
        ASSERT_EQ(CleanMemoText(text), ReferenceMemoCleaning(text)) << text.toUtf8().toHex().constData();
    }
}

TEST(EditTextCleaning, CleanedTextHasOnlyCrLfBreaksAndIsStable)
{
    for (const QString &text : {QString("x\n\r\n\ry"), QString("\r\r\r"), QString("\n\r\n\n\r")}) {
        const QString once = CleanMemoText(text);
        EXPECT_EQ(CleanMemoText(once), once);
        EXPECT_EQ(once.count("\r"), once.count("\r\n"));
        EXPECT_EQ(once.count("\n"), once.count("\r\n"));
    }
}

TEST(NumberMaskEdit, KeepsItsPlacesWhateverIsTyped)
{
    NumberMaskEdit edit(6);
    EXPECT_EQ(edit.editText(), "______");
    edit.setEditText("12a4");
    EXPECT_EQ(edit.editText(), "124___");
    edit.setEditText("1234567");
    EXPECT_EQ(edit.editText(), "123456");

    // Overwrite typing, Backspace and Delete leave gaps rather than closing them.
    edit.setCursorPosition(2);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.editText(), "1_3456");
    EXPECT_EQ(edit.cursorPosition(), 1);
    QTest::keyClick(&edit, Qt::Key_Right);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.editText(), "1__456");
    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.editText(), "1__4__");
    edit.setCursorPosition(1);
    QTest::keyClicks(&edit, "2x");
    EXPECT_EQ(edit.editText(), "12_4__");
    EXPECT_EQ(edit.cursorPosition(), 2);
    QTest::keyClicks(&edit, "99999");
    EXPECT_EQ(edit.editText(), "129999");
    EXPECT_EQ(edit.text().size(), 6);
}

} // namespace
