// The two pick-list windows, offscreen, over a real database file.
#include "FormContragent.h"
#include "FormPhrase.h"
#include "PickListTestSupport.h"
#include "HelpPages.h"
#include "TestSupport.h"
#include "ggLayoutStore.h"

#include "ModalDriver.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWheelEvent>

namespace {

class PickListFormsTest : public PickListTest {
protected:
    // Shows a window for the language and kind, as its caller does.
    template <typename Form>
    std::unique_ptr<Form> shown(const QByteArray &lang, uint8_t stype)
    {
        auto form = std::make_unique<Form>(nullptr, dm());
        form->Lang = lang;
        form->SType = stype;
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }
    static QString title(PickListForm &form, int column) { return form.DBGrid->columns().column(column).title().caption(); }
    static int currentRow(PickListForm &form) { return form.data().query().currentRow(); }
    static QStringList currentNames(PickListForm &form) { return form.data().currentNames(); }
    static void doubleClickRow(PickListForm &form, int row)
    {
        const int section = form.DBGrid->dataModel()->columnOfField(form.data().table().nameFields.first());
        const QRect cell = form.DBGrid->visualRect(form.DBGrid->model()->index(row, section));
        if (!cell.isValid()) {
            ADD_FAILURE() << "row " << row << " is not shown";
            form.reject();
            return;
        }
        // as a mouse does it: a click, then the double click
        QTest::mouseClick(form.DBGrid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(form.DBGrid->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Types a text key by key, as the operator does.
    static void typeText(QWidget *widget, const QString &text)
    {
        for (const QChar c : text) {
            if (c == u'\n')
                QTest::keyClick(widget, Qt::Key_Return);
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
    static void turnWheel(PickListForm &form, int notches)
    {
        const QPointF at(10, 10);
        QWheelEvent event(at, form.DBGrid->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.DBGrid->viewport(), &event);
        QCoreApplication::sendPostedEvents(); // the moves the wheel posted
    }
};

TEST_F(PickListFormsTest, PhraseDoubleClickReturnsTheChosenPhraseOfTheLanguageAndKind)
{
    storePhrase("ru", 3, "Авто");
    storePhrase("ru", 3, "Поезд\r\nбыстрый");
    storePhrase("en", 3, "Truck");
    storePhrase("ru", 5, "Отметка");
    // a main window's help line
    QWidget mainWindow;
    auto *helpLine = new QLabel(QStringLiteral("текст страницы"), &mainWindow);
    helpLine->setObjectName("StaticTextHelp");

    AnswerNextModal([helpLine](QWidget *modal) {
        auto *form = qobject_cast<TfPhrase *>(modal);
        ASSERT_TRUE(form);
        EXPECT_EQ(helpLine->text(), "Произведите выбор двойным щелчком мыши по нужной позиции!");
        EXPECT_EQ(form->windowTitle(), "Транспорт");
        EXPECT_EQ(title(*form, 0), "Транспорт");
        EXPECT_EQ(form->DBGrid->model()->rowCount(), 2);
        EXPECT_EQ(form->result(), QDialog::Rejected);
        EXPECT_EQ(form->SelectedName, QString());
        // four lines of text per entry under a title of one
        EXPECT_EQ(form->DBGrid->verticalHeader()->defaultSectionSize(), 4 * form->BaseRowHeight);
        doubleClickRow(*form, 1);
    });
    QString chosen = "before";
    ASSERT_TRUE(TfPhrase::Choose(&mainWindow, "ru", 3, chosen));
    EXPECT_EQ(chosen, "Поезд\r\nбыстрый");
    // The choice is made: the line shows the page's text again.
    EXPECT_EQ(helpLine->text(), "текст страницы");

    // cancelled: the caller's text stays
    AnswerNextModal([](QWidget *modal) { qobject_cast<TfPhrase *>(modal)->aCancel->trigger(); });
    EXPECT_FALSE(TfPhrase::Choose(&mainWindow, "ru", 3, chosen));
    EXPECT_EQ(chosen, "Поезд\r\nбыстрый");
}

TEST_F(PickListFormsTest, ContragentDoubleClickReturnsThePairAndTitlesFollowTheKind)
{
    storeContragent("ru", 2, "Получатель 1", "Импортёр 1");
    storeContragent("ru", 2, "Получатель 2", "Импортёр 2");
    storeContragent("ru", 1, "Отправитель", "Экспортёр");

    auto senders = shown<TfContragent>("ru", ContragentKind::SenderExporter);
    EXPECT_EQ(senders->windowTitle(), "Контрагенты");
    EXPECT_EQ(title(*senders, 0), "Отправитель");
    EXPECT_EQ(title(*senders, 1), "Экспортёр");
    senders.reset();

    AnswerNextModal([](QWidget *modal) {
        auto *form = qobject_cast<TfContragent *>(modal);
        ASSERT_TRUE(form);
        EXPECT_EQ(title(*form, 0), "Получатель");
        EXPECT_EQ(title(*form, 1), "Импортёр");
        EXPECT_EQ(form->DBGrid->model()->rowCount(), 2);
        doubleClickRow(*form, 1);
    });
    QString nameT, nameB;
    ASSERT_TRUE(TfContragent::Choose(nullptr, "ru", ContragentKind::RecipientImporter, nameT, nameB));
    EXPECT_EQ(nameT, "Получатель 2");
    EXPECT_EQ(nameB, "Импортёр 2");

    // an empty list offers nothing to choose: the window stays open
    auto empty = shown<TfContragent>("de", ContragentKind::SenderExporter);
    empty->aSelectOk->trigger();
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->SelectedNameT, QString());
}

TEST_F(PickListFormsTest, ContragentAddKeepsOnePairAndRefusesAnUnknownLanguage)
{
    auto form = shown<TfContragent>("ru", ContragentKind::SenderExporter);
    typeText(form->MemoT, "ООО Ромашка\nМосква");
    typeText(form->MemoB, "Ромашка");
    QTest::mouseClick(form->BitBtnAdd, Qt::LeftButton);
    QTest::mouseClick(form->BitBtnAdd, Qt::LeftButton);
    EXPECT_EQ(storedRows("Contragent"), QStringList({"ru|1|ООО Ромашка\r\nМосква|Ромашка"}));
    EXPECT_EQ(form->DBGrid->model()->rowCount(), 1);
    EXPECT_TRUE(prompts->shown().isEmpty());
    form.reset();

    auto unknown = shown<TfContragent>("", ContragentKind::SenderExporter);
    EXPECT_EQ(unknown->DBGrid->model()->rowCount(), 1); // every language of the kind
    unknown->MemoT->setPlainText("Другой");
    unknown->aAdd->trigger();
    ASSERT_EQ(prompts->shown().size(), 1);
    EXPECT_EQ(prompts->shown()[0].text, "Добавить контрагента нельзя, так как язык неизвестен.");
    EXPECT_EQ(prompts->shown()[0].caption, "Tessal");
    EXPECT_EQ(storedRows("Contragent").size(), 1);
}

TEST_F(PickListFormsTest, PhraseAddStoresOnceAndStandsOnThePhrase)
{
    storePhrase("ru", 9, "Ящик");
    storePhrase("ru", 9, "Мешок");
    auto form = shown<TfPhrase>("ru", 9);
    // the add memo shows the selected entry, so a changed copy can be added
    EXPECT_EQ(form->EditAdd->toPlainText(), currentNames(*form).first());
    form->EditAdd->setPlainText("Бочка");
    form->aAdd->trigger();
    form->EditAdd->setPlainText("Бочка");
    form->aAdd->trigger();
    EXPECT_EQ(storedRows("Phrase"), QStringList({"ru|9|Ящик", "ru|9|Мешок", "ru|9|Бочка"}));
    EXPECT_EQ(currentNames(*form), QStringList({"Бочка"}));
    EXPECT_EQ(form->DBGrid->model()->rowCount(), 3);
}

TEST_F(PickListFormsTest, DeleteRemovesTheSelectedEntryWithoutAsking)
{
    storePhrase("ru", 10, "кг");
    storePhrase("ru", 10, "шт");
    storePhrase("ru", 10, "шт");
    auto form = shown<TfPhrase>("ru", 10);
    form->EditSearch->setText("Ш");
    ASSERT_EQ(currentNames(*form), QStringList({"шт"}));
    form->aDelete->trigger();
    EXPECT_TRUE(prompts->shown().isEmpty());
    EXPECT_EQ(storedRows("Phrase"), QStringList({"ru|10|кг"}));
    EXPECT_EQ(form->DBGrid->model()->rowCount(), 1);
}

TEST_F(PickListFormsTest, SearchEditsMoveToCyrillicOfAnyCaseInTheSelectedColumn)
{
    storeContragent("ru", 1, "ООО Петров и сыновья", "Петров");
    storeContragent("ru", 1, "Иванов Иван", "Завод ИВАНОВА");
    storeContragent("ru", 1, "Сидоров", "Сидоров");
    auto form = shown<TfContragent>("ru", ContragentKind::SenderExporter);

    typeText(form->EditSearch, "ива");
    EXPECT_EQ(currentNames(*form).first(), "Иванов Иван");
    EXPECT_EQ(form->MemoT->toPlainText(), "Иванов Иван"); // the add panel follows the selection
    typeText(form->EditSubs, "СЫН");
    EXPECT_EQ(currentNames(*form).first(), "ООО Петров и сыновья");
    typeText(form->EditSubs, "xyz"); // no match: the cursor stays
    EXPECT_EQ(currentNames(*form).first(), "ООО Петров и сыновья");

    // searching follows the selected column
    form->DBGrid->setCurrentIndex(
        form->DBGrid->model()->index(currentRow(*form), form->DBGrid->dataModel()->columnOfField("nameB")));
    form->EditSearch->setText("завод");
    EXPECT_EQ(currentNames(*form).last(), "Завод ИВАНОВА");
}

TEST_F(PickListFormsTest, WheelMovesOneEntryPerNotchAndStaysAtTheEnds)
{
    for (const char *name : {"А", "Б", "В"})
        storePhrase("ru", 8, QString::fromUtf8(name));
    auto form = shown<TfPhrase>("ru", 8);
    ASSERT_EQ(currentRow(*form), 0);
    struct Step {
        int notches; // positive: turned up
        int row;
    };
    for (const Step step : {Step{-1, 1}, Step{-1, 2}, Step{-1, 2}, Step{1, 1}, Step{2, 0}, Step{1, 0}}) {
        turnWheel(*form, step.notches);
        EXPECT_EQ(currentRow(*form), step.row) << step.notches;
        EXPECT_EQ(form->DBGrid->currentIndex().row(), step.row);
    }
}

TEST_F(PickListFormsTest, KindWithoutNameAndLanguageWithQuote)
{
    storePhrase("a\"", 45, "Кавычка");
    storePhrase("ru", 45, "Другое");
    auto form = shown<TfPhrase>("a\"", 45);
    EXPECT_EQ(form->windowTitle(), "none ?");
    EXPECT_EQ(title(*form, 0), "none ?");
    EXPECT_EQ(form->DBGrid->model()->rowCount(), 1);
    EXPECT_EQ(currentNames(*form), QStringList({"Кавычка"}));
    EXPECT_TRUE(journal.sink().records().isEmpty());
}

// The list is what the window is for: several entries show at once, the add
// panel keeps to one entry's height, and the phrase column fills the grid.
TEST_F(PickListFormsTest, ListTakesTheWindowAndThePhraseColumnItsWidth)
{
    for (int i = 1; i <= 10; ++i)
        storePhrase("ru", 3, QStringLiteral("Фраза %1").arg(i));
    auto form = shown<TfPhrase>("ru", 3);
    const int rowHeight = form->DBGrid->verticalHeader()->defaultSectionSize();
    EXPECT_GE(form->DBGrid->viewport()->height(), 3 * rowHeight);
    EXPECT_LT(form->PanelAdd->height(), form->DBGrid->height() / 2);
    const QHeaderView *titles = form->DBGrid->horizontalHeader();
    int shownWidth = 0;
    for (int section = 0; section < titles->count(); ++section)
        if (!titles->isSectionHidden(section))
            shownWidth += titles->sectionSize(section);
    EXPECT_GE(shownWidth, form->DBGrid->viewport()->width() - 2);
}

TEST_F(PickListFormsTest, LayoutIsKeptWhenTheWindowGoes)
{
    {
        auto form = shown<TfPhrase>("ru", 3);
        form->resize(640, 480);
    }
    const QByteArray stored = ReadWholeFile(UserLayoutFile());
    EXPECT_TRUE(stored.contains("Name=\"fPhrase\"")) << stored.constData();
    auto again = shown<TfPhrase>("ru", 3);
    EXPECT_EQ(again->size(), QSize(640, 480));
}

TEST_F(PickListFormsTest, F1OpensTheHelpContextOfTheWindow)
{
    // The party list has a page of its own; the phrase list opens the contents.
    WriteWholeFile(HelpPagePath(HelpContext::Contents), "<html/>");
    WriteWholeFile(QFileInfo(HelpPagePath(HelpContext::Contents)).absolutePath() + QStringLiteral("/230.html"),
                   "<html/>");
    QStringList opened;
    SetHelpOpener([&](const QUrl &url) { opened << QFileInfo(url.toLocalFile()).fileName(); });
    shown<TfContragent>("ru", 1)->aHelpContext->trigger();
    shown<TfPhrase>("ru", 3)->aHelpContext->trigger();
    SetHelpOpener(nullptr);
    EXPECT_EQ(opened, QStringList({QStringLiteral("230.html"), QStringLiteral("index.html")}));
}

} // namespace

TEST_F(PickListFormsTest, EnterChoosesTheCurrentEntryAndEscCloses)
{
    storePhrase("ru", 3, "Авиа");
    storePhrase("ru", 3, "Поезд");
    storePhrase("ru", 3, "Судно");
    struct Case {
        const char *name;
        std::function<void(TfPhrase &)> keys;
        bool chosen;
        QString phrase;
    };
    const QList<Case> cases = {
        {"Enter in the list", [](TfPhrase &form) {
             form.DBGrid->setFocus();
             QTest::keyClick(form.DBGrid, Qt::Key_Down);
             QTest::keyClick(form.DBGrid, Qt::Key_Return);
         }, true, "Поезд"},
        {"Enter of the keypad after a search", [](TfPhrase &form) {
             form.EditSubs->setFocus();
             typeText(form.EditSubs, "дн");
             QTest::keyClick(form.EditSubs, Qt::Key_Enter, Qt::KeypadModifier);
         }, true, "Судно"},
        {"Esc in the list", [](TfPhrase &form) {
             form.DBGrid->setFocus();
             QTest::keyClick(form.DBGrid, Qt::Key_Down);
             QTest::keyClick(form.DBGrid, Qt::Key_Escape);
         }, false, "before"},
        {"Enter in the add panel is a new line", [](TfPhrase &form) {
             form.EditAdd->setFocus();
             QTest::keyClick(form.EditAdd, Qt::Key_Return);
             EXPECT_TRUE(form.isVisible());
             EXPECT_TRUE(form.EditAdd->toPlainText().contains(u'\n'));
             QTest::keyClick(form.EditAdd, Qt::Key_Escape);
         }, false, "before"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        AnswerNextModal([&c](QWidget *modal) {
            auto *form = qobject_cast<TfPhrase *>(modal);
            ASSERT_TRUE(form);
            c.keys(*form);
            if (form->isVisible()) {
                ADD_FAILURE() << "the window stayed open";
                form->reject();
            }
        });
        QString chosen = "before";
        EXPECT_EQ(TfPhrase::Choose(nullptr, "ru", 3, chosen), c.chosen);
        EXPECT_EQ(chosen, c.phrase);
    }
}
