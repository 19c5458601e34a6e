#include "ClientDataSet.h"
#include "Prompter.h"
#include "SqlQuery.h"
#include "SqliteDatabase.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTextDocument>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

const QString kZhe = QString(QChar(0x0416)); // Cyrillic capital Zhe: two bytes 16 04 in UTF-16LE

// A shown window with a memo and a line edit to move the focus to.
class MemoWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto *layout = new QVBoxLayout(&window);
        memo = new TqlTntDBMemo(&window);
        other = new QLineEdit(&window);
        layout->addWidget(memo);
        layout->addWidget(other);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    void openGoods(const QList<FieldDef> &fields, const QList<QVariant> &firstRow)
    {
        goods.setFieldDefs(fields);
        goods.createDataSet();
        goods.append();
        for (int i = 0; i < firstRow.size(); ++i)
            goods.field(i).setValue(firstRow[i]);
        goods.post();
        memo->setDataSource(&goods);
    }

    void focusMemo()
    {
        memo->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(memo->hasFocus());
    }

    void leaveMemo()
    {
        other->setFocus();
        QApplication::processEvents();
    }

    QWidget window;
    TqlTntDBMemo *memo = nullptr;
    QLineEdit *other = nullptr;
    ClientDataSet goods;
};

const QList<FieldDef> kBlobFields = {FieldDef("id", FieldType::Integer), FieldDef("Notes", FieldType::Blob)};

// Types characters that QTest's key table does not know.
void TypeWide(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

QByteArray Utf16Le(std::initializer_list<unsigned char> bytes)
{
    return QByteArray(reinterpret_cast<const char *>(std::data(bytes)), int(bytes.size()));
}

} // namespace

TEST_F(MemoWindow, FocusLossWritesTheTextAsUtf16LeWithCrLfIntoTheBlob)
{
    openGoods(kBlobFields, {1, QVariant()});
    memo->setTypeBlob(TqlTntTypeBlob::edsWideString);
    memo->setDataField("Notes");
    EXPECT_TRUE(memo->isReadOnly()); // browsing
    focusMemo();
    TypeWide(memo, kZhe);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "b");
    EXPECT_EQ(goods.state(), DataSet::State::Edit); // typing started the edit
    EXPECT_FALSE(memo->isReadOnly());
    EXPECT_TRUE(goods.fieldByName("Notes").isNull()); // nothing written while typing
    EXPECT_EQ(memo->toPlainText(), kZhe + "\nb");
    EXPECT_EQ(memo->text(), kZhe + "\r\nb");

    leaveMemo();
    const QByteArray expected = Utf16Le({0x16, 0x04, 0x0D, 0x00, 0x0A, 0x00, 0x62, 0x00});
    EXPECT_EQ(goods.fieldByName("Notes").asBytes(), expected);
    EXPECT_FALSE(memo->isModified());
    goods.post();
    EXPECT_EQ(goods.rowValue(0, 1).toByteArray(), expected);
    EXPECT_EQ(memo->toPlainText(), kZhe + "\nb"); // reloaded from the stored CR LF
}

TEST_F(MemoWindow, StoredCrLfShowsAsLinesAndAPostWritesPendingTextFirst)
{
    openGoods(kBlobFields, {1, QByteArray("one\r\ntwo")});
    memo->setDataField("Notes"); // edsString: the blob holds UTF-8
    EXPECT_EQ(memo->toPlainText(), "one\ntwo");
    EXPECT_EQ(memo->document()->blockCount(), 2);
    focusMemo();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "!");
    goods.post(); // while the memo still has the focus
    EXPECT_EQ(goods.rowValue(0, 1).toByteArray(), QByteArray("one\r\ntwo!"));
}

TEST_F(MemoWindow, EscapeShowsTheFieldsValueAgain)
{
    openGoods(kBlobFields, {1, QByteArray("kept")});
    memo->setDataField("Notes");
    focusMemo();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, " lost");
    EXPECT_EQ(memo->text(), "kept lost");
    QTest::keyClick(memo, Qt::Key_Escape);
    EXPECT_EQ(memo->text(), "kept");
    EXPECT_FALSE(memo->isModified());
    leaveMemo();
    EXPECT_EQ(goods.fieldByName("Notes").asBytes(), QByteArray("kept"));

    // Cancelling the dataset's edit shows the stored value again.
    focusMemo();
    QTest::keyClicks(memo, "new ");
    leaveMemo();
    EXPECT_EQ(memo->text(), "new kept");
    goods.cancel();
    EXPECT_EQ(memo->text(), "kept");
    EXPECT_TRUE(memo->isReadOnly());
}

TEST_F(MemoWindow, WithoutAutoDisplayABlobShowsItsNameUntilEnterOrADoubleClick)
{
    openGoods(kBlobFields, {1, QByteArray("secret\nline")});
    memo->setDataField("Notes");
    EXPECT_EQ(memo->copyText(), "secret\r\nline"); // a copy in a panel grid shows CR LF breaks
    memo->setAutoDisplay(false);
    memo->setDataSource(nullptr);
    memo->setDataSource(&goods);
    EXPECT_EQ(memo->text(), "(Notes)");
    EXPECT_EQ(memo->copyText(), "(Notes)");
    EXPECT_FALSE(memo->isLoaded());
    focusMemo();
    QTest::keyClicks(memo, "xy"); // swallowed, no edit started
    EXPECT_EQ(memo->text(), "(Notes)");
    EXPECT_EQ(goods.state(), DataSet::State::Browse);
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_TRUE(memo->isLoaded());
    EXPECT_EQ(memo->text(), "secret\r\nline");

    goods.append(); // another row: the name again
    goods.fieldByName("id").setValue(2);
    goods.post();
    EXPECT_EQ(memo->text(), "(Notes)");
    QTest::mouseDClick(memo->viewport(), Qt::LeftButton);
    EXPECT_EQ(memo->text(), "");
    EXPECT_TRUE(memo->isLoaded());
}

TEST_F(MemoWindow, ReadOnlyUnlessTheDataSetMayBeEdited)
{
    openGoods(kBlobFields, {1, QByteArray("fixed")});
    memo->setDataField("Notes");
    memo->setDataReadOnly(true);
    focusMemo();
    QTest::keyClicks(memo, "zz");
    EXPECT_EQ(memo->text(), "fixed");
    EXPECT_EQ(goods.state(), DataSet::State::Browse);
    goods.edit(); // someone else edits: the memo's own ReadOnly still holds
    EXPECT_TRUE(memo->isReadOnly());
    goods.cancel();

    memo->setDataReadOnly(false);
    goods.edit();
    EXPECT_FALSE(memo->isReadOnly()); // the dataset edits and the memo is loaded
    goods.cancel();
    EXPECT_TRUE(memo->isReadOnly());

    // A query is never edited through the memo.
    QTemporaryDir dir;
    SqliteDatabase db;
    db.open(dir.filePath("m.sqb"));
    db.exec("CREATE TABLE Phrase (id INTEGER, name BLOB)");
    SqliteStatement insert(db, "INSERT INTO Phrase VALUES (1, :name)");
    insert.bindWideBlob("name", "Boxes");
    insert.execute();
    SqlQuery query(&db);
    query.setSql("select * from Phrase");
    query.open();
    memo->setDataSource(&query);
    memo->setDataField("name");
    memo->setTypeBlob(TqlTntTypeBlob::edsWideString);
    EXPECT_EQ(memo->text(), "Boxes");
    QTest::keyClicks(memo, "zz");
    EXPECT_EQ(memo->text(), "Boxes");
    EXPECT_TRUE(memo->isReadOnly());
    memo->setDataSource(nullptr);
    EXPECT_EQ(memo->text(), "");
}

TEST_F(MemoWindow, AWideStringFieldKeepsItsLengthLimitWithCrLfCountingTwo)
{
    openGoods({FieldDef("d9p", FieldType::WideString, 5)}, {QString("ab")});
    memo->setTypeBlob(TqlTntTypeBlob::edsWideString); // changes nothing on a wide-string field
    memo->setDataField("d9p");
    EXPECT_EQ(memo->maxLength(), 5);
    focusMemo();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "cdef");
    EXPECT_EQ(memo->text(), "abcde");
    QTest::keyClick(memo, Qt::Key_Backspace);
    QTest::keyClick(memo, Qt::Key_Backspace);
    QTest::keyClick(memo, Qt::Key_Return); // CR LF: exactly the two places left
    QTest::keyClick(memo, Qt::Key_Return);
    EXPECT_EQ(memo->text(), "abc\r\n");

    QApplication::clipboard()->setText("0123456789");
    memo->selectAll();
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo->text(), "01234");
    leaveMemo();
    EXPECT_EQ(goods.fieldByName("d9p").asString(), "01234");
}

TEST_F(MemoWindow, AFieldThatRefusesTheTextKeepsTheFocus)
{
    openGoods({FieldDef("count", FieldType::Integer)}, {12});
    memo->setDataField("count");
    focusMemo();
    memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(memo, "x3"); // a letter is dropped, a digit taken
    EXPECT_EQ(memo->text(), "123");
    QApplication::clipboard()->setText("y");
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier); // pasting is not checked per character
    ScopedScriptedPrompter boxes;
    leaveMemo();
    ASSERT_EQ(boxes->shown().size(), 1);
    EXPECT_TRUE(boxes->shown()[0].text.contains("123y"));
    EXPECT_TRUE(memo->hasFocus());
    EXPECT_EQ(goods.fieldByName("count").asInteger(), 12);
}
