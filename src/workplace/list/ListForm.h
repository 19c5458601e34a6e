#pragma once
// TfList (fList): the certificate list, the main window's home page. The
// certificate heads in pages of a thousand with the goods lines of the
// selected certificate under them, and the actions on a certificate: new
// project, template, edit, delete, issue, spoilt blank, cancel, duplicate and
// the jumps between a certificate and its duplicate.
#include "DocumentDelivery.h"
#include "SqlQuery.h"
#include "WorkPage.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class ListPageTabs;
class QToolButton;
class QWidget;
class DataSet;
class TDM;
class TqlDBGrid;
class Report;

// What the list needs of the windows around it. The program wires these to
// the main window, the language window, the blank question and the print
// page; tests give their own.
struct ListHost {
    // The main window's actions "aEdit", "aView" and "aPrint"; null while absent.
    std::function<QAction *(const QString &name)> mainAction;
    // The main window's help line.
    std::function<void(const QString &text)> setHelpText;
    // The main window's status bar.
    std::function<void(const QString &text)> setStatusText;
    // The language of a new certificate (the modal language window); none when cancelled.
    std::function<std::optional<QString>()> chooseLanguage;
    // The blank question (TFormDlgPaper) for the blank number; true for "Да".
    std::function<bool(qint64 certNo)> askBlankInPrinter;
    // Puts the print page, shown by the main window's aPrint, on the original.
    std::function<void()> selectOriginalOnPrintPage;
    // Shows prepared report pages in a window of their own with a print
    // button; when unset the list opens a ReportPreviewWindow.
    std::function<void(const Report &report)> showReport;
    // Where the Office exports and the Word print-out go; by default the documents folder and xdg-open.
    DocumentDelivery documentDelivery;
};

class TfList : public QWidget, public ListPage {
    Q_OBJECT
public:
    TfList(TDM &dm, ListHost host, QWidget *parent = nullptr);
    ~TfList() override;

    // Enables the actions for the current row and user.
    void SetEnableActions();
    // Recounts the listed certificates, rebuilds the tabs when their number
    // changed and reloads the current tab.
    void SetListTabs();
    // Applies the own-certificates filter as the button now stands.
    void ApplyMyOnlyFilter();
    // The search shows the report button; the main window's list action hides it.
    void setReportButtonVisible(bool visible) override;
    void focusGrid() override;
    // The main window's calls.
    void enableListActions() override { SetEnableActions(); }
    void recountPages() override { SetListTabs(); }
    // The filter the own-certificates button asks for now (empty when it is up).
    SqlFragment ownFilter() const;
    // The help text the own-certificates filter shows: " Мои" while it is on.
    QString aFilterMyOnlyNote() const;

    qint64 listCount() const { return ListCount; }
    qint64 listedCount() const override { return ListCount; }

    // Actions
    QAction *aNew = nullptr;
    QAction *aTempl = nullptr;
    QAction *aEdit = nullptr;
    QAction *aDelete = nullptr;
    QAction *aComplete = nullptr;
    QAction *aDuplicate = nullptr;
    QAction *aBadPaper = nullptr;
    QAction *aCancel = nullptr;
    QAction *aFilterMyOnly = nullptr;
    QAction *aGoDuplicate = nullptr;
    QAction *aGoTrue = nullptr;
    QAction *aPaperToWord = nullptr; // the current certificate as a Word document
    QAction *aReportListSearch = nullptr;
    QAction *aReportCerts = nullptr;
    QAction *aReportStatistic = nullptr;
    // The report menu's Excel exports.
    QAction *aPasteList = nullptr;
    QAction *aPasteCerts = nullptr; // in the menu, hidden
    QAction *aPasteStatistic = nullptr;
    QAction *aWinWordCerts = nullptr;
    // Controls
    QWidget *tb = nullptr;
    QToolButton *ButtonGo = nullptr;
    QToolButton *ButtonMyOnly = nullptr;
    QToolButton *ButtonReport = nullptr;
    QMenu *PopupMenuGo = nullptr;
    QMenu *MenuReport = nullptr;
    QMenu *PopupPaper = nullptr;
    ListPageTabs *TabControlList = nullptr;
    TqlDBGrid *DBGridDocuments = nullptr;
    TqlDBGrid *DBGridGoods = nullptr;
    QPlainTextEdit *MemoGood = nullptr;
    QSplitter *SplitterList = nullptr;

    // Handlers
    void aNewExecute();
    void aTemplExecute();
    void aEditExecute();
    void aDeleteExecute();
    void aCompleteExecute();
    void aDuplicateExecute();
    void aBadPaperExecute();
    void aCancelExecute();
    void aFilterMyOnlyExecute();
    void aGoDuplicateExecute();
    void aGoTrueExecute();
    void aPaperToWordExecute();
    void aReportListSearchExecute();
    void aReportCertsExecute();
    void aReportStatisticExecute();
    void aPasteListExecute();
    void aPasteCertsExecute();
    void aPasteStatisticExecute();
    void aWinWordCertsExecute();
    void DBGridDocumentsDblClick();
    void DBGridDocumentsTitleClick(int column);
    void TabControlListChange();
    // Window messages 1444 and 1445: one row up (1) or down (2).
    void GetMessageGoBaseC(int wParam);
    void GetMessageGoBaseG(int wParam);

    static constexpr quint32 MessageGoBaseC = 1444;
    static constexpr quint32 MessageGoBaseG = 1445;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createActions();
    void createToolBar();
    void createGrids();
    void createDocumentsGrid();
    void createGoodsPanel(); // the goods grid and the memo of the selected line
    QAction *makeAction(const char *name, const QString &caption, const QString &hint, void (TfList::*handler)());
    void setHelpText(const QString &text);
    QAction *mainAction(const char *name) const;
    void runMainEdit();
    void loadCurrentTab();
    void showGoodsDescription();
    bool confirmFinalChange(const QString &text);
    void changeStatus(uint8_t status);
    void jumpTo(const char *linkField);
    void postWheel(quint32 message, int delta);
    void moveRows(DataSet &dataSet, int wParam);
    void guarded(const char *handler, const std::function<void()> &work);
    void showReport(const Report &report);
    void printSimpleReport(const char *handler, const QString &file);

    TDM &m_dm;
    ListHost m_host;
    qint64 ListCount = 0;
    // What ListCount counted, and the database's stamp when it did.
    std::optional<std::pair<QVariantList, SqliteChangeStamp>> m_counted;
};

// The list of the run; null before the start-up makes it.
TfList *fList();
