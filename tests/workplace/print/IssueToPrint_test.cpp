// Issuing from the list ends on the print page, set to print the original on
// the blank; the preview page comes from the main window's view action.
#include "PrintFixture.h"

#include "FormMain.h"
#include "FormView.h"
#include "ListForm.h"
#include "Print.h"
#include "ReportEngine.h"
#include "WorkplacePages.h"

#include <QApplication>
#include <QLabel>
#include <QToolButton>

namespace {

class IssueToPrint : public PrintFixture {
protected:
    void SetUp() override
    {
        PrintFixture::SetUp();
        qputenv("XDG_CONFIG_HOME", home.filePath("cfg").toUtf8());
        qputenv("TESSAL_COMMON_CONFIG", home.filePath("common").toUtf8());
        dm->SaveOption(App().CurrentUserName, QStringLiteral("DlgPaper"), QStringLiteral("False"));
        main = std::make_unique<TfMain>();
        RegisterWorkplacePages(*main);
        // As the start-up wires them.
        QObject::connect(&*dm, &TDM::enableActionsRequested, main.get(), &TfMain::SetEnableActions);
        main->resize(1000, 700);
        main->show();
        list = qobject_cast<TfList *>(main->page(QStringLiteral("fList")));
        ASSERT_NE(list, nullptr);
        main->SetActiveForm_(list);
        main->SetEnableActions();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        main.reset();
        PrintFixture::TearDown();
    }

    std::unique_ptr<TfMain> main;
    TfList *list = nullptr;
};

TEST_F(IssueToPrint, IssueEndsOnThePrintPageReadyForTheOriginal)
{
    ASSERT_TRUE(dm->ASQM.locate(QStringLiteral("id"), QVariant(CertId)));
    list->aCompleteExecute();
    ASSERT_EQ(value(QStringLiteral("select status from mcod where id = 1")).toInt(), 7)
        << prompter->texts().join('|').toStdString();
    auto *print = qobject_cast<TfPrint *>(main->currentPage());
    ASSERT_NE(print, nullptr) << (main->currentPage() ? main->currentPage()->objectName().toStdString() : "none");
    EXPECT_TRUE(print->sbCert->isChecked());
    EXPECT_TRUE(print->bPrint->isEnabled());
    EXPECT_EQ(print->lHelp->text(), QStringLiteral("Вставьте в принтер бланк с номером 0000101"));

    main->aViewExecute();
    auto *view = qobject_cast<TfView *>(main->currentPage());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->frxPreview->pageCount(), 1);
    EXPECT_FALSE(view->aSaveFont->isEnabled()); // issued: sizes are no longer saved
    view->aClose->trigger();
    EXPECT_EQ(main->currentPage(), print);
}

} // namespace
