#include "Print.h"

#include "ApplicationTitle.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "FormMain.h"
#include "FormView.h"
#include "PrintDestination.h"
#include "PrintPageRules.h"
#include "Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString HelpPrinted = QStringLiteral("Задание успешно добавлено в очередь принтера");
const QString HelpFailed = QStringLiteral("Произошла ошибка при добавлении задания в очередь");
const QString HelpPlainPaper = QStringLiteral("Вставьте в принтер чистый лист бумаги");
const QString HelpBlank = QStringLiteral("Вставьте в принтер бланк с номером ");
const QString HelpInvalid = QStringLiteral("Печать невозможна - сертификат недействителен");
const QString HelpCancelled = QStringLiteral("Печать отменена");

// Drops the key presses whose character is not allowed; control characters
// (codes below 14) and keys without a character always pass.
class KeyFilter : public QObject {
public:
    KeyFilter(QObject *parent, std::function<bool(QChar)> allowed) : QObject(parent), m_allowed(std::move(allowed)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const QString text = static_cast<QKeyEvent *>(event)->text();
            if (!text.isEmpty() && text.at(0).unicode() >= 14 && !m_allowed(text.at(0)))
                return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool(QChar)> m_allowed;
};

// Puts Normalized in the edit when it differs, keeping the caret at the end.
void PutText(QLineEdit *edit, const QString &normalized)
{
    if (edit->text() != normalized)
        edit->setText(normalized);
}

} // namespace

TUpDown::TUpDown(QLineEdit *associate, int min, int max, QWidget *parent)
    : QWidget(parent), m_associate(associate), m_min(min), m_max(max)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const int delta : {1, -1}) {
        auto *button = new QToolButton(this);
        button->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        connect(button, &QToolButton::clicked, this, [this, delta] { step(delta); });
        layout->addWidget(button);
    }
}

void TUpDown::step(int delta)
{
    bool ok = false;
    const int value = m_associate->text().toInt(&ok);
    m_associate->setText(QString::number(std::clamp((ok ? value : 0) + delta, m_min, m_max)));
}

PrintHost MainWindowPrintHost()
{
    PrintHost host;
    host.view = []() -> TfView * {
        return fMain() ? qobject_cast<TfView *>(fMain()->page(QStringLiteral("fView"))) : nullptr;
    };
    host.existingView = []() -> TfView * {
        return fMain() ? qobject_cast<TfView *>(fMain()->existingPage(QStringLiteral("fView"))) : nullptr;
    };
    host.close = [] {
        if (TfMain *main = fMain())
            main->SetActiveForm_(main->returnPage());
    };
    return host;
}

void RegisterPrintingPages(TfMain &main)
{
    main.registerPage(QStringLiteral("fView"), [](TfMain &) { return new TfView(*DM(), MainWindowViewHost()); });
    main.registerPage(QStringLiteral("fPrint"), [](TfMain &) { return new TfPrint(*DM(), MainWindowPrintHost()); });
}

TfPrint::TfPrint(TDM &dm, PrintHost host, QWidget *parent)
    : QWidget(parent), m_dm(dm), m_host(std::move(host)), m_sink(std::make_unique<PrinterSink>())
{
    setObjectName(QStringLiteral("fPrint"));
    setWindowTitle(QStringLiteral("Печать"));
    createControls();
    fillPrinters();
    GroupSettings->setEnabled(!App().StopFlag);
    readOffsets();
    sbCertCopyClick();
}

TfPrint::~TfPrint() = default;

void TfPrint::setPrintSink(std::unique_ptr<PrintSink> sink)
{
    m_sink = std::move(sink);
}

void TfPrint::createControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildDocumentGroup());
    layout->addWidget(buildPrinterGroup());
    layout->addWidget(buildPrintGroup());
    layout->addWidget(buildSettingsGroup());
    BitBtnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    BitBtnClose->setToolTip(QStringLiteral("Вернуться к предыдущей операции"));
    connect(BitBtnClose, &QPushButton::clicked, this, &TfPrint::BitBtnCloseClick);
    layout->addWidget(BitBtnClose, 0, Qt::AlignRight);
    layout->addStretch(1);
}

QGroupBox *TfPrint::buildDocumentGroup()
{
    GroupDocument = new QGroupBox(QStringLiteral(" Документ "), this);
    auto *documents = new QHBoxLayout(GroupDocument);
    auto makeMode = [this, documents](QToolButton *&button, const char *name, const QString &caption,
                                      const QString &hint, void (TfPrint::*handler)()) {
        button = new QToolButton(GroupDocument);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(caption);
        button->setToolTip(hint);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setMinimumSize(120, 48);
        connect(button, &QToolButton::clicked, this, handler);
        documents->addWidget(button);
    };
    makeMode(sbCert, "sbCert", QStringLiteral("Сертификат"), QStringLiteral("Печать сертификата"), &TfPrint::sbCertClick);
    makeMode(sbCertCopy, "sbCertCopy", QStringLiteral("Копия"), QStringLiteral("Печать копии сертификата"),
             &TfPrint::sbCertCopyClick);
    makeMode(sbVirt, "sbVirt", QStringLiteral("Впечатывание номера"),
             QStringLiteral("Впечатывание номера в ранее заполненный бланк сертификата"), &TfPrint::sbVirtClick);
    return GroupDocument;
}

QGroupBox *TfPrint::buildPrinterGroup()
{
    GroupPrinter = new QGroupBox(QStringLiteral(" Принтер "), this);
    auto *printers = new QHBoxLayout(GroupPrinter);
    cbPrinters = new QComboBox(GroupPrinter);
    cbPrinters->setObjectName(QStringLiteral("cbPrinters"));
    bPrinterProps = new QPushButton(QStringLiteral("Свойства..."), GroupPrinter);
    bPrinterProps->setToolTip(QStringLiteral("Настройки принтера"));
    printers->addWidget(cbPrinters, 1);
    printers->addWidget(bPrinterProps);
    connect(bPrinterProps, &QPushButton::clicked, this, &TfPrint::bPrinterPropsClick);
    return GroupPrinter;
}

QGroupBox *TfPrint::buildPrintGroup()
{
    GroupPrint = new QGroupBox(QStringLiteral(" Печать "), this);
    auto *print = new QGridLayout(GroupPrint);
    lHelp = new QLabel(GroupPrint);
    lHelp->setObjectName(QStringLiteral("lHelp"));
    QFont bold = lHelp->font();
    bold.setBold(true);
    lHelp->setFont(bold);
    lCopies = new QLabel(QStringLiteral("Количество копий:"), GroupPrint);
    eCopies = new QLineEdit(QStringLiteral("1"), GroupPrint);
    eCopies->setObjectName(QStringLiteral("eCopies"));
    eCopies->setMaxLength(2);
    eCopies->setMaximumWidth(40);
    eCopies->setToolTip(QStringLiteral("Количество копий сертификата"));
    eCopies->installEventFilter(new KeyFilter(eCopies, [](QChar c) { return c.isDigit(); }));
    udCopies = new TUpDown(eCopies, 1, MaxCopies, GroupPrint);
    bPrint = new QPushButton(QStringLiteral("Отправить на печать"), GroupPrint);
    bPrint->setObjectName(QStringLiteral("bPrint"));
    bPrint->setToolTip(QStringLiteral("Отправить задание на печать"));
    print->addWidget(lHelp, 0, 0, 1, 4);
    print->addWidget(lCopies, 1, 0);
    print->addWidget(eCopies, 1, 1);
    print->addWidget(udCopies, 1, 2);
    print->addWidget(bPrint, 1, 3);
    connect(eCopies, &QLineEdit::textChanged, this, &TfPrint::eCopiesChange);
    connect(bPrint, &QPushButton::clicked, this, &TfPrint::bPrintClick);
    return GroupPrint;
}

QGroupBox *TfPrint::buildSettingsGroup()
{
    GroupSettings = new QGroupBox(QStringLiteral("Настройка печати"), this);
    auto *settings = new QGridLayout(GroupSettings);
    settings->addWidget(new QLabel(QStringLiteral("Отступы бланка"), GroupSettings), 0, 0, 1, 3);
    auto makeOffset = [this, settings](QLineEdit *&edit, TUpDown *&upDown, const char *name, const QString &caption,
                                       int row) {
        edit = new QLineEdit(QStringLiteral("0"), GroupSettings);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMaximumWidth(50);
        edit->setToolTip(QStringLiteral("Значение в диапазоне от -20 до 20"));
        edit->installEventFilter(
            new KeyFilter(edit, [](QChar c) { return c.isDigit() || c == QLatin1Char('-'); }));
        upDown = new TUpDown(edit, -MaxBlankOffset, MaxBlankOffset, GroupSettings);
        settings->addWidget(new QLabel(caption, GroupSettings), row, 0);
        settings->addWidget(edit, row, 1);
        settings->addWidget(upDown, row, 2);
        connect(edit, &QLineEdit::textChanged, this, &TfPrint::eTopChange);
    };
    makeOffset(eTop, udTop, "eTop", QStringLiteral("Верхний отступ:"), 1);
    makeOffset(eLeft, udLeft, "eLeft", QStringLiteral("Левый отступ:"), 2);
    return GroupSettings;
}

// The system's printers with the program's own choice selected, else the
// system's default. Choosing one here never changes the system's default.
void TfPrint::fillPrinters()
{
    const QSignalBlocker quiet(cbPrinters);
    cbPrinters->clear();
    cbPrinters->addItems(QPrinterInfo::availablePrinterNames());
    const QString own = QString::fromUtf8(App().PrinterName);
    int index = own.isEmpty() ? -1 : cbPrinters->findText(own);
    if (index < 0)
        index = cbPrinters->findText(QPrinterInfo::defaultPrinterName());
    cbPrinters->setCurrentIndex(index);
    if (!App().PrintFileName.isEmpty()) {
        cbPrinters->addItem(PrintToFileCaption);
        index = cbPrinters->count() - 1;
        cbPrinters->setItemData(index, App().PrintFileName, Qt::ToolTipRole);
        cbPrinters->setCurrentIndex(index);
    }
    // Printers but no system default: the first one is chosen, so that a job
    // has a printer to go to.
    if (index < 0 && cbPrinters->count() > 0 && own.isEmpty()) {
        cbPrinters->setCurrentIndex(0);
        choosePrinter(cbPrinters->currentText());
    }
    connect(cbPrinters, &QComboBox::currentIndexChanged, this, &TfPrint::cbPrintersChange, Qt::UniqueConnection);
}

void TfPrint::choosePrinter(const QString &name)
{
    if (name.isEmpty() || name == PrintToFileCaption)
        return;
    App().PrinterName = name.toUtf8();
    if (!App().PrintFileName.isEmpty()) {
        App().PrintFileName.clear();
        fillPrinters();
    }
}

void TfPrint::choosePrintFile(const QString &fileName)
{
    App().PrintFileName = fileName;
    fillPrinters();
}

void TfPrint::cbPrintersChange()
{
    choosePrinter(cbPrinters->currentText());
}

// The printer dialog: a printer, or print to file (PDF). While print to file
// is chosen, every job of the print page and of the list reports asks for a
// file of its own, starting in the folder of the file named there.
void TfPrint::bPrinterPropsClick()
{
    QPrinter printer;
    if (!App().PrintFileName.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(App().PrintFileName);
    } else if (!cbPrinters->currentText().isEmpty()) {
        printer.setPrinterName(cbPrinters->currentText());
    }
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        choosePrintFile(printer.outputFileName());
        return;
    }
    const int index = cbPrinters->findText(printer.printerName());
    if (index >= 0)
        cbPrinters->setCurrentIndex(index);
    choosePrinter(printer.printerName());
}

void TfPrint::readOffsets()
{
    m_readingOffsets = true;
    for (const auto &[edit, option] : {std::pair{eTop, QStringLiteral("udTop")}, std::pair{eLeft, QStringLiteral("udLeft")}}) {
        const QString stored = m_dm.ReadOption(CommonUser, option);
        if (!stored.isEmpty())
            PutText(edit, NormalizeOffsetText(stored));
    }
    m_readingOffsets = false;
}

void TfPrint::eTopChange()
{
    if (m_readingOffsets)
        return;
    for (QLineEdit *edit : {eTop, eLeft})
        PutText(edit, NormalizeOffsetText(edit->text()));
    m_dm.SaveOption(CommonUser, QStringLiteral("udLeft"), eLeft->text());
    m_dm.SaveOption(CommonUser, QStringLiteral("udTop"), eTop->text());
}

void TfPrint::eCopiesChange()
{
    PutText(eCopies, NormalizeCopiesText(eCopies->text()));
}

void TfPrint::EnableCopyes(bool on)
{
    lCopies->setEnabled(on);
    eCopies->setEnabled(on);
    udCopies->setEnabled(on);
}

// Button down (drawn bold), the others up; null leaves all of them up.
void TfPrint::choose(QToolButton *button)
{
    for (QToolButton *each : {sbCert, sbCertCopy, sbVirt}) {
        each->setChecked(each == button);
        QFont font = each->font();
        font.setBold(each == button);
        each->setFont(font);
    }
}

void TfPrint::sbCertCopyClick()
{
    choose(sbCertCopy);
    bPrint->setEnabled(true);
    EnableCopyes(true);
    lHelp->setText(HelpPlainPaper);
}

void TfPrint::chooseOnBlank(QToolButton *button)
{
    EnableCopyes(false);
    choose(MayPrint ? button : nullptr);
    bPrint->setEnabled(MayPrint);
    if (!MayPrint) {
        lHelp->setText(HelpInvalid);
        return;
    }
    const DataSet &m = m_dm.ASQM;
    const qint64 certNo =
        m.isActive() && !m.isEmpty() ? m.fieldByName(QStringLiteral("CertNo")).asInteger() : 0;
    lHelp->setText(HelpBlank + PaddedCertNo(certNo));
}

void TfPrint::sbCertClick()
{
    chooseOnBlank(sbCert);
}

void TfPrint::sbVirtClick()
{
    chooseOnBlank(sbVirt);
}

void TfPrint::EnableCert(bool on)
{
    sbCert->setEnabled(on);
    if (sbCert->isChecked() && sbCert->isEnabled())
        sbCertClick();
    else
        sbCertCopyClick();
}

void TfPrint::EnableVirt(bool on)
{
    sbVirt->setEnabled(on);
    if (sbVirt->isChecked() && sbVirt->isEnabled())
        sbVirtClick();
    else
        sbCertCopyClick();
}

void TfPrint::FormShow()
{
    MayPrint = App().MayPrintOriginal;
    EnableCert(MayPrint || App().DuplicateInProgress);
    EnableVirt(MayPrint || App().DuplicateInProgress);
}

void TfPrint::SetPrintModes()
{
    MayPrint = App().MayPrintOriginal;
    EnableCert(MayPrint);
    EnableVirt(MayPrint);
}

void TfPrint::FormHide()
{
    try {
        if (TfView *view = m_host.existingView ? m_host.existingView() : nullptr)
            view->aSetSpaceExecute();
        readOffsets();
    } catch (const std::exception &e) {
        LogException("Print.TfPrint.FormHide", e);
    }
}

void TfPrint::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfPrint::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        FormHide();
}

std::optional<CertPrintMode> TfPrint::chosenMode() const
{
    if (sbCertCopy->isChecked())
        return CertPrintMode::Copy;
    if (sbCert->isChecked())
        return CertPrintMode::Original;
    if (sbVirt->isChecked())
        return CertPrintMode::NumberImprint;
    return std::nullopt;
}

void TfPrint::printOnce(TfView &view, CertPrintMode mode, const ReportPrintSettings &destination)
{
    m_sink->checkReady(destination);
    view.aPrintShowExecute();
    const DataSet &m = m_dm.ASQM;
    const QString referenceNo = m.fieldByName(QStringLiteral("ReferenceNo")).asString();
    const int status = int(m.fieldByName(QStringLiteral("status")).asInteger());
    WriteEventLog(EventType::Information, EventCategory::UserAction, PrintJournalEventId(mode, status),
                  {App().CurrentUserName, referenceNo,
                   PaddedCertNo(m.fieldByName(QStringLiteral("CertNo")).asInteger())});
    const QString jobName = PrintJobName(ApplicationTitle(), referenceNo, mode);
    view.PrintReport(mode, jobName, CopiesFromText(eCopies->text()), destination, *m_sink);
}

// Each attempt loads and checks the certificate anew; an attempt fails
// before anything reaches the printer, or the job is not repeated: a
// repeat would print the copies again and, for an original, onto further
// numbered blanks.
void TfPrint::printWithAttempts(CertPrintMode mode, const ReportPrintSettings &destination)
{
    TfView *view = m_host.view ? m_host.view() : nullptr;
    if (!view)
        throw AppError(QStringLiteral("Нет страницы просмотра"));
    for (int attempt = 1;; ++attempt) {
        try {
            printOnce(*view, mode, destination);
            return;
        } catch (const PrintJobInterrupted &) {
            throw;
        } catch (const PrinterUnavailable &) {
            throw; // no attempt can succeed, and nothing was printed
        } catch (const std::exception &e) {
            LogException("Print.TfPrint.bPrintClick", e);
            if (attempt >= PrintAttempts)
                throw AppError(QStringLiteral("сбой шрифта при печати"));
        }
    }
}

// Where the job goes is settled before it starts: a print to file that the
// operator cancels is no job at all.
void TfPrint::bPrintClick()
{
    const std::optional<CertPrintMode> mode = chosenMode();
    if (!mode) {
        SetPrintModes();
        return;
    }
    QString failure;
    bool cancelled = false;
    try {
        const DataSet &m = m_dm.ASQM;
        const QString referenceNo =
            m.isActive() && !m.isEmpty() ? m.fieldByName(QStringLiteral("ReferenceNo")).asString() : QString();
        const std::optional<ReportPrintSettings> destination = AskPrintDestination(PrintFileStem(referenceNo, *mode));
        cancelled = !destination;
        if (destination)
            printWithAttempts(*mode, *destination);
    } catch (const PrintJobInterrupted &e) {
        LogException("Print.TfPrint.bPrintClick", e);
        failure = ExceptionText(e);
    } catch (const PrinterUnavailable &e) {
        LogException("Print.TfPrint.bPrintClick", e);
        failure = ExceptionText(e);
    } catch (const std::exception &e) {
        failure = ExceptionText(e);
    }
    SetPrintModes();
    // The outcome stays on the help line after the modes are set again.
    lHelp->setText(cancelled ? HelpCancelled : failure.isEmpty() ? HelpPrinted : HelpFailed);
    if (!failure.isEmpty())
        Prompts().inform(failure, ApplicationTitle(), Prompt::Error);
}

void TfPrint::BitBtnCloseClick()
{
    if (m_host.close)
        m_host.close();
}
