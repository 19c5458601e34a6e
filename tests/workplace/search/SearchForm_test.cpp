// The search window wired into the main window and the list: what it shows
// when it opens, how its controls become conditions, and what a search and a
// failed search leave in the list, the counters and the search options.
#include "StoreFixture.h"

#include "ModalDriver.h"
#include "FormMain.h"
#include "HelpPages.h"
#include "ListForm.h"
#include "NumberMaskEdit.h"
#include "SearchForm.h"
#include "WorkplacePages.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolBar>

class SearchWindowTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        qputenv("TESSAL_HOME", home.path().toUtf8());
        App().ChamberNumber = 7;
        App().CurrentUserId = 1;
        insertCertificate(certificate(1, 11, {{"status", 7}, {"Date11", today() - 30}, {"Sender", "ООО Ромашка"}}));
        insertCertificate(certificate(2, 12, {{"status", 6}, {"Sender", "ЗАО Лютик"}}));
        insertCertificate(certificate(3, 13, {{"status", 7}, {"Date11", today() - 3}, {"Sender", "ООО Ромашка"}}));
        insertRow("dcod", {{"idM", 3}, {"dOrder", 1}, {"d8Description", "Станки"}});
        main = std::make_unique<TfMain>();
        RegisterWorkplacePages(*main);
        SetHelpOpener([this](const QUrl &url) { opened << url.toLocalFile(); });
        main->aListExecute();
        main->listPage()->recountPages(); // the list as shown, with the certificates above
    }
    void TearDown() override
    {
        main.reset();
        SetHelpOpener(nullptr);
        qunsetenv("TESSAL_HOME");
        StoreFixture::TearDown();
    }

    // Runs the main window's search action; Fill sets the window's controls,
    // then "Искать" is clicked.
    void searchWith(const std::function<void(TfSearch &)> &fill)
    {
        AnswerNextModal([fill](QWidget *modal) {
            auto *window = qobject_cast<TfSearch *>(modal);
            ASSERT_NE(window, nullptr);
            fill(*window);
            ClickChild(window, "ButtonOk");
        });
        main->aSearchExecute();
    }

    TfList &list() { return *static_cast<TfList *>(main->listPage()); }
    bool reportButtonShown()
    {
        const auto reportSlots = list().tb->findChildren<QAction *>(QStringLiteral("ButtonReportSlot"));
        return !reportSlots.isEmpty() && reportSlots.first()->isVisible();
    }
    QList<SearchOption> options()
    {
        QList<SearchOption> records;
        ClientDataSet &so = dm->cdsSearchOptions;
        for (so.first(); !so.eof(); so.next())
            records.append({so.fieldByName("OptionName").asString(), so.fieldByName("Value").asString()});
        return records;
    }
    QList<qint64> listedIds()
    {
        QList<qint64> ids;
        for (dm->ASQM.first(); !dm->ASQM.eof(); dm->ASQM.next())
            ids << dm->ASQM.fieldByName("id").asInteger();
        return ids;
    }

    std::unique_ptr<TfMain> main;
    QStringList opened;
};

TEST_F(SearchWindowTest, OpensWithTheChamberTheWholeDateSpanAndNoCondition)
{
    TfSearch window(*dm, {});
    EXPECT_EQ(window.windowTitle(), "Поиск");
    EXPECT_EQ(window.Nc2->text(), "007");
    EXPECT_FALSE(window.Nc2->isEnabled());
    EXPECT_EQ(window.Nc3->editText(), "?");
    EXPECT_EQ(window.Nc4->editText(), "??????");
    EXPECT_EQ(window.Nb1->editText(), "???????");
    EXPECT_EQ(window.dtpBegin->date(), fixedToday().addDays(-30));
    EXPECT_EQ(window.dtpEnd->date(), fixedToday());
    QStringList statuses;
    for (int i = 0; i < window.ComboBoxStatus->count(); ++i)
        statuses << window.ComboBoxStatus->itemText(i);
    EXPECT_EQ(statuses, QStringList({"нет данных", "Выдан", "Дубликат", "Испорчен бланк", "Аннулирован", "Проект"}));
    EXPECT_EQ(window.ComboBoxStatus->currentIndex(), 0);
    EXPECT_TRUE(window.EditExpert->isEnabled());
    EXPECT_TRUE(window.EditExpert->text().isEmpty());
    EXPECT_TRUE(window.rbeAnd->isChecked());
    EXPECT_TRUE(window.rbAnd->isChecked());

    App().CurrentUserId = 2;
    TfSearch ordinary(*dm, {});
    EXPECT_FALSE(ordinary.EditExpert->isEnabled());
    EXPECT_EQ(ordinary.EditExpert->text(), "Expert");

    const QString shipped = qEnvironmentVariable("TESSAL_SOURCE") + QStringLiteral("/data/help/350.html");
    WriteWholeFile(dataFile("help/350.html"), ReadWholeFile(shipped));
    window.aHelpContextExecute();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), dataFile("help/350.html"));
}

TEST_F(SearchWindowTest, ControlsBecomeConditions)
{
    TfSearch window(*dm, {});
    window.Nb1->setCursorPosition(0);
    QTest::keyClicks(window.Nb1, "1?3_x4");
    EXPECT_EQ(window.Nb1->editText(), "1?34???"); // "?" is a place, "_" and letters are not
    window.Nc4->setEditText("12");
    window.SpeedButtonBeginClick();
    window.MemoImporter->setPlainText("Acme\nGmbH");
    window.StringGridExporter->setItem(2, 0, new QTableWidgetItem("Ромашка\nМосква"));
    window.rbeOr->setChecked(true);
    window.StringGridGoods->setCurrentCell(4, 0);
    window.SpeedButtonGoodsDeleteClick(); // an empty row stays out
    window.StringGridGoods->setItem(1, 0, new QTableWidgetItem("Станки"));
    window.ComboBoxStatus->setCurrentIndex(5);

    SearchConditions c = window.conditions();
    EXPECT_EQ(c.numberMask, "12????");
    EXPECT_EQ(c.blankMask, "1?34???");
    EXPECT_FALSE(c.beginDay.has_value());
    EXPECT_EQ(c.endDay, int64_t(today()));
    EXPECT_EQ(c.importer, "Acme\r\nGmbH");
    EXPECT_EQ(c.exporterTerms, QStringList({"Ромашка\r\nМосква"}));
    EXPECT_FALSE(c.exporterAllTerms);
    EXPECT_EQ(c.goodsTerms, QStringList({"Станки"}));
    EXPECT_TRUE(c.goodsAllTerms);
    EXPECT_EQ(c.statusChoice, 5);
    EXPECT_FALSE(TfSearch::IsGridEmpty(window.StringGridGoods));

    window.SpeedButtonBeginShowClick();
    window.StringGridExporter->setCurrentCell(2, 0);
    window.ButtonExportClearClick();
    c = window.conditions();
    EXPECT_EQ(c.beginDay, int64_t(today() - 30));
    EXPECT_TRUE(c.exporterTerms.isEmpty());
    EXPECT_TRUE(TfSearch::IsGridEmpty(window.StringGridExporter));
}

// The calendar handlers put both date bounds out of the search and back.
TEST_F(SearchWindowTest, CalendarHandlersTurnBothDatesOffAndOn)
{
    TfSearch window(*dm, {});
    window.show();
    window.aHideCalendarExecute();
    EXPECT_FALSE(window.dtpBegin->isVisible());
    EXPECT_FALSE(window.dtpEnd->isVisible());
    SearchConditions c = window.conditions();
    EXPECT_FALSE(c.beginDay.has_value());
    EXPECT_FALSE(c.endDay.has_value());
    window.aShowCalendarExecute();
    EXPECT_TRUE(window.dtpBegin->isVisible());
    EXPECT_TRUE(window.dtpEnd->isVisible());
    c = window.conditions();
    EXPECT_EQ(c.beginDay, int64_t(today() - 30));
    EXPECT_EQ(c.endDay, int64_t(today()));
    window.hide();
}

TEST_F(SearchWindowTest, SearchShowsTheFoundListCountersAndReportButtonAndASecondSearchStandsAlone)
{
    searchWith([](TfSearch &w) { w.ComboBoxStatus->setCurrentIndex(1); }); // "Выдан"
    EXPECT_EQ(App().ListQueryView, (ListView{ListOrder{}, true}));
    EXPECT_EQ(listedIds(), QList<qint64>({3, 1})); // same day: the later certificate first
    EXPECT_EQ(list().listCount(), 2);
    EXPECT_TRUE(reportButtonShown());
    EXPECT_EQ(main->msAll->text(), "Всего документов: 2");
    EXPECT_EQ(main->msS->text(), "Найдено документов: 2");
    EXPECT_TRUE(main->msAll->isVisible());
    const QList<SearchOption> records = options();
    ASSERT_EQ(records.size(), 6);
    EXPECT_EQ(records.at(1).name, "Найдено документов: 2");
    EXPECT_EQ(records.at(3), (SearchOption{"    Выдан (С)", FormatDayNumber(today() - 30)}));
    EXPECT_EQ(records.at(4), (SearchOption{"    Выдан до (По)", FormatDayNumber(today())}));
    EXPECT_EQ(records.at(5), (SearchOption{"    Статус", "Выдан"}));

    // The second search starts from all certificates again: a project is found.
    searchWith([](TfSearch &w) { w.StringGridExporter->setItem(0, 0, new QTableWidgetItem("лютик")); });
    EXPECT_EQ(listedIds(), QList<qint64>({2}));
    EXPECT_EQ(main->msAll->text(), "Всего документов: 2");
    EXPECT_EQ(main->msS->text(), "Найдено документов: 1");
    EXPECT_EQ(options().at(5), (SearchOption{"    Экспортёр", "лютик"}));

    // The list action brings every certificate back and hides what the search showed.
    main->aListExecute();
    EXPECT_EQ(listedIds().size(), 3);
    EXPECT_FALSE(reportButtonShown());
    EXPECT_FALSE(main->msAll->isVisible());
}

TEST_F(SearchWindowTest, FailedSearchTellsTheOperatorAndLeavesTheWholeList)
{
    exec("create trigger refuse before update of pFilter on mcod when new.pFilter = 'FALSE' "
         "begin select raise(abort, 'disk is full'); end");
    searchWith([](TfSearch &w) { w.ComboBoxStatus->setCurrentIndex(1); });
    ASSERT_EQ(prompter->shown().size(), 1);
    EXPECT_TRUE(prompter->shown().first().text.startsWith(SearchFailedText));
    EXPECT_TRUE(prompter->shown().first().text.contains("disk is full"));
    EXPECT_FALSE(reportButtonShown());
    EXPECT_FALSE(main->msAll->isVisible());
    EXPECT_EQ(value("select count(*) from mcod where pFilter = 'TRUE'").toInt(), 3);
    EXPECT_EQ(listedIds().size(), 3);
}

TEST_F(SearchWindowTest, CancelMarksNothing)
{
    AnswerNextModal([](QWidget *modal) {
        qobject_cast<TfSearch *>(modal)->ComboBoxStatus->setCurrentIndex(4);
        ClickChild(modal, "ButtonCancel");
    });
    main->aSearchExecute();
    EXPECT_EQ(value("select count(*) from mcod where pFilter = 'TRUE'").toInt(), 3);
    EXPECT_FALSE(reportButtonShown());
}
