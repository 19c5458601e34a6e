// The certificate list window over a real database, offscreen: tabs and
// pages, sorting, enabling, the own-certificates filter, new, issue, delete,
// the wheel, and the blank question dialog.
#include "ApplicationTitle.h"
#include "CertificateSearch.h"
#include "ComponentTag.h"
#include "DocxTables.h"
#include "DataTessalNumbering.h"
#include "KDSUtils.h"
#include "ListCells.h"
#include "FormMain.h"
#include "ListForm.h"
#include "ListPageTabs.h"
#include "ListOperations.h"
#include "ListQuery.h"
#include "ListTestSupport.h"
#include "ReportPreviewWindow.h"
#include "ggLayoutStore.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"
#include "WorkplacePages.h"
#include "uFormDlgPaper.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

namespace {

qint64 RowId(SqlQuery &query)
{
    return query.fieldByName("id").asInteger();
}

} // namespace

class ListFormTest : public ListDatabaseTest {
protected:
    void SetUp() override
    {
        ListDatabaseTest::SetUp();
        qputenv("XDG_CONFIG_HOME", home.filePath("cfg").toUtf8());
        qputenv("TESSAL_COMMON_CONFIG", home.filePath("common").toUtf8());
        mainEdit.setObjectName("aEdit");
        mainView.setObjectName("aView");
        mainPrint.setObjectName("aPrint");
        QObject::connect(&mainEdit, &QAction::triggered, [this] { ++editRuns; });
        QObject::connect(&mainView, &QAction::triggered, [this] { ++viewRuns; });
        QObject::connect(&mainPrint, &QAction::triggered, [this] { printedId = RowId(dm().ASQM); });
    }
    void TearDown() override
    {
        list.reset();
        ListDatabaseTest::TearDown();
    }

    TfList &openList()
    {
        ListHost host;
        host.mainAction = [this](const QString &name) -> QAction * {
            return name == "aEdit" ? &mainEdit : name == "aView" ? &mainView : name == "aPrint" ? &mainPrint : nullptr;
        };
        host.setHelpText = [this](const QString &text) { helpText = text; };
        host.setStatusText = [this](const QString &text) { statusText = text; };
        host.chooseLanguage = [this] { return language; };
        host.askBlankInPrinter = [this](qint64 certNo) {
            blankAsked << certNo;
            return blankAnswer;
        };
        host.selectOriginalOnPrintPage = [this] { ++originalSelected; };
        host.documentDelivery = excel;
        list = std::make_unique<TfList>(dm(), host);
        list->resize(900, 600);
        list->show();
        QApplication::processEvents();
        return *list;
    }
    QStringList tabLabels() const
    {
        QStringList labels;
        for (int i = 0; i < list->TabControlList->count(); ++i)
            labels << list->TabControlList->tabText(i);
        return labels;
    }
    void phrases()
    {
        dm().SavePhrase("ru", 41, "Россия-5");
        dm().SavePhrase("ru", 42, "ТПП Города");
        dm().SavePhrase("ru", 43, "Город-11");
        dm().SavePhrase("ru", 44, "Город-12");
        dm().SavePhrase("ru", 45, "Страна-12");
    }
    // A project of today that passes the certificate check, written through the insert query.
    qint64 addValidProject(const QByteArray &attachedFile = {})
    {
        phrases();
        MaxNumberPaperToTag(dm());
        const int32_t blank = Tag(dm().ASQM);
        const int32_t id = GetNewId(dm(), "ru");
        FillNewCertificate(dm(), id, blank, "ru");
        dm().QueryInsM.paramByName("actPresent14").setBoolean(true);
        if (!attachedFile.isEmpty())
            dm().QueryInsM.paramByName("fileName13").setBlob(attachedFile);
        dm().QueryInsM.execSql();
        return id;
    }

    // Copies templates that ship with the program into the data folder.
    void shipTemplates(const QStringList &names)
    {
        for (const QString &name : names)
            WriteWholeFile(dm().dataFile(name), ReadWholeFile(FixturePath(QStringLiteral("../../data/") + name)));
    }

    std::unique_ptr<TfList> list;
    DocumentDelivery excel;
    QAction mainEdit, mainView, mainPrint;
    int editRuns = 0, viewRuns = 0, originalSelected = 0;
    qint64 printedId = -1;
    QString helpText, statusText;
    std::optional<QString> language = QStringLiteral("ru");
    QList<qint64> blankAsked;
    bool blankAnswer = true;
};

TEST_F(ListFormTest, TabsPerCountAndTheNewestTabFirst)
{
    struct Case {
        qint64 count;
        QStringList labels;
        int rowsShown; // on the selected (last) tab
        qint64 newestId;
    };
    const Case cases[] = {
        {0, {}, 0, -1},
        {999, {"1000"}, 999, 999},
        {1000, {"1000"}, 1000, 1000},
        {1001, {"1000", "2000"}, 1, 1001},
        {2500, {"1000", "2000", "3000"}, 500, 2500},
    };
    qint64 written = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count);
        QList<TestCertificate> more;
        for (qint64 i = written + 1; i <= c.count; ++i) {
            TestCertificate t;
            t.id = t.certNo = i;
            t.numNum = int(i);
            t.lastDate = 40000 + i;
            more << t;
        }
        if (!more.isEmpty())
            addCertificates(more);
        written = c.count;
        TfList &form = list ? *list : openList();
        form.SetListTabs();
        EXPECT_EQ(form.listCount(), c.count);
        EXPECT_EQ(tabLabels(), c.labels);
        EXPECT_EQ(form.TabControlList->currentIndex(), int(c.labels.size()) - 1);
        EXPECT_EQ(dm().ASQM.recordCount(), c.rowsShown);
        EXPECT_EQ(form.DBGridDocuments->model()->rowCount(), c.rowsShown);
        if (c.newestId > 0) {
            dm().ASQM.first();
            EXPECT_EQ(RowId(dm().ASQM), c.newestId);
        }
    }
    // Reloading keeps the selected certificate when the page still holds it.
    ASSERT_TRUE(dm().ASQM.locate("id", qint64(2300)));
    list->SetListTabs();
    EXPECT_EQ(RowId(dm().ASQM), 2300);
    // The first tab of 2500 shows the oldest thousand; the middle one the next.
    list->TabControlList->setCurrentIndex(0);
    EXPECT_EQ(dm().ASQM.recordCount(), 1000);
    dm().ASQM.first();
    EXPECT_EQ(RowId(dm().ASQM), 1000);
    list->TabControlList->setCurrentIndex(1);
    dm().ASQM.last();
    EXPECT_EQ(RowId(dm().ASQM), 1001);
}

// The operator widens and moves columns of both grids; the next start shows
// them as left, read back from the layout file.
TEST_F(ListFormTest, ColumnWidthsAndOrderOfBothGridsSurviveARestart)
{
    addValidProject();
    {
        TfList &page = openList();
        page.DBGridDocuments->columns().column(5).setWidth(211); // "1. Sender"
        QHeaderView *titles = page.DBGridDocuments->horizontalHeader();
        const int senderSection = titles->logicalIndex(5);
        titles->moveSection(5, 1); // the operator drags "1. Sender" to the second place
        ASSERT_EQ(titles->logicalIndex(1), senderSection);
        page.DBGridGoods->horizontalHeader()->resizeSection(
            page.DBGridGoods->horizontalHeader()->logicalIndex(1), 333); // "8. Description"
        list.reset(); // the program ends
    }
    const QByteArray stored = ReadWholeFile(UserLayoutFile());
    EXPECT_TRUE(stored.contains("FieldName=\"Sender\"")) << stored.constData();

    dm().ASQM.close(); // the next start builds the list before its query is open
    dm().ASQD.close();
    TfList &again = openList();
    dm().ASQM.open();
    dm().ASQD.open();
    EXPECT_EQ(again.DBGridDocuments->columns().column(1).fieldName(), QStringLiteral("Sender"));
    EXPECT_EQ(again.DBGridDocuments->columns().column(1).width(), 211);
    EXPECT_EQ(again.DBGridDocuments->columns().column(0).fieldName(), QStringLiteral("ReferenceNo"));
    EXPECT_EQ(again.DBGridGoods->columns().column(1).width(), 333);
    QHeaderView *titles = again.DBGridDocuments->horizontalHeader();
    EXPECT_EQ(titles->sectionSize(titles->logicalIndex(1)), 211);
}

// Every list action shows its picture and can be reached with Tab; the goods
// grid's titles are shown whole.
TEST_F(ListFormTest, ToolBarButtonsHavePicturesAndTakeTheKeyboardFocus)
{
    TfList &page = openList();
    int buttons = 0;
    for (QToolButton *button : page.tb->findChildren<QToolButton *>()) {
        if (button->objectName().startsWith(QLatin1String("qt_")))
            continue; // the tool bars' own extension buttons
        ++buttons;
        const QAction *action = button->defaultAction();
        const QString name = action ? action->objectName() : button->objectName();
        if (!action || action->parent() == &page) // the main window's view and print bring their own
            EXPECT_FALSE(button->icon().isNull()) << name.toStdString();
        EXPECT_TRUE(button->focusPolicy() & Qt::TabFocus) << name.toStdString();
    }
    EXPECT_GE(buttons, 13);
    const QHeaderView *titles = page.DBGridGoods->horizontalHeader();
    for (int c = 0; c < page.DBGridGoods->columns().count(); ++c) {
        const T_TntColumn &column = page.DBGridGoods->columns().column(c);
        EXPECT_GT(column.width(), titles->fontMetrics().horizontalAdvance(column.title().caption()))
            << column.fieldName().toStdString();
    }
}

TEST_F(ListFormTest, ReportMenuSendsTheListToExcel)
{
    const QString name = QStringLiteral("список сертификатов.xlsx");
    WriteWholeFile(dm().dataFile(name), ReadWholeFile(FixturePath(QStringLiteral("../../data/") + name)));
    QStringList opened;
    excel.folder = home.filePath(QStringLiteral("out"));
    QDir().mkpath(excel.folder);
    excel.open = [&opened](const QString &file) { opened << file; };
    TfList &page = openList();
    QStringList items;
    for (const QAction *action : page.MenuReport->actions())
        items << action->iconText() + (action->isVisible() ? QString() : QStringLiteral(" (hidden)"));
    EXPECT_EQ(items, (QStringList{QStringLiteral("Список на печать"), QStringLiteral("Сертификаты на печать"),
                                  QStringLiteral("Статистика на печать"), QStringLiteral("Список в Excel"), QStringLiteral("Сертификаты в Excel (hidden)"),
                                  QStringLiteral("Статистика в Excel"), QStringLiteral("Сертификаты в MS Word")}));
    page.aPasteList->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(QFileInfo(opened.first()).fileName().startsWith(QStringLiteral("список сертификатов ")));
}

TEST_F(ListFormTest, TitleClickSortsAndKeepsEveryRowReachable)
{
    addNumbered(1200);
    openList();
    // A search left 400 certificates hidden and the list on the found rows.
    dm().ASQLite3DBd.exec("update mcod set pFilter = 'FALSE' where id > 800");
    SetListView(dm().ASQM, ListView{ListOrder{}, true});
    list->SetListTabs();
    EXPECT_EQ(list->listCount(), 800);
    EXPECT_EQ(tabLabels(), QStringList{"1000"});

    const int expertColumn = 4, certNoColumn = 1;
    ASSERT_EQ(list->DBGridDocuments->columns().column(expertColumn).fieldName(), "Expert");
    list->DBGridDocumentsTitleClick(certNoColumn);
    EXPECT_EQ(dm().ASQM.sql(), "select * from mcod order by CertNo");
    // The sort lists all 1200 again, and the tabs count them.
    EXPECT_EQ(list->listCount(), 1200);
    EXPECT_EQ(tabLabels(), (QStringList{"1000", "2000"}));
    list->DBGridDocumentsTitleClick(certNoColumn);
    EXPECT_EQ(dm().ASQM.sql(), "select * from mcod order by CertNo desc");
    list->DBGridDocumentsTitleClick(certNoColumn);
    EXPECT_EQ(dm().ASQM.sql(), "select * from mcod order by CertNo");
    list->DBGridDocumentsTitleClick(expertColumn);
    EXPECT_EQ(dm().ASQM.sql(), "select * from mcod order by Expert");
}

TEST_F(ListFormTest, EnablingFollowsStatusAndOwner)
{
    QList<TestCertificate> rows;
    auto add = [&](qint64 id, int status, const QString &expert) {
        TestCertificate c;
        c.id = c.certNo = id;
        c.numNum = int(id);
        c.status = status;
        c.expert = expert;
        c.lastDate = 40000 + id;
        rows << c;
    };
    add(1, 6, "Петров");
    add(2, 7, "Петров");
    add(3, 6, "Иванов");
    addCertificates(rows);
    openList();
    auto at = [&](qint64 id) {
        ASSERT_TRUE(dm().ASQM.locate("id", id));
        list->SetEnableActions();
    };
    at(1); // another's project
    EXPECT_FALSE(list->aComplete->isEnabled());
    EXPECT_FALSE(list->aDelete->isEnabled());
    EXPECT_TRUE(list->aEdit->isEnabled());
    at(2); // another's issued certificate: cancel, but no spoilt blank
    EXPECT_TRUE(list->aCancel->isEnabled());
    EXPECT_FALSE(list->aBadPaper->isEnabled());
    EXPECT_TRUE(list->aDuplicate->isEnabled());
    at(3); // own project
    EXPECT_TRUE(list->aComplete->isEnabled());
    EXPECT_TRUE(list->aDelete->isEnabled());
    EXPECT_FALSE(list->aCancel->isEnabled());
    // Not the administrator: the own filter is forced on.
    EXPECT_FALSE(list->aFilterMyOnly->isEnabled());
    EXPECT_TRUE(list->aFilterMyOnly->isChecked());
    EXPECT_FALSE(list->ButtonMyOnly->isEnabled());
    App().CurrentUserId = 1;
    at(1);
    EXPECT_TRUE(list->aComplete->isEnabled());
    EXPECT_TRUE(list->aFilterMyOnly->isEnabled());
}

TEST_F(ListFormTest, OwnFilterListsOnlyTheUsersCertificatesAndCountsThem)
{
    QList<TestCertificate> rows;
    for (qint64 id = 1; id <= 6; ++id) {
        TestCertificate c;
        c.id = c.certNo = id;
        c.numNum = int(id);
        c.lastDate = 40000 + id;
        c.expert = id % 2 ? "Иванов" : "Expert";
        rows << c;
    }
    addCertificates(rows);
    App().CurrentUserName = "Expert";
    openList();
    list->SetEnableActions(); // checks the button for an ordinary user
    list->ApplyMyOnlyFilter();
    EXPECT_EQ(list->listCount(), 3);
    EXPECT_EQ(dm().ASQM.recordCount(), 3);
    EXPECT_EQ(helpText, " Мои");
    EXPECT_TRUE(SameFilter(App().ListFilterText, MyOnlyFilter("Expert")));
    for (dm().ASQM.first(); !dm().ASQM.eof(); dm().ASQM.next())
        EXPECT_EQ(dm().ASQM.fieldByName("Expert").asString(), "Expert");

    App().CurrentUserId = 1; // the administrator lets go of the button
    list->SetEnableActions();
    list->aFilterMyOnly->setChecked(false);
    list->ApplyMyOnlyFilter();
    EXPECT_EQ(list->listCount(), 6);
    EXPECT_TRUE(App().ListFilterText.isEmpty());
}

TEST_F(ListFormTest, NewCertificateFillsTheInsertParametersAndOpensTheEditor)
{
    phrases();
    QList<TestCertificate> used;
    for (int n : {1, 2, 4}) {
        TestCertificate c;
        c.id = c.certNo = n;
        c.numNum = n;
        used << c;
    }
    addCertificates(used);
    dm().QueryInsM.paramByName("fSize3").setInteger(14); // from the previous preparation
    openList();

    language = std::nullopt; // the language window cancelled
    list->aNewExecute();
    EXPECT_EQ(editRuns, 0);

    language = "ru";
    list->aNewExecute();
    ASSERT_EQ(editRuns, 1);
    EXPECT_EQ(App().EditMode, 1);
    SqlQuery &ins = dm().QueryInsM;
    auto p = [&](const char *name) -> SqlParam & { return ins.paramByName(name); };
    EXPECT_EQ(p("id").asInteger(), 5);
    EXPECT_EQ(p("status").asInteger(), 6);
    EXPECT_EQ(p("NumNum").asInteger(), 3); // the first free blank
    EXPECT_EQ(p("ReferenceNo").asText(), QString::fromLatin1(MakeReferenceNo(3)));
    EXPECT_EQ(p("ReferenceNo").asText(), "6007000003");
    EXPECT_EQ(p("GNum").asInteger(), 6);
    EXPECT_EQ(p("CertNo").asInteger(), App().ProposedCertNo);
    EXPECT_EQ(p("Language").asText(), "ru");
    EXPECT_EQ(p("Expert").asText(), "Иванов");
    EXPECT_EQ(p("Country5").asText(), "Россия-5");
    EXPECT_EQ(ParamToWide(p("DovName")), "ТПП Города");
    EXPECT_EQ(p("DovName").type(), SqlParam::Type::Blob);
    EXPECT_EQ(p("City11").asText(), "Город-11");
    EXPECT_EQ(p("City12").asText(), "Город-12");
    EXPECT_EQ(p("Country12").asText(), "Страна-12");
    const qint64 today = DateToDayNumber(Today());
    for (const char *date : {"DateIssued", "Date11", "Date12", "LastDate"})
        EXPECT_EQ(p(date).asInteger(), today) << date;
    for (const char *none : {"Sender", "Exporter", "Recipient", "Importer", "transport", "OfficialNote",
                             "AdditionalInfo", "BadDate", "BadExpert", "goDuplicate", "goInstead", "goCancel",
                             "goTrue", "fileComment13", "fileName13", "actNumber14"})
        EXPECT_TRUE(p(none).isNull()) << none;
    EXPECT_EQ(p("actDate14").asInteger(), 0);
    EXPECT_FALSE(p("actPresent14").value().toBool());
    EXPECT_EQ(p("fSize3").asInteger(), 14);
}

TEST_F(ListFormTest, IssueGivesStatusFiveWithAnAttachedFileAndSevenWithout)
{
    const qint64 plain = addValidProject();
    const qint64 attached = addValidProject("/home/u/scan.pdf");
    QFile source(home.filePath("scan.pdf"));
    openList();
    list->SetEnableActions(); // ordinary user: own filter
    list->ApplyMyOnlyFilter();

    struct Case {
        qint64 id;
        int status;
    };
    for (const Case &c : {Case{plain, 7}, Case{attached, 5}}) {
        SCOPED_TRACE(c.id);
        ASSERT_TRUE(dm().ASQM.locate("id", c.id));
        printedId = -1;
        list->aCompleteExecute();
        EXPECT_EQ(scalar(QString("select status from mcod where id = %1").arg(c.id)), c.status);
        // Still listed under the own filter, and the print page opens on it.
        EXPECT_EQ(printedId, c.id);
    }
    EXPECT_EQ(originalSelected, 2);
    // DlgPaper missing: the blank question was asked with the blank numbers.
    EXPECT_EQ(blankAsked.size(), 2);
    EXPECT_TRUE(prompts->texts().contains("Внимание, в выданный документ уже невозможно будет внести изменения!"));
    EXPECT_EQ(prompts->shown().last().buttons, Prompt::YesCancel);
}

TEST_F(ListFormTest, IssueStopsAtEitherQuestionAndSkipsTheBlankQuestionWhenSwitchedOff)
{
    const qint64 id = addValidProject();
    openList();
    ASSERT_TRUE(dm().ASQM.locate("id", id));

    blankAnswer = false;
    list->aCompleteExecute();
    EXPECT_EQ(scalar("select status from mcod"), 6);
    EXPECT_TRUE(prompts->shown().isEmpty());

    dm().SaveOption(App().CurrentUserName, "DlgPaper", "False");
    prompts->answer(Prompt::IdCancel);
    list->aCompleteExecute();
    EXPECT_EQ(blankAsked.size(), 1);
    EXPECT_EQ(scalar("select status from mcod"), 6);
    EXPECT_EQ(printedId, -1);
}

TEST_F(ListFormTest, IssuedCertificateThatLeavesTheListOpensNoPrintPage)
{
    addNumbered(3);
    const qint64 id = addValidProject();
    dm().SaveOption(App().CurrentUserName, "DlgPaper", "0");
    openList();
    // A filter that the issued certificate no longer meets: after the change the
    // list reopens on another certificate.
    SqlFragment projectsOnly;
    projectsOnly.text = "status = 6";
    dm().ASQM.close();
    dm().ASQM.setFilter(projectsOnly);
    dm().ASQM.setFiltered(true);
    list->SetListTabs();
    ASSERT_TRUE(dm().ASQM.locate("id", id));
    list->aCompleteExecute();
    EXPECT_EQ(scalar(QString("select status from mcod where id = %1").arg(id)), 7);
    EXPECT_NE(RowId(dm().ASQM), id);
    EXPECT_EQ(printedId, -1);
    EXPECT_EQ(originalSelected, 0);
}

TEST_F(ListFormTest, DeleteAsksThenRemovesAndRecounts)
{
    addNumbered(3);
    openList();
    ASSERT_TRUE(dm().ASQM.locate("id", qint64(2)));
    prompts->answer(Prompt::IdNo);
    list->aDeleteExecute();
    EXPECT_EQ(scalar("select count(*) from mcod"), 3);
    EXPECT_EQ(prompts->texts().last(), "Вы действительно хотите удалить документ " + MakeReferenceNo(2) + "?");

    list->aDeleteExecute();
    EXPECT_EQ(scalar("select count(*) from mcod"), 2);
    EXPECT_EQ(scalar("select count(*) from dcod where idM = 2"), 0);
    EXPECT_EQ(list->listCount(), 2);
    EXPECT_EQ(dm().ASQM.recNo(), 1);
}

TEST_F(ListFormTest, WheelMovesOneRowThroughThePostedMessage)
{
    addNumbered(5);
    openList();
    dm().ASQM.first();
    QApplication::processEvents();
    QWidget *viewport = list->DBGridDocuments->viewport();
    const QPointF at(20, 20);
    auto wheel = [&](int delta) {
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    };
    wheel(-120);
    EXPECT_EQ(dm().ASQM.recNo(), 1); // posted, not yet handled
    QApplication::processEvents();
    EXPECT_EQ(dm().ASQM.recNo(), 2);
    wheel(-120);
    wheel(-120);
    QApplication::processEvents();
    EXPECT_EQ(dm().ASQM.recNo(), 4);
    wheel(120);
    QApplication::processEvents();
    EXPECT_EQ(dm().ASQM.recNo(), 3);
    // The goods grid moves the goods lines.
    ASSERT_EQ(dm().ASQD.recordCount(), 2);
    dm().ASQD.first();
    QWheelEvent down(at, at, QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->DBGridGoods->viewport(), &down);
    QApplication::processEvents();
    EXPECT_EQ(dm().ASQD.recNo(), 2);
    EXPECT_EQ(list->MemoGood->toPlainText(), QString("Товар %1/2").arg(RowId(dm().ASQM)));
}

TEST_F(ListFormTest, EditAndDoubleClickGoThroughTheMainWindow)
{
    TestCertificate issued;
    issued.status = 7;
    addCertificates({issued});
    openList();
    mainEdit.setEnabled(false);
    list->DBGridDocumentsDblClick();
    EXPECT_EQ(viewRuns, 1);
    EXPECT_EQ(editRuns, 0);
    mainEdit.setEnabled(true);
    list->DBGridDocumentsDblClick();
    EXPECT_EQ(editRuns, 1);
    EXPECT_EQ(App().EditMode, 2);
}

TEST(ListBlankDialog, ShowsTheNumberAndAnswersYesOrNo)
{
    TFormDlgPaper dialog;
    dialog.setNumberText("№0000042?");
    EXPECT_EQ(dialog.windowTitle(), "Внимание!");
    EXPECT_EQ(dialog.LabelQuestion->text(), "Вы приготовили для печати бланк");
    EXPECT_EQ(dialog.LabelNumber->text(), "№0000042?");
    EXPECT_EQ(dialog.ButtonYes->text(), "Да");
    EXPECT_EQ(dialog.ButtonNo->text(), "Нет");

    for (bool yes : {true, false}) {
        QTimer::singleShot(0, [yes] {
            auto *shown = qobject_cast<TFormDlgPaper *>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(shown->LabelNumber->text(), "№0000042?");
            (yes ? shown->ButtonYes : shown->ButtonNo)->click();
        });
        EXPECT_EQ(AskBlankInPrinter(nullptr, 42), yes);
    }
}

TEST_F(ListFormTest, FirstColumnIsPaintedInTheStatusColour)
{
    QList<TestCertificate> rows;
    const int statuses[] = {6, 7, 8, 9, 10};
    for (int i = 0; i < 5; ++i) {
        TestCertificate c;
        c.id = i + 1;
        c.certNo = 42 + i;
        c.numNum = i + 1;
        c.status = statuses[i];
        c.lastDate = 40010 - i; // newest first: the rows keep this order
        rows << c;
    }
    addCertificates(rows);
    openList();
    TqlDBGrid &grid = *list->DBGridDocuments;
    grid.clearSelection();
    grid.setCurrentIndex(QModelIndex());
    const QImage image = grid.viewport()->grab().toImage();
    const int referenceSection = grid.dataModel()->columnOfField("ReferenceNo");
    const int certNoSection = grid.dataModel()->columnOfField("CertNo");
    for (int row = 0; row < 5; ++row) {
        const QRect cell = grid.visualRect(grid.model()->index(row, referenceSection));
        ASSERT_FALSE(cell.isEmpty());
        // A corner of the cell, away from the text.
        const QColor painted = image.pixelColor(cell.left() + 2, cell.top() + 2);
        if (row == 0)
            continue; // the current row is drawn selected
        EXPECT_EQ(painted, StatusColor(statuses[row])) << "row " << row;
    }
    // The second column shows the blank number in 7 digits, on the status-less background.
    const QRect blank = grid.visualRect(grid.model()->index(1, certNoSection));
    EXPECT_EQ(image.pixelColor(blank.left() + 2, blank.top() + 2), grid.palette().color(QPalette::Base));
}

TEST_F(ListFormTest, MainWindowShowsTheListAndItsListActionRestoresTheOwnFilter)
{
    QList<TestCertificate> rows;
    for (qint64 id = 1; id <= 4; ++id) {
        TestCertificate c;
        c.id = c.certNo = id;
        c.numNum = int(id);
        c.expert = id <= 3 ? "Иванов" : "Петров";
        rows << c;
    }
    addCertificates(rows);
    TfMain main;
    RegisterWorkplacePages(main);
    auto *page = qobject_cast<TfList *>(main.page("fList"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(main.listPage(), page);
    main.SetEnableActions(); // the list's part checks the own filter for an ordinary user
    ASSERT_TRUE(page->aFilterMyOnly->isChecked());
    App().ListFilterText = page->ownFilter();
    dm().ASQM.setFiltered(true); // as the start-up leaves it

    // The list action finds the query without the filter and puts it back, with its value.
    main.aListExecute();
    EXPECT_TRUE(SameFilter(dm().ASQM.filter(), MyOnlyFilter("Иванов")));
    EXPECT_EQ(page->listCount(), 3);
    EXPECT_EQ(dm().ASQM.recordCount(), 3);
}

TEST_F(ListFormTest, DuplicateOfAnIssuedCertificateOpensTheEditorAndJumpsFollowTheLinks)
{
    const qint64 id = addValidProject();
    dm().SaveOption(App().CurrentUserName, "DlgPaper", "0");
    openList();
    ASSERT_TRUE(dm().ASQM.locate("id", id));
    list->aCompleteExecute();
    ASSERT_EQ(scalar(QString("select status from mcod where id = %1").arg(id)), 7);
    const QString original = dm().ASQM.fieldByName("ReferenceNo").asString();

    list->aDuplicateExecute();
    ASSERT_EQ(editRuns, 1) << prompts->texts().join("|").toStdString();
    EXPECT_EQ(App().EditMode, 4);
    EXPECT_TRUE(App().DuplicateInProgress);
    EXPECT_EQ(dm().QueryInsM.paramByName("status").asInteger(), 10);
    EXPECT_EQ(dm().QueryInsM.paramByName("goTrue").asText(), original);

    // The editor's save, in short: the duplicate row and the link on the original.
    dm().QueryInsM.execSql();
    const QString duplicate = dm().QueryInsM.paramByName("ReferenceNo").asText();
    dm().ASQLite3DBd.exec(QString("update mcod set goDuplicate = '%1' where id = %2").arg(duplicate).arg(id));
    list->SetListTabs();
    ASSERT_TRUE(dm().ASQM.locate("id", id));
    list->SetEnableActions(); // an issued row: no duplicate in preparation any more
    EXPECT_FALSE(App().DuplicateInProgress);
    EXPECT_TRUE(list->aGoDuplicate->isEnabled());
    list->aGoDuplicateExecute();
    EXPECT_EQ(dm().ASQM.fieldByName("ReferenceNo").asString(), duplicate);
    list->SetEnableActions();
    EXPECT_TRUE(list->aGoTrue->isEnabled());
    list->aGoTrueExecute();
    EXPECT_EQ(RowId(dm().ASQM), id);
}

TEST_F(ListFormTest, AFailingCertificatesReportSaysSoInTheStatusBarAndAnErrorBox)
{
    addNumbered(2);
    TfList &page = openList();
    // The data folder holds no templates: the certificates report stops with
    // a word in the main window's status bar (the help line keeps its own
    // text) and an error box.
    helpText = QStringLiteral("подсказка");
    page.aReportCerts->trigger();
    EXPECT_EQ(statusText, "Произошла ошибка при добавлении задания в очередь");
    EXPECT_EQ(helpText, QStringLiteral("подсказка"));
    ASSERT_FALSE(prompts->shown().isEmpty());
    EXPECT_EQ(prompts->shown().last().icon, Prompt::Error);
}

// Nothing opens when an Office export fails, so each says in a box what
// failed and why, and journals it; no file is left behind.
TEST_F(ListFormTest, AFailedOfficeExportTellsTheOperatorWhatFailed)
{
    addNumbered(2);
    QStringList opened;
    excel.folder = home.filePath(QStringLiteral("out"));
    QDir().mkpath(excel.folder);
    excel.open = [&opened](const QString &file) { opened << file; };
    TfList &page = openList();
    const struct {
        const char *name;
        QAction *action;
        const char *said;
        const char *missing; // the template the error names
    } cases[] = {
        {"list to Excel", page.aPasteList, "Не удалось вывести список сертификатов в Excel", "список сертификатов.xlsx"},
        {"certificates to Excel", page.aPasteCerts, "Не удалось вывести сертификаты в Excel", "Tessal; сертификат.xlsx"},
        {"statistics to Excel", page.aPasteStatistic, "Не удалось вывести статистику в Excel", "Статистика.xlsx"},
        {"certificates to Word", page.aWinWordCerts, "Не удалось вывести сертификаты в MS Word", "SearchTemplate_ru.docx"},
        {"certificate to Word", page.aPaperToWord, "Не удалось вывести сертификат в MS Word", "TessalFormCertMain_ru.docx"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prompts->clear();
        journal.sink().clear();
        c.action->setEnabled(true);
        c.action->trigger();
        ASSERT_EQ(prompts->shown().size(), 1);
        const QString text = prompts->shown().first().text;
        EXPECT_TRUE(text.startsWith(QString::fromUtf8(c.said) + QStringLiteral(":\n"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.missing))) << text.toStdString();
        EXPECT_EQ(prompts->shown().first().icon, Prompt::Error);
        EXPECT_FALSE(journal.sink().records().isEmpty());
    }
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(QDir(excel.folder).isEmpty());
}

// Each report opens in a preview window captioned with its name; printing
// from there to a printer that is not there says so in Russian.
TEST_F(ListFormTest, ReportPreviewsCarryTheReportsNameAndSpeakRussian)
{
    for (const QString name : {QStringLiteral("SearchReport.fr3"), QStringLiteral("StatisticReport.fr3"),
                               QStringLiteral("CertsCaption.fr3"), QStringLiteral("h_ru.fr3")})
        WriteWholeFile(dm().dataFile(name), ReadWholeFile(FixturePath(QStringLiteral("../../data/") + name)));
    addNumbered(2);
    App().PrinterName = QByteArrayLiteral("Принтер-которого-нет");
    TfList &page = openList();
    const struct {
        const char *name;
        QAction *action;
        QString caption;
    } cases[] = {
        {"list", page.aReportListSearch, QStringLiteral("Список сертификатов")},
        {"statistics", page.aReportStatistic, QStringLiteral("Статистика")},
        {"certificates", page.aReportCerts, QStringLiteral("Сертификаты")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prompts->clear();
        c.action->setEnabled(true);
        c.action->trigger();
        ReportPreviewWindow *preview = nullptr;
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *window = qobject_cast<ReportPreviewWindow *>(widget); window && window->isVisible())
                preview = window;
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->windowTitle(), c.caption);
        preview->printAction()->trigger();
        ASSERT_EQ(prompts->shown().size(), 1);
        // Russian words around the printer's name, no English ones.
        QString text = prompts->shown().first().text;
        EXPECT_TRUE(text.contains(QStringLiteral("Принтер-которого-нет"))) << text.toStdString();
        EXPECT_FALSE(text.remove(QStringLiteral("Принтер-которого-нет")).contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
            << text.toStdString();
        preview->close(); // deletes itself
        QApplication::processEvents();
    }
    App().PrinterName.clear();
}

TEST_F(ListFormTest, PaperToWordWritesTheCurrentCertificateAndOpensIt)
{
    for (const QString name : {QStringLiteral("TessalFormCertMain_ru.docx"), QStringLiteral("TessalFormCertNext_ru.docx")})
        WriteWholeFile(dm().dataFile(name), ReadWholeFile(FixturePath(QStringLiteral("../../data/") + name)));
    addNumbered(2);
    QStringList opened;
    excel.folder = home.filePath(QStringLiteral("out"));
    QDir().mkpath(excel.folder);
    excel.open = [&opened](const QString &file) { opened << file; };
    TfList &page = openList();
    ASSERT_TRUE(page.aPaperToWord->isEnabled());
    page.aPaperToWord->trigger();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.first().endsWith(QStringLiteral(".docx")));
    const OfficeTables tables = ReadDocxTables(ReadWholeFile(opened.first()));
    ASSERT_EQ(tables.size(), 1);
    EXPECT_EQ(tables.first().cell(1, 3), dm().ASQM.fieldByName(QStringLiteral("ReferenceNo")).asString());
}

// The reference number becomes part of the document's file name: a number
// that cannot name a file in the output folder gives no document at all,
// even where the path it makes would lead somewhere.
TEST_F(ListFormTest, PaperToWordRefusesAReferenceNumberThatCannotNameAFile)
{
    for (const QString &name : {QStringLiteral("TessalFormCertMain_ru.docx"), QStringLiteral("TessalFormCertNext_ru.docx")})
        WriteWholeFile(dm().dataFile(name), ReadWholeFile(FixturePath(QStringLiteral("../../data/") + name)));
    addNumbered(1);
    excel.folder = home.filePath(QStringLiteral("out"));
    struct Row {
        const char *name;
        QString reference;
    };
    const Row rows[] = {
        {"a separator", QStringLiteral("7/1")},
        {"a way up", QStringLiteral("../../1")},
        {"a line break", QStringLiteral("7\n1")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QDir(excel.folder).removeRecursively();
        // The folders the name would lead through exist.
        QDir().mkpath(excel.folder + QStringLiteral("/Сертификат 7"));
        QDir().mkpath(excel.folder + QStringLiteral("/Сертификат ../.."));
        SqliteStatement update(dm().ASQLite3DBd, QStringLiteral("update mcod set ReferenceNo = :ref"));
        update.bindText(QStringLiteral("ref"), row.reference);
        update.execute();
        QStringList opened;
        excel.open = [&opened](const QString &file) { opened << file; };
        journal.sink().clear();
        list.reset();
        TfList &page = openList();
        ASSERT_EQ(dm().ASQM.fieldByName(QStringLiteral("ReferenceNo")).asString(), row.reference);
        page.aPaperToWord->trigger();
        EXPECT_TRUE(opened.isEmpty()) << opened.join('|').toStdString();
        QDirIterator written(home.path(), {QStringLiteral("*.docx")}, QDir::Files, QDirIterator::Subdirectories);
        QStringList documents;
        while (written.hasNext())
            documents << written.next();
        documents.removeIf([](const QString &file) { return file.contains(QStringLiteral("/data/")); });
        EXPECT_TRUE(documents.isEmpty()) << documents.join('|').toStdString();
        const QList<EventRecord> logged = journal.sink().withId(EventId::ExceptionCaught);
        ASSERT_EQ(logged.size(), 1);
        EXPECT_TRUE(logged[0].strings.value(0).endsWith(QStringLiteral("ListForm.TfList.aPaperToWordExecute")))
            << logged[0].strings.join('|').toStdString();
    }
}

// The reports and exports walk the listed certificates (and the goods lines
// and the search options); afterwards the list stands where the operator put
// it, so that "Печать" prints the certificate they chose.
TEST_F(ListFormTest, ReportsAndExportsLeaveTheOperatorsCertificateCurrent)
{
    shipTemplates({"SearchReport.fr3", "StatisticReport.fr3", "CertsCaption.fr3", "h_ru.fr3",
                   "список сертификатов.xlsx", "Статистика.xlsx", "Tessal; сертификат.xlsx", "SearchTemplate_ru.docx",
                   "TessalFormCertMain_ru.docx", "TessalFormCertNext_ru.docx"});
    addNumbered(5); // listed 5, 4, 3, 2, 1
    InsertRow(dm().ASQLite3DBd, QStringLiteral("dcod"),
              {{"idM", 3}, {"dOrder", 3}, {"d8Description", QStringLiteral("Товар 3/3")}});
    FillSearchOptions(dm().cdsSearchOptions, {{QStringLiteral("Всего документов: 5"), {}},
                                              {QStringLiteral("Найдено документов: 5"), {}},
                                              {QStringLiteral("Список поисковых условий"), {}},
                                              {QStringLiteral("    Товар"), QStringLiteral("Товар")}});
    QStringList opened;
    excel.folder = home.filePath(QStringLiteral("out"));
    QDir().mkpath(excel.folder);
    excel.open = [&opened](const QString &file) { opened << file; };
    TfMain main; // its caption names the current certificate
    QObject::connect(&dm(), &TDM::enableActionsRequested, &main, &TfMain::SetEnableActions);
    TfList &page = openList();
    const struct {
        const char *name;
        QAction *action;
        bool document; // a document is delivered, else a report preview opens
    } cases[] = {
        {"Список на печать", page.aReportListSearch, false},
        {"Статистика на печать", page.aReportStatistic, false},
        {"Сертификаты на печать", page.aReportCerts, false},
        {"Список в Excel", page.aPasteList, true},
        {"Статистика в Excel", page.aPasteStatistic, true},
        {"Сертификаты в Excel", page.aPasteCerts, true},
        {"Сертификаты в MS Word", page.aWinWordCerts, true},
        {"В MS Word", page.aPaperToWord, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // The operator's choice: the third of five certificates, its second
        // goods line, the search options on their second record.
        ASSERT_TRUE(dm().ASQM.locate("id", qint64(3)));
        dm().ASQD.setRecNo(2);
        dm().cdsSearchOptions.setRecNo(2);
        main.SetEnableActions();
        const QString reference = dm().ASQM.fieldByName("ReferenceNo").asString();
        const int row = dm().ASQM.currentRow();
        ASSERT_EQ(row, 2);
        ASSERT_EQ(page.DBGridDocuments->currentIndex().row(), row);
        ASSERT_EQ(main.windowTitle(), ApplicationTitle() + QStringLiteral(" - ") + reference);
        const qsizetype documents = opened.size();

        c.action->setEnabled(true);
        c.action->trigger();

        if (c.document) {
            EXPECT_EQ(opened.size(), documents + 1);
        } else {
            bool previewed = false;
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *preview = qobject_cast<ReportPreviewWindow *>(widget); preview && preview->isVisible()) {
                    previewed = true;
                    preview->close();
                }
            EXPECT_TRUE(previewed);
            QApplication::processEvents();
        }
        EXPECT_EQ(RowId(dm().ASQM), 3);
        EXPECT_EQ(dm().ASQM.fieldByName("ReferenceNo").asString(), reference);
        EXPECT_EQ(dm().ASQM.currentRow(), row);
        EXPECT_EQ(page.DBGridDocuments->currentIndex().row(), row);
        EXPECT_EQ(main.windowTitle(), ApplicationTitle() + QStringLiteral(" - ") + reference);
        // The goods grid shows this certificate's lines, on the line it stood on.
        EXPECT_EQ(dm().ASQD.recordCount(), 3);
        EXPECT_EQ(WideTextFromBytes(dm().ASQD.fieldByName("d8Description").asBytes()), QStringLiteral("Товар 3/2"));
        EXPECT_EQ(page.DBGridGoods->currentIndex().row(), 1);
        EXPECT_EQ(page.MemoGood->toPlainText(), QStringLiteral("Товар 3/2"));
        EXPECT_EQ(dm().cdsSearchOptions.recNo(), 2);
    }
    EXPECT_TRUE(prompts->shown().isEmpty()) << prompts->texts().join("|").toStdString();
}

// A walk that fails part-way (no template for a certificate's language)
// leaves the list where the operator put it as well.
TEST_F(ListFormTest, AReportOrExportFailingPartWayLeavesTheCurrentCertificate)
{
    shipTemplates({"CertsCaption.fr3", "h_ru.fr3", "SearchTemplate_ru.docx"});
    addNumbered(4);
    dm().ASQLite3DBd.exec(QStringLiteral("update mcod set Language = 'en' where id = 2")); // no "en" templates
    excel.folder = home.filePath(QStringLiteral("out"));
    excel.open = [](const QString &) {};
    TfList &page = openList();
    const struct {
        const char *name;
        QAction *action;
    } cases[] = {
        {"Сертификаты на печать", page.aReportCerts},
        {"Сертификаты в MS Word", page.aWinWordCerts},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prompts->clear();
        ASSERT_TRUE(dm().ASQM.locate("id", qint64(3)));
        c.action->setEnabled(true);
        c.action->trigger();
        ASSERT_EQ(prompts->shown().size(), 1); // the failure is told
        EXPECT_TRUE(prompts->shown().first().text.contains(QStringLiteral("_en"))) << prompts->texts().join("|").toStdString();
        EXPECT_EQ(RowId(dm().ASQM), 3);
        EXPECT_EQ(page.DBGridDocuments->currentIndex().row(), dm().ASQM.currentRow());
        ASSERT_FALSE(dm().ASQD.isEmpty());
        EXPECT_EQ(WideTextFromBytes(dm().ASQD.fieldByName("d8Description").asBytes()), QStringLiteral("Товар 3/1"));
    }
}
