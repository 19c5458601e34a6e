#include "Sync.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "ExchangeGuard.h"
#include "RestoreDownloadChain.h"
#include "SyncChain.h"
#include "WaitWindowProgress.h"
#include "WindowMessages.h"
#include "ggError.h"
#include "LineBreaks.h"
#include "StylePicture.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHash>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

TfSync *g_sync = nullptr;

// The pictures of the data module's image list that the actions use, by index.
QIcon Picture(int index)
{
    static const QHash<int, QStyle::StandardPixmap> pictures = {
        {9, QStyle::SP_MediaPlay}, {10, QStyle::SP_MediaStop}, {26, QStyle::SP_DialogSaveButton},
        {27, QStyle::SP_ArrowDown}};
    const auto found = pictures.constFind(index);
    return found == pictures.constEnd() ? QIcon() : StylePicture(*found);
}

const QString StartCaption = QStringLiteral("Старт");
const QString StartHint = QStringLiteral("Начать синхронизацию с ЦБД");
const QString LoadCaption = QStringLiteral("Данные из ЦБД");
const QString LoadHint = QStringLiteral("Загрузить с сервера данные АРМа при полной утрате базы");

} // namespace

TfSync *fSync()
{
    return g_sync;
}

TfSync::TfSync(TDM &dm, SyncHost host, QWidget *parent)
    : QWidget(parent), m_host(std::move(host)), m_core(dm, *this),
      m_run(dm, m_core, *this,
            InProcessSyncPorts{nullptr, nullptr, [this](bool running) { setRunning(running); },
                               [this] {
                                   if (m_host.closeMainWindow)
                                       m_host.closeMainWindow();
                               }}),
      m_progress(std::make_unique<WaitWindowProgress>())
{
    setObjectName(QStringLiteral("fSync"));
    setWindowTitle(QStringLiteral("Синхронизация"));
    QFont arial(QStringLiteral("Arial"));
    arial.setPixelSize(11);
    setFont(arial);
    createActions();
    createPanel();
    createToolBar();
    m_helpWatch = new QTimer(this);
    m_helpWatch->setInterval(250);
    connect(m_helpWatch, &QTimer::timeout, this, &TfSync::clearEndedExchangeHelp);
    WindowMessages::instance().setHandler(this, MessageStartRequest,
                                          [this](qint32, qint32 lParam) { WStartRequest(lParam); });
    makeChains(dm);
    g_sync = this;
}

TfSync::~TfSync()
{
    if (g_sync == this)
        g_sync = nullptr;
}

void TfSync::makeChains(TDM &dm)
{
    SyncWindowOutput &output = *this;
    RestavoChainPorts ports;
    ports.window = WindowMessages::instance().registerWindow(this);
    ports.startRestavo = ProgramFolderRestavo(dm.programDir());
    ports.startUpdater = DetachedUpdaterStarter();
    ports.closeMainWindow = [this] {
        if (m_host.closeMainWindow)
            m_host.closeMainWindow();
    };
    ports.running = [this](bool running) { setRunning(running); };
    m_syncChain = std::make_unique<SyncChain>(dm, m_core, output, ports);
    ports.running = [this](bool running) {
        if (!running)
            restoreChainEnded();
    };
    m_restoreChain = std::make_unique<RestoreDownloadChain>(dm, m_core, output, ports);

    const auto route = [this](RestavoChain &chain) {
        for (const quint32 message : chain.messages())
            WindowMessages::instance().setHandler(this, message, [&chain, message](qint32 wParam, qint32 lParam) {
                chain.receive(message, wParam, lParam);
            });
    };
    route(*m_syncChain);
    route(*m_restoreChain);
}

// ---------------------------------------------------------------- building

QAction *TfSync::makeAction(const char *name, const QString &caption, const QString &hint, int picture,
                            void (TfSync::*handler)())
{
    auto *action = new QAction(Picture(picture), caption, this);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(hint.isEmpty() ? caption : hint);
    action->setStatusTip(hint);
    connect(action, &QAction::triggered, this, handler);
    addAction(action);
    return action;
}

void TfSync::createActions()
{
    aStart = makeAction("aStart", StartCaption, StartHint, 9, &TfSync::aStartExecute);
    aStop = makeAction("aStop", QStringLiteral("Прервать"), QStringLiteral("Прервать работу"), 10,
                       &TfSync::aStopExecute);
    aSaveToFile = makeAction("aSaveToFile", QStringLiteral("В файл"), QStringLiteral("синхронизация в файл"), 26,
                             &TfSync::aSaveToFileExecute);
    aLoadFromFile = makeAction("aLoadFromFile", LoadCaption, LoadHint, 27, &TfSync::aLoadFromFileExecute);
    aStatus = makeAction("aStatus", QStringLiteral("Статистика по статусам"), QString(), -1,
                         &TfSync::aStatusExecute);
    aStart2 = makeAction("aStart2", StartCaption, StartHint, 9, &TfSync::aStart2Execute);
    aLoadFromFile2 = makeAction("aLoadFromFile2", LoadCaption, LoadHint, 27, &TfSync::aLoadFromFile2Execute);
    aStart->setVisible(false);
    aLoadFromFile->setVisible(false);
}

void TfSync::createPanel()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pStat = new QFrame(this);
    pStat->setObjectName(QStringLiteral("pStat"));
    pStat->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(pStat);
    auto *inside = new QVBoxLayout(pStat);
    ToolBar = new QToolBar(pStat);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    inside->addWidget(ToolBar);
    mLog = new QPlainTextEdit(pStat);
    mLog->setObjectName(QStringLiteral("mLog"));
    mLog->setFrameStyle(QFrame::NoFrame);
    mLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    mLog->setBackgroundRole(QPalette::ToolTipBase);
    mLog->viewport()->setBackgroundRole(QPalette::ToolTipBase);
    inside->addWidget(mLog, 1);
}

void TfSync::createToolBar()
{
    const auto button = [this](const char *name, QAction *action) {
        ToolBar->addAction(action);
        QWidget *made = ToolBar->widgetForAction(action);
        made->setObjectName(QLatin1String(name));
        // At least the designed 86 x 37, and room for the picture over the
        // whole caption in the font and style of this desktop.
        made->setFixedSize(made->sizeHint().expandedTo(QSize(86, 37)));
    };
    button("bbiStart", aStart);
    button("bbiStart2", aStart2);
    button("bbiAbort", aStop);
    ToolBar->addSeparator();
    button("bbiSaveToFile", aSaveToFile);
    button("bbiLoadFromFile", aLoadFromFile);
    button("bbiLoadFromFile2", aLoadFromFile2);
}

// ---------------------------------------------------------------- handlers

void TfSync::WStartRequest(qint32 lParam)
{
    if (lParam == 1)
        aStartExecute();
    else if (lParam == 2)
        aSaveToFileExecute();
}

void TfSync::aStartExecute()
{
    m_run.aStartExecute();
}

void TfSync::aStopExecute()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    m_core.aStopExecute();
}

void TfSync::aSaveToFileExecute()
{
    m_core.aSaveToFileExecute();
}

void TfSync::aLoadFromFileExecute()
{
    m_run.LoadFromFile();
}

void TfSync::aStatusExecute()
{
    try {
        m_core.aStatusExecute();
    } catch (const std::exception &e) {
        LogException("Sync.TfSync.aStatusExecute", e);
    }
}

void TfSync::aStart2Execute()
{
    m_syncChain->start();
}

void TfSync::aLoadFromFile2Execute()
{
    m_restoreChain->start();
}

// ---------------------------------------------------------------- output

void TfSync::logLine(const QString &line)
{
    mLog->appendPlainText(StoredToWidgetText(line));
}

void TfSync::statusText(const QString &text)
{
    if (m_host.setStatusText)
        m_host.setStatusText(text);
}

void TfSync::helpText(const QString &text)
{
    if (m_host.setHelpText)
        m_host.setHelpText(text);
    // The page's help texts say that another exchange runs: once it has
    // ended the text would mislead, so it goes then.
    m_exchangeHelp = text;
    if (!text.isEmpty() && ExchangeRunning())
        m_helpWatch->start();
}

void TfSync::clearEndedExchangeHelp()
{
    if (ExchangeRunning())
        return;
    m_helpWatch->stop();
    const QString shown = m_host.helpText ? m_host.helpText() : m_exchangeHelp;
    if (!m_exchangeHelp.isEmpty() && shown == m_exchangeHelp && m_host.setHelpText)
        m_host.setHelpText(QString());
    m_exchangeHelp.clear();
}

void TfSync::enableActions()
{
    if (m_host.enableActions)
        m_host.enableActions();
}

void TfSync::keepAnswering()
{
    QCoreApplication::processEvents();
}

ProgressSink *TfSync::packetProgress()
{
    return m_progress.get();
}

ProgressSink *TfSync::downloadProgress()
{
    return m_progress.get();
}

// While a synchronisation runs, in the window's own run or in the chain of
// Restavo runs, both start actions are off and the stop action is on.
void TfSync::setRunning(bool running)
{
    aStart->setEnabled(!running);
    aStart2->setEnabled(!running);
    aStop->setEnabled(running);
    if (running)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TfSync::restoreChainEnded()
{
    for (QAction *action : {aStart, aStart2, aSaveToFile, aLoadFromFile, aLoadFromFile2})
        action->setEnabled(true);
    aStop->setEnabled(false);
    QApplication::restoreOverrideCursor();
}
