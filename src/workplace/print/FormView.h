#pragma once
// TfView: the preview page of the current certificate. A tool bar (print,
// zoom out and in, the zoom menu, the font menu of the fields, save sizes,
// close) over the preview of the filled template. The print page loads and
// prints the certificate through it.
#include "CertificateReport.h"
#include "WorkPage.h"

#include <QList>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class ReportPreview;
class TDM;

// What the preview needs of the windows around it.
struct ViewHost {
    // The main window's print action, first on the tool bar; null when absent.
    std::function<QAction *()> printAction;
    // Shows again the page that was active when the preview was opened.
    std::function<void()> close;
    // The main window and the list recompute their actions.
    std::function<void()> enableActions;
};
// The host that the main window of the run provides.
ViewHost MainWindowViewHost();

class TfView : public QWidget, public WorkPage {
    Q_OBJECT
public:
    TfView(TDM &dm, ViewHost host, QWidget *parent = nullptr);
    ~TfView() override;

    CertificateReport &certificate() { return *m_cert; }
    Report &report() { return m_cert->report(); }

    // Loads, fills and shows the current certificate for the preview (fitted
    // sizes for projects when the operator wants them) or for printing (the
    // stored sizes). Raise "не можем сместить объекты" when the template
    // would not load.
    void aFormShowExecute();
    void aPrintShowExecute();
    // The offsets and the footer again on the loaded template.
    void aSetSpaceExecute();
    void PrintReport(CertPrintMode mode, const QString &jobName, int copies, const ReportPrintSettings &destination,
                     PrintSink &sink);

    void UpdateFont(QAction *item);
    void aSaveFontExecute();
    void aAutoFontSizeExecute();
    void aZoomPlusExecute();
    void aZoomMinusExecute();
    void SetZoomClick(QAction *item);
    void aRestoreZoomExecute();
    void aCloseExecute();

    // The last zoom chosen (1.0 = 100 %), -1 page width, -2 whole page.
    static double StoredZoom;

    QToolBar *ToolBar = nullptr;
    ReportPreview *frxPreview = nullptr;
    QAction *aZoomPlus = nullptr;
    QAction *aZoomMinus = nullptr;
    QAction *aClose = nullptr;
    QAction *aSaveFont = nullptr;
    QAction *aAutoFontSize = nullptr; // the font menu's "Автоподбор" (mfAuto)
    QMenu *SubbmZoom = nullptr;
    QMenu *MenuFont = nullptr;
    // The size items of field N (index 1..12): "6" … "10", then "Автоматически"
    // for the fields that are not goods columns.
    std::array<QList<QAction *>, CertFields::Count + 1> FontItems;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createFontMenu();
    void createZoomMenu();
    // Shows the prepared pages with the stored zoom, the size items checked
    // as the fields now stand, and "Сохранить" for projects only.
    void showPrepared();
    void checkFontItems();
    void load(bool forPrint);

    TDM &m_dm;
    ViewHost m_host;
    std::unique_ptr<CertificateReport> m_cert;
};
