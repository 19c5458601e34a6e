#include "uFormDlgPaper.h"

#include "BorderIcons.h"
#include "BorinWin.h"
#include "Prompter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *BigRedLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(32);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QPushButton *BigButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    QFont font = button->font();
    font.setPixelSize(24);
    button->setFont(font);
    button->setMinimumSize(160, 44);
    return button;
}

} // namespace

TFormDlgPaper::TFormDlgPaper(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FormDlgPaper"));
    setWindowTitle(QStringLiteral("Внимание!"));
    ShowWithoutBorderIcons(this);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::ToolTipBase));
    setPalette(palette);

    LabelQuestion = BigRedLabel(QStringLiteral("Вы приготовили для печати бланк"), this);
    LabelNumber = BigRedLabel(QStringLiteral("№"), this);
    ButtonYes = BigButton(QStringLiteral("Да"), this);
    ButtonNo = BigButton(QStringLiteral("Нет"), this);
    ButtonYes->setDefault(true);
    connect(ButtonYes, &QPushButton::clicked, this, [this] { done(Prompt::IdYes); });
    connect(ButtonNo, &QPushButton::clicked, this, [this] { done(Prompt::IdNo); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonYes);
    buttons->addSpacing(40);
    buttons->addWidget(ButtonNo);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(LabelQuestion);
    layout->addWidget(LabelNumber);
    layout->addLayout(buttons);
    resize(580, 171);
}

void TFormDlgPaper::setNumberText(const QString &text)
{
    LabelNumber->setText(text);
}

bool AskBlankInPrinter(QWidget *parent, qint64 certNo)
{
    TFormDlgPaper dialog(parent);
    dialog.setNumberText(QStringLiteral("№") + PadLeftW(QString::number(certNo), u'0', 7) + QStringLiteral("?"));
    return dialog.exec() == Prompt::IdYes;
}
