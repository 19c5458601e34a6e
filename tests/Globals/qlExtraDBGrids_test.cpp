#include "ClientDataSet.h"
#include "DataSetModel.h"
#include "SqlQuery.h"
#include "SqliteDatabase.h"
#include "ggError.h"
#include "ggLayoutStore.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

const QString kLong = "A rather long description of goods that cannot fit a narrow cell";

// A shown window holding a grid over an in-memory list of certificates.
class GridWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        certs.setFieldDefs({FieldDef("id", FieldType::Integer), FieldDef("status", FieldType::Integer),
                            FieldDef("name", FieldType::WideString, 200), FieldDef("Notes", FieldType::Blob),
                            FieldDef("issued", FieldType::Date)});
        certs.createDataSet();
        const QList<QVariantList> rows = {{1, 6, "Short", QVariant(), 45000},
                                          {2, 7, kLong, QByteArray("x"), QVariant()},
                                          {3, 6, "Third", QVariant(), QVariant()},
                                          {4, 8, "Fourth", QVariant(), QVariant()}};
        for (const QVariantList &row : rows) {
            certs.append();
            for (int i = 0; i < row.size(); ++i)
                certs.field(i).setValue(row[i]);
            certs.post();
        }
        certs.first();
        auto *layout = new QVBoxLayout(&window);
        grid = new TqlDBGrid(&window);
        other = new QLineEdit(&window);
        layout->addWidget(grid);
        layout->addWidget(other);
        window.resize(640, 400);
    }

    void showWindow()
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QModelIndex cell(int row, const QString &field) const
    {
        return grid->dataModel()->index(row, grid->dataModel()->columnOfField(field));
    }

    void click(const QModelIndex &index)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(index).center());
    }

    void moveMouse(QWidget *area, const QPoint &pos)
    {
        QMouseEvent move(QEvent::MouseMove, pos, area->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(area, &move);
    }

    QWidget window;
    TqlDBGrid *grid = nullptr;
    QLineEdit *other = nullptr;
    ClientDataSet certs;
};

QStringList ShownTitles(const TqlDBGrid &grid)
{
    QStringList titles;
    const QHeaderView *header = grid.horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            titles << grid.model()->headerData(logical, Qt::Horizontal).toString();
    }
    return titles;
}

} // namespace

TEST_F(GridWindow, ShowsEveryFieldOrItsOwnColumnsInTheirOrder)
{
    grid->setDataSource(&certs);
    EXPECT_EQ(grid->columns().state(), T_TntDBGridColumns::State::Default);
    EXPECT_EQ(ShownTitles(*grid), QStringList({"id", "status", "name", "Notes", "issued"}));
    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(cell(0, "issued").data().toString(), "15.03.2023");
    EXPECT_EQ(cell(0, "Notes").data().toString(), "(blob)");
    EXPECT_EQ(cell(1, "Notes").data().toString(), "(BLOB)");
    EXPECT_EQ(grid->model()->headerData(2, Qt::Horizontal, FieldNameRole).toString(), "name");
    EXPECT_TRUE(grid->property(kLayoutBoundsOnlyProperty).toBool());

    T_TntColumn &name = grid->columns().add("name");
    name.title().setCaption("Sender");
    name.setWidth(150);
    grid->columns().add("id").setWidth(40);
    grid->columns().add("missing");
    EXPECT_EQ(ShownTitles(*grid), QStringList({"Sender", "id"}));
    EXPECT_EQ(grid->columns().column(0).field(), certs.findField("name"));
    EXPECT_EQ(grid->columns().column(2).field(), nullptr);
    EXPECT_THROW(grid->columns().column(3), AppError);

    // Rows coming and going reset the model; the columns stay as they were set.
    certs.append();
    certs.fieldByName("id").setValue(5);
    certs.post();
    certs.last();
    certs.deleteRecord();
    EXPECT_EQ(ShownTitles(*grid), QStringList({"Sender", "id"}));
    EXPECT_EQ(grid->columns().column(0).width(), 150);
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(grid->dataModel()->columnOfField("id")), 40);
}

// The grid orders its columns anew whenever its data set opens or its rows
// reset; the table lays itself out once after: each cell stands under its
// title, and the columns wider than the window scroll.
TEST_F(GridWindow, CellsStandUnderTheirTitlesWhenTheColumnsAreOrderedAnew)
{
    grid->setDataSource(&certs);
    showWindow();
    grid->columns().add("issued").setWidth(300);
    grid->columns().add("name").setWidth(300);
    grid->columns().add("id").setWidth(300);
    certs.append();
    certs.fieldByName("id").setValue(5);
    certs.post();
    EXPECT_EQ(ShownTitles(*grid), QStringList({"issued", "name", "id"}));
    const QHeaderView *header = grid->horizontalHeader();
    for (const char *field : {"issued", "name", "id"}) {
        SCOPED_TRACE(field);
        const int section = grid->dataModel()->columnOfField(field);
        EXPECT_EQ(grid->visualRect(cell(0, field)).left(), header->sectionViewportPosition(section));
        EXPECT_EQ(grid->columnAt(header->sectionViewportPosition(section) + 10), section);
    }
    EXPECT_EQ(grid->visualRect(cell(0, "issued")).left(), 0);
    EXPECT_GT(grid->horizontalScrollBar()->maximum(), 0);
}

TEST_F(GridWindow, ShowsAQueryOnADatabaseFileWithWideMemoCells)
{
    QTemporaryDir dir;
    SqliteDatabase db;
    db.open(dir.filePath("Tessal.sqb"));
    db.exec("CREATE TABLE Phrase (id INTEGER, lang TEXT(2), name BLOB)");
    SqliteStatement insert(db, "INSERT INTO Phrase VALUES (:id, 'ru', :name)");
    const QStringList names = {QString::fromUtf8("Ящики\r\nдеревянные"), "Boxes"};
    for (int i = 0; i < names.size(); ++i) {
        insert.bindInteger("id", i + 1);
        insert.bindWideBlob("name", names[i]);
        insert.execute();
        insert.reset();
    }
    SqlQuery phrases(&db);
    phrases.setSql("select * from Phrase order by id");
    phrases.open();
    grid->setDataSource(&phrases);
    T_TntColumn &name = grid->columns().add("name");
    name.setEditorType(TqlEditorType::edsMemo);
    name.setTypeBlob(TqlTntTypeBlob::edsWideString);
    ASSERT_EQ(grid->model()->rowCount(), 2);
    const TqlCellPaint first = grid->defaultCellPaint(cell(0, "name"), false);
    EXPECT_EQ(first.text, names[0]);
    EXPECT_TRUE(first.wordWrap);
    EXPECT_EQ(grid->defaultCellPaint(cell(1, "name"), false).text, "Boxes");

    // Without the memo editor kind the blob shows as the platform grid shows it.
    name.setEditorType(TqlEditorType::edsDefault);
    EXPECT_EQ(grid->defaultCellPaint(cell(1, "name"), false).text, "(BLOB)");
    EXPECT_FALSE(grid->defaultCellPaint(cell(1, "name"), false).wordWrap);

    phrases.refresh();
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(ShownTitles(*grid), QStringList({"name"}));
}

TEST_F(GridWindow, CurrentRowFollowsClicksTheDataSetAndTheWheel)
{
    grid->setDataSource(&certs);
    showWindow();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    click(cell(2, "name"));
    EXPECT_EQ(certs.recNo(), 3);
    EXPECT_EQ(grid->selectedField(), certs.findField("name"));

    certs.first();
    EXPECT_EQ(grid->currentIndex().row(), 0);
    certs.setRecNo(4);
    EXPECT_EQ(grid->currentIndex().row(), 3);

    const QPoint at = grid->visualRect(cell(3, "id")).center();
    QWheelEvent up(at, grid->viewport()->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &up);
    EXPECT_EQ(certs.recNo(), 3);
    QWheelEvent downTwice(at, grid->viewport()->mapToGlobal(at), {}, QPoint(0, -240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid->viewport(), &downTwice);
    QApplication::sendEvent(grid->viewport(), &downTwice);
    EXPECT_EQ(certs.recNo(), 4); // stays at the last row
    EXPECT_EQ(grid->currentIndex().row(), 3);

    // A click beside the last column changes nothing.
    const QHeaderView *header = grid->horizontalHeader();
    const int right = header->sectionViewportPosition(header->logicalIndex(header->count() - 1)) +
                      header->sectionSize(header->logicalIndex(header->count() - 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(right + 20, 5));
    EXPECT_EQ(certs.recNo(), 4);
}

TEST_F(GridWindow, TitleClicksNameTheColumn)
{
    grid->setDataSource(&certs);
    grid->columns().add("name");
    grid->columns().add("status");
    showWindow();
    QList<int> clicked;
    QObject::connect(grid, &TqlDBGrid::titleClick, [&](int column) { clicked << column; });
    const QHeaderView *header = grid->horizontalHeader();
    const int section = grid->dataModel()->columnOfField("status");
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    EXPECT_EQ(clicked, QList<int>({1}));
    EXPECT_EQ(certs.recNo(), 1); // the current row stays
}

TEST_F(GridWindow, TheDrawingHookColoursARow)
{
    grid->setDataSource(&certs);
    grid->setOptions(grid->options() | dgRowSelect);
    grid->setOnDrawColumnCell([](const TqlDBGrid &g, const T_TntColumn &, TqlCellPaint &paint) {
        if (g.rowValue(paint.row, "status").toInt() == 7)
            paint.background = QColor(255, 200, 200);
    });
    showWindow();
    const QImage image = grid->viewport()->grab().toImage();
    const QPoint issued = grid->visualRect(cell(1, "id")).bottomRight() - QPoint(3, 3);
    const QPoint project = grid->visualRect(cell(2, "id")).bottomRight() - QPoint(3, 3);
    EXPECT_EQ(image.pixelColor(issued), QColor(255, 200, 200));
    EXPECT_NE(image.pixelColor(project), QColor(255, 200, 200));
}

TEST_F(GridWindow, ToolTipsShowOnlyTextsThatDoNotFit)
{
    grid->setDataSource(&certs);
    T_TntColumn &name = grid->columns().add("name");
    name.setWidth(60);
    name.setToolTipShow(TqlToolTipShow::ttsText);
    T_TntColumn &status = grid->columns().add("status");
    status.setWidth(60);
    status.title().setCaption("Status of the certificate in words");
    showWindow();
    const auto centre = [&](int row) { return grid->visualRect(cell(row, "name")).center(); };

    moveMouse(grid->viewport(), centre(1));
    EXPECT_TRUE(grid->tipText().isEmpty()); // tooltips are off
    grid->setToolTips(true);
    moveMouse(grid->viewport(), centre(1));
    EXPECT_EQ(grid->tipText(), kLong);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), kLong);

    moveMouse(grid->viewport(), centre(0)); // "Short" fits
    EXPECT_TRUE(grid->tipText().isEmpty());
    moveMouse(grid->viewport(), grid->visualRect(cell(1, "status")).center()); // no ttsText
    EXPECT_TRUE(grid->tipText().isEmpty());

    const QHeaderView *header = grid->horizontalHeader();
    const int section = grid->dataModel()->columnOfField("status");
    moveMouse(header->viewport(), QPoint(header->sectionViewportPosition(section) + 5, 5));
    EXPECT_EQ(grid->tipText(), "Status of the certificate in words");

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(header->viewport(), &leave);
    EXPECT_TRUE(grid->tipText().isEmpty());

    certs.edit(); // no tips while the dataset edits
    moveMouse(grid->viewport(), centre(1));
    EXPECT_TRUE(grid->tipText().isEmpty());
}

TEST_F(GridWindow, TheMemoEditorStoresAMultiLineCellWithCrLf)
{
    grid->setDataSource(&certs);
    grid->columns().add("id");
    T_TntColumn &notes = grid->columns().add("Notes");
    notes.setEditorType(TqlEditorType::edsMemo);
    notes.setTypeBlob(TqlTntTypeBlob::edsWideString);
    notes.setWidth(120);
    showWindow();

    click(cell(2, "Notes"));
    TqlTntDBMemo *memo = grid->memoEditor();
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isVisible());
    EXPECT_EQ(memo->parentWidget(), &window);
    EXPECT_EQ(memo->size(), grid->visualRect(cell(2, "Notes")).size() + QSize(4, 4));
    EXPECT_TRUE(memo->hasFocus());
    EXPECT_EQ(memo->dataField(), "Notes");
    EXPECT_EQ(certs.recNo(), 3);

    QTest::keyClicks(memo, "first");
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "second");
    click(cell(0, "id")); // back to the grid and another row: written and posted
    EXPECT_FALSE(memo->isVisible());
    EXPECT_EQ(certs.state(), DataSet::State::Browse);
    EXPECT_EQ(certs.recNo(), 1);
    const QString stored = QString("first\r\nsecond");
    EXPECT_EQ(certs.rowValue(2, certs.fieldByName("Notes").index()).toByteArray(),
              QByteArray(reinterpret_cast<const char *>(stored.utf16()), int(stored.size() * 2)));
    const TqlCellPaint drawn = grid->defaultCellPaint(cell(2, "Notes"), false);
    EXPECT_EQ(drawn.text, stored);
    EXPECT_TRUE(drawn.wordWrap);

    // Without dgEditing no memo opens.
    grid->setOptions(grid->options() & ~TqlGridOptions(dgEditing));
    click(cell(3, "Notes"));
    EXPECT_FALSE(memo->isVisible());
    EXPECT_EQ(certs.recNo(), 4);
}

TEST_F(GridWindow, TheOneLineEditorWritesTheEditText)
{
    grid->setDataSource(&certs);
    showWindow();
    const QModelIndex issued = cell(0, "issued");
    grid->setCurrentIndex(issued);
    grid->edit(issued);
    auto *editor = grid->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "15.03.2023");
    editor->setText("16.03.2023");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents(); // the editor commits after its own handling of the key
    EXPECT_EQ(certs.fieldByName("issued").asInteger(), 45001);
    EXPECT_EQ(certs.state(), DataSet::State::Browse);

    // Blob cells and read-only grids open no editor.
    const auto editorOpen = [&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return grid->findChild<QLineEdit *>() != nullptr;
    };
    EXPECT_FALSE(editorOpen());
    grid->setCurrentIndex(cell(0, "Notes"));
    grid->edit(cell(0, "Notes"));
    EXPECT_FALSE(editorOpen());
    grid->setReadOnly(true);
    grid->setCurrentIndex(cell(0, "name"));
    grid->edit(cell(0, "name"));
    EXPECT_FALSE(editorOpen());
}

TEST_F(GridWindow, LeavingTheGridDropsANewRowNothingWasEnteredIn)
{
    grid->setDataSource(&certs);
    T_TntColumn &notes = grid->columns().add("Notes");
    notes.setEditorType(TqlEditorType::edsMemo);
    showWindow();
    grid->setFocus();
    certs.append();
    other->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(certs.state(), DataSet::State::Browse);
    EXPECT_EQ(certs.recordCount(), 4);

    // The in-place memo on the new row keeps it: the focus went to the memo.
    grid->setFocus();
    certs.append();
    click(cell(4, "Notes"));
    ASSERT_TRUE(grid->memoEditor() && grid->memoEditor()->hasFocus());
    EXPECT_EQ(certs.state(), DataSet::State::Insert);
    EXPECT_EQ(certs.recordCount(), 5);
}
