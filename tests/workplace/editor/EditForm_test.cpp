// The editor page as the operator meets it: boxes cleaned while typing,
// goods lines, copy marks, pickers and adders, and one certificate made
// through the main window.
#include "EditorTestSupport.h"

#include "FileDialogs.h"
#include "ModalDriver.h"
#include "FormMain.h"
#include "FormPhrase.h"
#include "GoodsPanelGrid.h"
#include "NumberMaskEdit.h"
#include "WorkplacePages.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>
#include <QSignalSpy>
#include <QToolBar>

namespace {

TEST_F(EditorTest, BoxesAreCleanedAsTheyChangeAndTheCursorStaysWithTheText)
{
    prepareNew();
    TfEdit &edit = showEditor();

    auto *country = box<QLineEdit>("EditCountry5");
    country->setText("ab");
    country->setCursorPosition(1);
    country->insert(QStringLiteral("\x01\t"));
    EXPECT_EQ(country->text(), "a b");
    EXPECT_EQ(country->cursorPosition(), 2);

    auto *transport = box<QPlainTextEdit>("dbm3");
    transport->setPlainText("line");
    transport->moveCursor(QTextCursor::End);
    transport->insertPlainText(QStringLiteral("\t\x02x\ny"));
    EXPECT_EQ(transport->toPlainText(), "line x\ny");
    EXPECT_EQ(transport->textCursor().position(), 8);

    auto *number = box<NumberMaskEdit>("EditCertNo");
    number->setEditText("12_4__7");
    EXPECT_EQ(number->editText(), "1204007");

    // A goods memo: the cleaned text goes into the line's field.
    TqlTntDBMemo *description = edit.dbcgData().memo("d8");
    description->setFocus();
    description->insertPlainText(QStringLiteral("Чай\tчёрный\x1f"));
    EXPECT_EQ(edit.cdsD().fieldByName("d8").asString(), QStringLiteral("Чай чёрный"));
    EXPECT_EQ(description->text(), QStringLiteral("Чай чёрный"));
    EXPECT_TRUE(edit.HasPendingEdits());
}

TEST_F(EditorTest, CopyMarkCopiesTheCurrentLinesValueIntoEveryLine)
{
    prepareSaved(5, {}, 3);
    TfEdit &edit = showEditor();
    ClientDataSet &lines = edit.cdsD();
    lines.setRecNo(2);
    lines.edit();
    lines.fieldByName("d9p").setValue(QStringLiteral("мешок"));
    lines.post();
    GoodsPanelGrid &grid = edit.dbcgData();
    const QRect kind = grid.memo("d9p")->geometry();
    ASSERT_EQ(kind.top(), GoodsPanelGrid::PanelHeight + 4); // the second panel holds the memos now
    EXPECT_EQ(grid.copyMarkFieldAt(QPoint(kind.left() - 10, kind.top() + 5)), "d9p");
    EXPECT_EQ(grid.copyMarkFieldAt(QPoint(grid.memo("d10q")->x() - 17, kind.top() + 5)), "d10q");
    EXPECT_EQ(grid.copyMarkFieldAt(QPoint(kind.left() - 18, kind.top() + 5)), "");
    EXPECT_EQ(grid.copyMarkFieldAt(QPoint(kind.left() - 10, kind.top() - 1)), "");

    prompter->answer(Prompt::IdYes);
    QTest::mouseClick(grid.panels(), Qt::LeftButton, {}, QPoint(kind.left() - 10, kind.top() + 5));
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Размножить \"мешок\" в остальные записи?")});
    QStringList packages;
    for (int row = 0; row < lines.recordCount(); ++row)
        packages << lines.rowValue(row, lines.fieldByName("d9p").index()).toString();
    EXPECT_EQ(packages, (QStringList{"мешок", "мешок", "мешок"}));
    EXPECT_EQ(lines.recNo(), 2);

    // An empty value asks nothing and changes nothing.
    prompter->clear();
    edit.CopyToAll("d10w");
    lines.edit();
    lines.fieldByName("d10w").clear();
    lines.post();
    edit.CopyToAll("d10w");
    EXPECT_EQ(prompter->texts().size(), 1); // only the first, non-empty value asked
}

// The goods lines take two thirds of the editor's width at any width from the
// designed one up; their boxes widen in proportion and the copy marks follow.
TEST_F(EditorTest, GoodsLinesTakeTwoThirdsOfTheEditorsWidth)
{
    prepareSaved(5, {}, 2);
    TfEdit &edit = showEditor();
    GoodsPanelGrid &grid = edit.dbcgData();
    for (const int width : {1200, 1800, 2400}) {
        SCOPED_TRACE(width);
        edit.resize(width, 900);
        QCoreApplication::processEvents();
        EXPECT_NEAR(grid.width(), width * 2 / 3, 1);
        EXPECT_GE(grid.panelWidth(), int(GoodsPanelGrid::PanelWidth));
        const QRect description = grid.memo("d8")->geometry();
        EXPECT_NEAR(description.width(), 300 * grid.panelWidth() / GoodsPanelGrid::PanelWidth, 1);
        EXPECT_LE(grid.memo("d10q")->geometry().right(), grid.panelWidth());
        const QRect kind = grid.memo("d9p")->geometry();
        EXPECT_EQ(grid.copyMarkFieldAt(QPoint(kind.left() - 10, kind.top() + 5)), "d9p");
        EXPECT_EQ(grid.copyMarkFieldAt(QPoint(grid.memo("d10q")->x() - 10, kind.top() + 5)), "d10q");
    }
    // Narrower than designed: the designed panel, with its scroll bar.
    edit.resize(600, 900);
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.panelWidth(), int(GoodsPanelGrid::PanelWidth));
}

TEST_F(EditorTest, GoodsLineButtonsAddInsertAndDelete)
{
    prepareSaved(5, {}, 2);
    TfEdit &edit = showEditor();
    ClientDataSet &lines = edit.cdsD();
    lines.setRecNo(2);
    box<QPushButton>("pInsert")->click();
    EXPECT_EQ(lines.recordCount(), 3);
    EXPECT_EQ(lines.recNo(), 2);
    lines.fieldByName("d7").setValue("1a");
    box<QPushButton>("ButtonAdd")->click();
    EXPECT_EQ(lines.recordCount(), 4);
    box<QPushButton>("ButtonAdd")->click(); // the untouched new line gives way to the next
    EXPECT_EQ(lines.recordCount(), 4);
    box<QPushButton>("pDel")->click();
    EXPECT_EQ(lines.recordCount(), 3);
    box<QPlainTextEdit>("dbm6")->setPlainText("contract 1");
    edit.aOk()->trigger();
    EXPECT_EQ(rows("select dOrder,d7Num from dcod order by dOrder"), (QStringList{"1|1", "2|1a", "3|2"}));
}

TEST_F(EditorTest, AttachedFileIsChosenThroughTheFileDialogs)
{
    prepareSaved(5, {}, 1);
    showEditor();
    ScopedScriptedFileDialogs dialogs;
    dialogs->answer(QStringLiteral("/home/operator/акт.pdf"));
    box<QPushButton>("pFile")->click();
    EXPECT_EQ(box<QPlainTextEdit>("EditfileName13")->toPlainText(), QStringLiteral("/home/operator/акт.pdf"));
    box<QPushButton>("pFile")->click(); // cancelled: the box keeps its file
    EXPECT_EQ(box<QPlainTextEdit>("EditfileName13")->toPlainText(), QStringLiteral("/home/operator/акт.pdf"));
    ASSERT_EQ(dialogs->requests().size(), 2);
    EXPECT_EQ(dialogs->requests()[0].kind, FileDialogRequest::OpenFile);
    EXPECT_EQ(dialogs->requests()[0].title, QStringLiteral("Выберите дополнительный файл"));
}

TEST_F(EditorTest, PhraseAdderStoresTheBoxAndReportsWhatHappened)
{
    prepareNew();
    showEditor();
    box<QPlainTextEdit>("dbm3")->setPlainText("By truck");
    box<QPushButton>("p3add")->click();
    box<QPushButton>("p3add")->click();
    box<QLineEdit>("EditCity11")->setText(QStringLiteral("Тверь"));
    box<QPushButton>("pCity11add")->click();
    EXPECT_EQ(prompter->texts(), (QStringList{QStringLiteral("Добавлено значение\n\rBy truck"),
                                              QStringLiteral("Такая информация уже есть"),
                                              QStringLiteral("Установлено значение\n\rТверь")}));
    EXPECT_EQ(value("select count(*) from Phrase where stype = 3").toInt(), 1);
    EXPECT_EQ(rows("select name from Phrase where stype = 43 and lang = 'ru'"), QStringList{"Тверь"});
}

TEST_F(EditorTest, PartyAdderReportsOnlyWhatWasCommitted)
{
    prepareNew();
    showEditor();
    box<QPushButton>("p1add")->click(); // both boxes empty: nothing to add
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Такая информация в справочнике уже есть")});
    EXPECT_EQ(value("select count(*) from Contragent").toInt(), 0);

    prompter->clear();
    box<QPlainTextEdit>("dbeSender")->setPlainText("A");
    box<QPlainTextEdit>("dbeExporter")->setPlainText("B");
    exec("CREATE TRIGGER no_parties BEFORE INSERT ON Contragent BEGIN SELECT RAISE(ABORT, 'full'); END;");
    box<QPushButton>("p1add")->click();
    EXPECT_EQ(prompter->texts(), QStringList{});
    EXPECT_EQ(value("select count(*) from Contragent").toInt(), 0);

    exec("DROP TRIGGER no_parties");
    box<QPushButton>("p1add")->click();
    EXPECT_EQ(prompter->texts(), QStringList{QStringLiteral("Добавлено значение\n\rA\n\rB")});
    EXPECT_EQ(rows("select lang,stype,nameT,nameB from Contragent"), QStringList{"ru|1|A|B"});
}

TEST_F(EditorTest, PickerPutsTheChosenPhraseIntoItsBox)
{
    prepareNew();
    TfEdit &edit = showEditor();
    ASSERT_EQ(dm->SavePhrase("ru", 10, QStringLiteral("кг")), PhraseSaved::Added);
    AnswerNextModal([](QWidget *dialog) {
        auto *phrases = qobject_cast<TfPhrase *>(dialog);
        ASSERT_NE(phrases, nullptr);
        EXPECT_EQ(phrases->SType, 10);
        phrases->aSelectOk->trigger();
    });
    box<QPushButton>("p10")->click();
    EXPECT_EQ(edit.cdsD().fieldByName("d10q").asString(), QStringLiteral("кг"));
    EXPECT_EQ(edit.dbcgData().memo("d10q")->text(), QStringLiteral("кг"));
}

// The main window shown with its list, and the editor opened by its edit
// action on a new certificate, as the list's new action leaves it.
class EditorInMainWindow : public EditorTest {
protected:
    TfEdit *openNewInMainWindow(TfMain &main)
    {
        RegisterWorkplacePages(main);
        main.resize(1000, 800);
        main.show();
        main.aListExecute();
        prepareNew();
        main.action("aEdit")->setEnabled(true);
        main.action("aEdit")->trigger();
        return qobject_cast<TfEdit *>(main.currentPage());
    }
};

// New certificate through the main window: a few boxes and two goods lines
// typed, saved with the editor's button, stored as a project.
TEST_F(EditorInMainWindow, NewCertificateMadeThroughTheMainWindowIsStoredAsAProject)
{
    TfMain main;
    TfEdit *page = openNewInMainWindow(main);
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(main.action("aPrint")->isEnabled());

    const auto type = [&](const char *name, const QString &text) {
        auto *widget = page->findChild<QWidget *>(QLatin1String(name));
        ASSERT_NE(widget, nullptr) << name;
        widget->setFocus();
        for (QChar c : text) // as typed, Cyrillic letters included
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    };
    type("dbeExporter", QStringLiteral("ООО Экспорт"));
    type("dbeImporter", QStringLiteral("Import GmbH"));
    type("ImportingCountry", QStringLiteral("Германия"));
    type("dbe7", "1");
    type("dbm8", QStringLiteral("Чай"));
    QTest::mouseClick(page->findChild<QPushButton *>("ButtonAdd"), Qt::LeftButton);
    type("dbe7", "2");
    type("dbm8", QStringLiteral("Кофе"));
    auto *toolBar = page->findChild<QToolBar *>("tbEdit");
    QTest::mouseClick(toolBar->widgetForAction(page->aOk()), Qt::LeftButton);

    EXPECT_FALSE(page->HasPendingEdits()) << prompter->texts().join("\n").toStdString();
    const QStringList heads = rows("select status,Exporter,Importer,Country12 from mcod");
    ASSERT_EQ(heads, QStringList{QStringLiteral("6|ООО Экспорт|Import GmbH|Германия")});
    EXPECT_EQ(StatusName(6), QStringLiteral("проект"));
    EXPECT_EQ(rows("select dOrder,d7Num,d8Description from dcod order by dOrder"),
              (QStringList{QStringLiteral("1|1|Чай"), QStringLiteral("2|2|Кофе")}));
    EXPECT_TRUE(main.action("aPrint")->isEnabled());
    main.hide();
}

} // namespace

namespace {

TEST_F(EditorTest, InfoPanelShowsTheHintOfTheBoxWithTheFocus)
{
    prepareNew();
    TfEdit &edit = showEditor();
    edit.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    auto *info = box<QPlainTextEdit>("mInfo");
    auto *panel = box<QWidget>("pInfo");
    EXPECT_FALSE(panel->isVisible());
    const int formTop = box<QWidget>("sbEdit")->y();

    edit.dbcgData().memo("d9c")->setFocus();
    EXPECT_EQ(info->toPlainText(), QStringLiteral("9. Количество мест"));
    EXPECT_TRUE(panel->isVisible());
    QApplication::processEvents(); // the layout settles
    EXPECT_EQ(box<QWidget>("sbEdit")->y(), formTop); // the form stays where the pointer left it
    box<QPlainTextEdit>("dbm3")->setFocus();
    EXPECT_TRUE(info->toPlainText().startsWith(QStringLiteral("3. ")));
    EXPECT_FALSE(edit.WheelScrollsForm());

    QTest::mouseDClick(box<QWidget>("iInfo"), Qt::LeftButton);
    EXPECT_EQ(panel->height(), 100);
    QTest::mouseDClick(box<QWidget>("iInfo"), Qt::LeftButton);
    EXPECT_EQ(panel->height(), 50);
}

} // namespace

namespace {

// Counts how deep wheel events nest while they are delivered, and cuts the
// nesting off well before the stack would run out.
class WheelNesting : public QObject {
public:
    static constexpr int Limit = 16;
    int depth = 0;
    int deepest = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        if (depth >= Limit)
            return true;
        ++depth;
        deepest = std::max(deepest, depth);
        return false;
    }
    // Delivers Event to Window as the window system does and unwinds the count.
    void deliver(QWindow *window, QWheelEvent &event)
    {
        QCoreApplication::sendEvent(window, &event);
        depth = 0;
    }
};

TEST_F(EditorTest, WheelOverAFocusedHeadMemoScrollsItOnceWithoutRecursion)
{
    prepareNew();
    TfEdit &edit = showEditor();
    edit.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    auto *sender = box<QPlainTextEdit>("dbeSender");
    QStringList lines;
    for (int i = 1; i <= 40; ++i)
        lines << QStringLiteral("Строка %1").arg(i);
    sender->setFocus();
    sender->insertPlainText(lines.join('\n')); // typed in, then the wheel
    sender->verticalScrollBar()->setValue(0);
    ASSERT_FALSE(edit.WheelScrollsForm());

    WheelNesting nesting;
    qApp->installEventFilter(&nesting);
    const QPoint inside = sender->viewport()->mapTo(&edit, QPoint(10, 10));
    const QPoint global = edit.mapToGlobal(inside);
    QWheelEvent notch(QPointF(inside), QPointF(global), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    nesting.deliver(edit.windowHandle(), notch);
    const int afterOne = sender->verticalScrollBar()->value();
    nesting.deliver(edit.windowHandle(), notch);
    qApp->removeEventFilter(&nesting);

    EXPECT_LT(nesting.deepest, WheelNesting::Limit) << "the wheel event went round in circles";
    EXPECT_LE(nesting.deepest, 4); // the window, the viewport, the viewport again from the filter, the scroll bar
    EXPECT_EQ(afterOne, QApplication::wheelScrollLines()); // one notch, one step of lines
    EXPECT_EQ(sender->verticalScrollBar()->value(), 2 * afterOne);
    EXPECT_EQ(box<QScrollArea>("sbEdit")->verticalScrollBar()->value(), 0); // the form stays
}

// The operator leaves the editor, says Yes to saving, and the save is refused
// by the check: the editor stays with the work, and the program can be closed
// once the operator is done with it.
TEST_F(EditorInMainWindow, RefusedSaveOnLeavingKeepsTheEditorAndItsChanges)
{
    TfMain main;
    TfEdit *page = openNewInMainWindow(main);
    ASSERT_NE(page, nullptr);
    auto *transport = page->findChild<QPlainTextEdit *>("dbm3");
    transport->setPlainText(QStringLiteral("Авто Москва - Варшава"));

    prompter->clear();
    prompter->answer(Prompt::IdYes); // "Сохранить изменения?"
    prompter->answer(Prompt::IdNo);  // the check's findings: do not go on
    main.action("aList")->trigger();

    ASSERT_EQ(prompter->texts().size(), 2) << prompter->texts().join("\n").toStdString();
    EXPECT_EQ(prompter->texts().first(), QStringLiteral("Сохранить изменения?"));
    EXPECT_EQ(main.currentPage(), page);
    EXPECT_TRUE(page->isVisible());
    EXPECT_TRUE(page->HasPendingEdits());
    EXPECT_EQ(transport->toPlainText(), QStringLiteral("Авто Москва - Варшава"));
    EXPECT_EQ(value("select count(*) from mcod").toInt(), 0);
    EXPECT_FALSE(main.action("aPrint")->isEnabled());

    // Closing now is refused while the editor is there to finish the work.
    // (Asked as closing the window asks it: a real close would end this
    // process's event loops.)
    prompter->clear();
    EXPECT_FALSE(main.TntFormCloseQuery());
    EXPECT_EQ(prompter->texts(),
              QStringList{QStringLiteral("Перед выходом из программы следует завершить редактирование проекта")});
    // The operator drops the work: the program closes normally.
    page->aCancel()->trigger();
    EXPECT_NE(main.currentPage(), page);
    prompter->clear();
    EXPECT_TRUE(main.TntFormCloseQuery());
    EXPECT_EQ(prompter->texts(), QStringList{});
}

// While the operator is asked whether to save, the warning that No drops
// every change stands in the info panel.
class PanelWatchingPrompter : public Prompter {
public:
    explicit PanelWatchingPrompter(QWidget *panel, QPlainTextEdit *memo) : m_panel(panel), m_memo(memo) {}
    int ask(const QString &, const QString &, Prompt::Icon, Prompt::Buttons) override
    {
        panelShown = m_panel->isVisible();
        panelText = m_memo->toPlainText();
        return Prompt::IdNo;
    }
    bool panelShown = false;
    QString panelText;

private:
    QWidget *m_panel;
    QPlainTextEdit *m_memo;
};

TEST_F(EditorTest, LeaveQuestionShowsTheWarningPanel)
{
    prepareSaved(5);
    TfEdit &edit = showEditor();
    box<QPlainTextEdit>("dbm4")->setPlainText("Copy");
    auto watching = std::make_shared<PanelWatchingPrompter>(box<QWidget>("pInfo"), box<QPlainTextEdit>("mInfo"));
    SetPrompter(watching);
    const bool left = edit.FormHide();
    SetPrompter(std::shared_ptr<Prompter>(&*prompter, [](Prompter *) {})); // the fixture's script again
    EXPECT_TRUE(left);
    EXPECT_TRUE(watching->panelShown);
    EXPECT_EQ(watching->panelText,
              QStringLiteral("Внимание! Отрицательный ответ вызовет отмену ВСЕХ изменений в данном сертификате."));
    EXPECT_FALSE(box<QWidget>("pInfo")->isVisible()); // emptied and hidden afterwards
}

} // namespace
