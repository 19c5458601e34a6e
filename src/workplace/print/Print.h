#pragma once
// TfPrint: the print page. The operator picks what to print of the current
// certificate (copy, original on the blank, number imprint), the printer,
// the copies and the offsets of the blank, and sends the job; the preview
// page loads and prints it.
#include "CertificateReport.h"
#include "WorkPage.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TDM;
class TfMain;
class TfView;

// Two small arrow buttons that step the number in an edit within a range.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    TUpDown(QLineEdit *associate, int min, int max, QWidget *parent = nullptr);
    void step(int delta);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }

private:
    QLineEdit *m_associate;
    int m_min, m_max;
};

// What the print page needs of the windows around it.
struct PrintHost {
    // The preview page, made when missing.
    std::function<TfView *()> view;
    // The preview page when it exists, else null.
    std::function<TfView *()> existingView;
    // Shows again the page that was active when the print page was opened.
    std::function<void()> close;
};
// The host that the main window of the run provides.
PrintHost MainWindowPrintHost();

class TfPrint : public QWidget, public WorkPage {
    Q_OBJECT
public:
    TfPrint(TDM &dm, PrintHost host, QWidget *parent = nullptr);
    ~TfPrint() override;

    // Where jobs go: the chosen printer unless a test puts its own sink.
    void setPrintSink(std::unique_ptr<PrintSink> sink);

    void FormShow();
    void FormHide();
    void bPrintClick();
    void sbCertClick();
    void sbCertCopyClick();
    void sbVirtClick();
    void EnableCopyes(bool on);
    void EnableCert(bool on);
    void EnableVirt(bool on);
    void SetPrintModes();
    void eCopiesChange();
    void cbPrintersChange();
    void bPrinterPropsClick();
    void eTopChange();
    void BitBtnCloseClick();

    // The mode of the button that is down; none when no button is.
    std::optional<CertPrintMode> chosenMode() const;

    QGroupBox *GroupDocument = nullptr;
    QToolButton *sbCert = nullptr;
    QToolButton *sbCertCopy = nullptr;
    QToolButton *sbVirt = nullptr;
    QGroupBox *GroupPrinter = nullptr;
    QComboBox *cbPrinters = nullptr;
    QPushButton *bPrinterProps = nullptr;
    QGroupBox *GroupPrint = nullptr;
    QLabel *lHelp = nullptr;
    QLabel *lCopies = nullptr;
    QLineEdit *eCopies = nullptr;
    TUpDown *udCopies = nullptr;
    QPushButton *bPrint = nullptr;
    QGroupBox *GroupSettings = nullptr;
    QLineEdit *eTop = nullptr;
    TUpDown *udTop = nullptr;
    QLineEdit *eLeft = nullptr;
    TUpDown *udLeft = nullptr;
    QPushButton *BitBtnClose = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // One builder per group of the page.
    void createControls();
    QGroupBox *buildDocumentGroup();
    QGroupBox *buildPrinterGroup();
    QGroupBox *buildPrintGroup();
    QGroupBox *buildSettingsGroup();
    void fillPrinters();
    void choosePrinter(const QString &name);
    void choosePrintFile(const QString &fileName);
    void readOffsets();
    void choose(QToolButton *button);
    // The original or the imprint: chosen only while the certificate may be printed.
    void chooseOnBlank(QToolButton *button);
    void printOnce(TfView &view, CertPrintMode mode, const ReportPrintSettings &destination);
    void printWithAttempts(CertPrintMode mode, const ReportPrintSettings &destination);

    TDM &m_dm;
    PrintHost m_host;
    std::unique_ptr<PrintSink> m_sink;
    bool MayPrint = false;
    bool m_readingOffsets = false;
};

// Registers the preview page "fView" and the print page "fPrint" with the main window.
void RegisterPrintingPages(TfMain &main);
