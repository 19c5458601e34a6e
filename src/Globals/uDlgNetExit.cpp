#include "uDlgNetExit.h"

#include "BorderIcons.h"

#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

const QUuid &InstanceGuid()
{
    static const QUuid guid = QUuid::createUuid();
    return guid;
}

// The identifier exists from the start of the run on, before any window.
static const bool InstanceGuidMadeAtStart = !InstanceGuid().isNull();

QString InstanceGuidText()
{
    return InstanceGuid().toString(QUuid::WithBraces).toUpper();
}

TWrappedButton::TWrappedButton(const QString &caption, QWidget *parent)
    : QPushButton(parent), m_label(new QLabel(caption))
{
    m_label->setObjectName(QStringLiteral("caption"));
    m_label->setWordWrap(true);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    setAccessibleName(caption);
}

QString TWrappedButton::caption() const { return m_label->text(); }

const QString TFormDlgNetExit::MessageText = QStringLiteral(
    "    База данных в настоящее время используется другим экземпляром программы.\n\r"
    "Одновременная работа запрещена.");
const QString TFormDlgNetExit::ExitCaption =
    QStringLiteral("Выйти из программы. (Другой экземпляр продолжит свою работу.)");
const QString TFormDlgNetExit::ClearCaption =
    QStringLiteral("Отключить другой экземпляр и выйти из программы.");

namespace {

QFont ArialPixels(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

TFormDlgNetExit::TFormDlgNetExit(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("FormDlgNetExit"));
    setWindowTitle(QStringLiteral("Stop"));
    ShowWithoutBorderIcons(this);
    setFixedSize(533, 177);
    setFont(ArialPixels(11));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
    setPalette(colours);
    setAutoFillBackground(true);

    TntStaticText1 = new QLabel(this);
    TntStaticText1->setObjectName(QStringLiteral("TntStaticText1"));
    TntStaticText1->setGeometry(0, 0, 533, 65);
    TntStaticText1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    TntStaticText1->setWordWrap(true);
    TntStaticText1->setFont(ArialPixels(19));
    // Qt breaks lines on LF alone.
    TntStaticText1->setText(QString(MessageText).remove(QLatin1Char('\r')));

    ButtonExit = new TWrappedButton(ExitCaption, this);
    ButtonExit->setObjectName(QStringLiteral("ButtonExit"));
    ButtonExit->setGeometry(56, 80, 153, 89);
    ButtonExit->setFont(ArialPixels(13, true));
    connect(ButtonExit, &QPushButton::clicked, this, [this] { done(ResultExit); });

    ButtonClear = new TWrappedButton(ClearCaption, this);
    ButtonClear->setObjectName(QStringLiteral("ButtonClear"));
    ButtonClear->setGeometry(320, 80, 153, 89);
    ButtonClear->setFont(ArialPixels(13, true));
    connect(ButtonClear, &QPushButton::clicked, this, [this] { done(ResultClearOther); });
    fitToTexts();
}

// The designed places hold their texts in the fonts they were designed for;
// where the fonts of this machine need more room, the text and the buttons
// grow downwards and the dialog with them, so that nothing is clipped.
void TFormDlgNetExit::fitToTexts()
{
    const int width = TntStaticText1->width();
    const int textHeight = std::max(TntStaticText1->height(), TntStaticText1->heightForWidth(width));
    TntStaticText1->resize(width, textHeight);
    const int gap = ButtonExit->y() - 65;
    int buttonHeight = ButtonExit->height();
    for (const TWrappedButton *button : {ButtonExit, ButtonClear})
        buttonHeight = std::max(buttonHeight, button->heightForWidth(button->width()));
    const int buttonTop = textHeight + gap;
    for (TWrappedButton *button : {ButtonExit, ButtonClear})
        button->setGeometry(button->x(), buttonTop, button->width(), buttonHeight);
    setFixedSize(this->width(), std::max(this->height(), buttonTop + buttonHeight + 8));
}
