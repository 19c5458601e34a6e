#include "DlgWarningSync.h"

#include "BorderIcons.h"
#include "CommonTessal.h"
#include "HelpPages.h"
#include "Moneybar.h"

#include <QDesktopServices>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

TfDlgWarningSync::TfDlgWarningSync(int32_t days, QWidget *parent) : QDialog(parent), m_days(days)
{
    setObjectName(QStringLiteral("fDlgWarningSync"));
    setWindowTitle(App().MessageTitle);
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ShowWithoutBorderIcons(this);
    const auto text = [this](const char *name, const QString &content) {
        auto *label = new QLabel(content, this);
        label->setObjectName(QLatin1String(name));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        label->setBackgroundRole(QPalette::ToolTipBase);
        return label;
    };
    const bool administrator = App().CurrentUserId == 1;
    LabelDays = text("LabelDays", QStringLiteral("Синхронизация с ЦБД не производилась ") + QString::number(days)
                                      + QStringLiteral(" дней."));
    LabelAttention = text("LabelAttention", QStringLiteral("Внимание"));
    LabelRequest = text("LabelRequest",
                        administrator ? QStringLiteral("Пожалуйста, сделайте синхронизацию с ЦБД DUV России!")
                                      : QStringLiteral("Пожалуйста, напомните администратору АРМ о необходимости "
                                                       "синхронизации с ЦБД DUV России!"));

    Panel = new TMoneyPanel(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    BitBtnStartSync = new QPushButton(QStringLiteral("Старт синхронизации"), Panel);
    BitBtnStartSync->setObjectName(QStringLiteral("BitBtnStartSync"));
    BitBtnStartSync->setToolTip(QStringLiteral("Синхронизация через сеть интернет"));
    LabelStartNote = new QLabel(QStringLiteral("Необходимо подключение к сети Интернет"), Panel);
    BitBtnSyncFile = new QPushButton(QStringLiteral("Синхронизация в файл"), Panel);
    BitBtnSyncFile->setObjectName(QStringLiteral("BitBtnSyncFile"));
    LabelFileNote = new QLabel(QStringLiteral("Отправьте созданный файл по") + QStringLiteral(" адресу"), Panel);
    LabelMail = new QLabel(SupportMailbox, Panel);
    LabelMail->setObjectName(QStringLiteral("LabelMail"));
    LabelMail->setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
    LabelMail->installEventFilter(this);
    BitBtnCancel = new QPushButton(QStringLiteral("Отмена"), Panel);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    BitBtnStartSync->setEnabled(administrator);
    BitBtnSyncFile->setEnabled(administrator);

    auto *grid = new QGridLayout(Panel);
    grid->addWidget(BitBtnStartSync, 0, 0);
    grid->addWidget(LabelStartNote, 0, 1);
    grid->addWidget(BitBtnSyncFile, 1, 0);
    grid->addWidget(LabelFileNote, 1, 1);
    grid->addWidget(LabelMail, 2, 1);
    grid->addWidget(BitBtnCancel, 3, 0);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(LabelDays);
    layout->addWidget(LabelAttention);
    layout->addWidget(LabelRequest);
    layout->addWidget(Panel);

    connect(BitBtnCancel, &QPushButton::clicked, this, [this] { choose(SyncChoice::Cancel); });
    connect(BitBtnStartSync, &QPushButton::clicked, this, [this] { choose(SyncChoice::Synchronise); });
    connect(BitBtnSyncFile, &QPushButton::clicked, this, [this] { choose(SyncChoice::SynchroniseToFile); });
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [] { OpenHelpContext(HelpContext::Contents); });
}

void TfDlgWarningSync::choose(uint8_t choice)
{
    m_choice = choice;
    accept();
}

bool TfDlgWarningSync::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == LabelMail) {
        switch (event->type()) {
        case QEvent::Enter: LabelMail->setCursor(Qt::PointingHandCursor); break;
        case QEvent::Leave: LabelMail->unsetCursor(); break;
        case QEvent::MouseButtonPress:
            QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + LabelMail->text()));
            return true;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}
