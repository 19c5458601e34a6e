#include "FormView.h"

#include "ApplicationTitle.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "FormMain.h"
#include "Prompter.h"
#include "ReportEngine.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QScrollBar>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

double TfView::StoredZoom = 1.0;

namespace {

const QString AutomaticCaption = QStringLiteral("Автоматически");

// The size an item of the font menu stands for: its caption as a number, or
// the automatic choice.
int ItemChoice(const QAction *item)
{
    bool ok = false;
    const int size = QString(item->text()).remove(QLatin1Char('&')).toInt(&ok);
    return ok ? size : CertFields::AutoSize;
}

} // namespace

ViewHost MainWindowViewHost()
{
    ViewHost host;
    host.printAction = [] { return fMain() ? fMain()->action(QStringLiteral("aPrint")) : nullptr; };
    host.close = [] {
        if (TfMain *main = fMain())
            main->SetActiveForm_(main->returnPage());
    };
    host.enableActions = [] {
        if (TfMain *main = fMain())
            main->SetEnableActions();
    };
    return host;
}

TfView::TfView(TDM &dm, ViewHost host, QWidget *parent)
    : QWidget(parent), m_dm(dm), m_host(std::move(host)),
      m_cert(std::make_unique<CertificateReport>(dm, dm.dataDir()))
{
    setObjectName(QStringLiteral("fView"));
    try {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        ToolBar = new QToolBar(this);
        ToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        layout->addWidget(ToolBar);
        frxPreview = new ReportPreview(this);
        frxPreview->setObjectName(QStringLiteral("frxPreview"));
        frxPreview->viewport()->installEventFilter(this);
        layout->addWidget(frxPreview, 1);
        createActions();
    } catch (const std::exception &e) {
        LogException("FormView.TfView.TntFormCreate", e);
    }
}

TfView::~TfView() = default;

void TfView::createActions()
{
    auto make = [this](const char *name, const QString &caption, const QString &hint) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setToolTip(hint.isEmpty() ? caption : hint);
        action->setStatusTip(hint);
        return action;
    };
    aZoomMinus = make("aZoomMinus", QStringLiteral("Уменьшить"), QString());
    aZoomPlus = make("aZoomPlus", QStringLiteral("Увеличить"), QString());
    aSaveFont = make("aSaveFont", QStringLiteral("Сохранить"), QStringLiteral("Сохранить размер шрифта"));
    aClose = make("aClose", QStringLiteral("Закрыть"), QString());
    aAutoFontSize = make("aAutoFontSize", QStringLiteral("Автоподбор"),
                         QStringLiteral("Для проектов размер шрифа подбирать автоматически"));
    aAutoFontSize->setCheckable(true);
    connect(aZoomMinus, &QAction::triggered, this, &TfView::aZoomMinusExecute);
    connect(aZoomPlus, &QAction::triggered, this, &TfView::aZoomPlusExecute);
    connect(aSaveFont, &QAction::triggered, this, &TfView::aSaveFontExecute);
    connect(aClose, &QAction::triggered, this, &TfView::aCloseExecute);
    connect(aAutoFontSize, &QAction::triggered, this, &TfView::aAutoFontSizeExecute);

    createZoomMenu();
    createFontMenu();

    if (QAction *print = m_host.printAction ? m_host.printAction() : nullptr)
        ToolBar->addAction(print);
    ToolBar->addAction(aZoomMinus);
    ToolBar->addAction(aZoomPlus);
    auto addMenuButton = [this](const QString &caption, QMenu *menu) {
        auto *button = new QToolButton(ToolBar);
        button->setText(caption);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        ToolBar->addWidget(button);
    };
    addMenuButton(QStringLiteral("Масштаб"), SubbmZoom);
    addMenuButton(QStringLiteral("Шрифт"), MenuFont);
    ToolBar->addAction(aSaveFont);
    ToolBar->addAction(aClose);
}

void TfView::createZoomMenu()
{
    SubbmZoom = new QMenu(this);
    SubbmZoom->setObjectName(QStringLiteral("SubbmZoom"));
    auto *group = new QActionGroup(SubbmZoom);
    const struct {
        const char *caption;
        int tag;
    } items[] = {{"200", 200}, {"150", 150}, {"100", 100}, {"75", 75}, {"50", 50}, {"25", 25},
                 {"По ширине страницы", -1}, {"Страница целиком", -2}};
    for (const auto &item : items) {
        QAction *action = SubbmZoom->addAction(QString::fromUtf8(item.caption));
        action->setData(item.tag);
        action->setCheckable(true);
        action->setChecked(item.tag == 100);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] { SetZoomClick(action); });
    }
}

void TfView::createFontMenu()
{
    MenuFont = new QMenu(this);
    MenuFont->setObjectName(QStringLiteral("MenuFont"));
    for (int field = 1; field <= CertFields::Count; ++field) {
        QMenu *sub = MenuFont->addMenu(QStringLiteral("Поле %1").arg(field, 2, 10, QLatin1Char('0')));
        auto *group = new QActionGroup(sub);
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        QStringList captions;
        for (int size = CertFields::MinFitSize; size <= CertFields::MaxFitSize; ++size)
            captions << QString::number(size);
        if (!CertFields::IsGoodsField(field))
            captions << AutomaticCaption;
        for (const QString &caption : captions) {
            QAction *item = sub->addAction(caption);
            item->setData(field);
            item->setCheckable(true);
            group->addAction(item);
            FontItems[field] << item;
            connect(item, &QAction::triggered, this, [this, item] { UpdateFont(item); });
        }
        FontItems[field].last()->setChecked(true);
    }
    MenuFont->addSeparator();
    MenuFont->addAction(aAutoFontSize);
    aAutoFontSize->setChecked(m_cert->AutoFontSizeOn());
}

void TfView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    try {
        aFormShowExecute();
    } catch (const std::exception &e) {
        Prompts().inform(ExceptionText(e), ApplicationTitle(), Prompt::Error);
    }
}

void TfView::load(bool forPrint)
{
    frxPreview->setEnabled(false);
    try {
        if (forPrint)
            m_cert->LoadForPrint();
        else
            m_cert->LoadForPreview();
    } catch (...) {
        frxPreview->setEnabled(true);
        if (m_host.enableActions)
            m_host.enableActions();
        throw;
    }
    showPrepared();
    frxPreview->setEnabled(true);
    if (m_host.enableActions)
        m_host.enableActions();
}

void TfView::aFormShowExecute()
{
    load(false);
}

void TfView::aPrintShowExecute()
{
    load(true);
}

void TfView::aSetSpaceExecute()
{
    if (report().isLoaded())
        m_cert->SetSpace();
}

void TfView::PrintReport(CertPrintMode mode, const QString &jobName, int copies,
                         const ReportPrintSettings &destination, PrintSink &sink)
{
    m_cert->PrintReport(mode, jobName, copies, destination, sink);
}

void TfView::showPrepared()
{
    frxPreview->setPages(report().preparedPages());
    aRestoreZoomExecute();
    checkFontItems();
    aSaveFont->setEnabled(m_cert->isProject());
}

void TfView::checkFontItems()
{
    for (int field = 1; field <= CertFields::Count; ++field) {
        const int choice = m_cert->fieldChoice(field);
        for (QAction *item : std::as_const(FontItems[field]))
            item->setChecked(ItemChoice(item) == choice);
    }
}

void TfView::UpdateFont(QAction *item)
{
    frxPreview->setEnabled(false);
    try {
        m_cert->UpdateFont(item->data().toInt(), ItemChoice(item));
        m_cert->Prepare();
        showPrepared();
    } catch (const std::exception &e) {
        LogException("FormView.TfView.UpdateFont", e);
    }
    frxPreview->setEnabled(true);
}

void TfView::aSaveFontExecute()
{
    try {
        if (m_cert->SaveFontSizes() == CertificateReport::SaveResult::NotProject)
            aSaveFont->setEnabled(false);
    } catch (const std::exception &e) {
        LogException("FormView.TfView.aSaveFontExecute", e);
    }
}

void TfView::aAutoFontSizeExecute()
{
    try {
        const bool on = aAutoFontSize->isChecked();
        m_cert->SetAutoFontSizeOn(on);
        if (on && report().isLoaded()) {
            m_cert->SetAutoFontSizes();
            m_cert->Prepare();
            showPrepared();
        }
    } catch (const std::exception &e) {
        LogException("FormView.TfView.aAutoFontSizeExecute", e);
    }
}

void TfView::aZoomPlusExecute()
{
    frxPreview->zoomIn();
    StoredZoom = frxPreview->zoom();
}

void TfView::aZoomMinusExecute()
{
    frxPreview->zoomOut();
    StoredZoom = frxPreview->zoom();
}

void TfView::SetZoomClick(QAction *item)
{
    try {
        const int tag = item->data().toInt();
        if (tag >= 10 && tag <= 200)
            StoredZoom = tag / 100.0;
        else if (tag == -1 || tag == -2)
            StoredZoom = tag;
        else
            return;
        item->setChecked(true);
        aRestoreZoomExecute();
    } catch (const std::exception &e) {
        LogException("FormView.TfView.SetZoomClick", e);
    }
}

void TfView::aRestoreZoomExecute()
{
    if (StoredZoom == -1)
        frxPreview->setZoomMode(ReportPreview::ZoomMode::PageWidth);
    else if (StoredZoom == -2)
        frxPreview->setZoomMode(ReportPreview::ZoomMode::WholePage);
    else if (StoredZoom > 0)
        frxPreview->setZoom(StoredZoom);
}

void TfView::aCloseExecute()
{
    if (m_host.close)
        m_host.close();
}

// The wheel scrolls the preview by a third of its turn, by half with Shift.
bool TfView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == frxPreview->viewport() && event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        const int divisor = wheel->modifiers().testFlag(Qt::ShiftModifier) ? 2 : 3;
        QScrollBar *bar = frxPreview->verticalScrollBar();
        bar->setValue(bar->value() - wheel->angleDelta().y() / divisor);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
