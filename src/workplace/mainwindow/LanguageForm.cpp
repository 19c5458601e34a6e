#include "LanguageForm.h"

#include "BorderIcons.h"
#include "CaptionWidth.h"
#include "Moneybar.h"
#include "WorkstationFile.h"
#include "StylePicture.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
TfLanguage *g_language = nullptr;
} // namespace

TfLanguage *fLanguage()
{
    return g_language;
}

void SetLanguageWindow(TfLanguage *window)
{
    g_language = window;
}

TfLanguage::TfLanguage(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fLanguage"));
    setWindowTitle(QStringLiteral("Выбор языка заполнения сертификата"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ShowWithoutBorderIcons(this);
    Panel = new TMoneyPanel(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    LabelNote = new QLabel(QStringLiteral("Сертификат заполняется на том же языке, на котором отпечатан бланк"), Panel);
    LabelNote->setWordWrap(true);
    ComboBoxLang = new QComboBox(Panel);
    ComboBoxLang->setObjectName(QStringLiteral("ComboBoxLang"));
    ComboBoxLang->setEditable(false);
    QPalette palette = ComboBoxLang->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Button, palette.color(QPalette::ToolTipBase));
    ComboBoxLang->setPalette(palette);
    ButtonOk = new QPushButton(StylePicture(QStyle::SP_DialogOkButton), QStringLiteral("Ok"), Panel);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel =
        new QPushButton(StylePicture(QStyle::SP_DialogCancelButton), QStringLiteral("Cancel"), Panel);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto *inner = new QVBoxLayout(Panel);
    inner->addWidget(LabelNote);
    inner->addWidget(ComboBoxLang);
    inner->addLayout(buttons);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(Panel);
    ButtonOk->setEnabled(false);
    KeepCaptionVisible(this);
}

void TfLanguage::setLanguages(const QList<WorkstationLanguage> &languages)
{
    ComboBoxLang->clear();
    for (const WorkstationLanguage &language : languages)
        ComboBoxLang->addItem(QString::fromUtf8(language.LangSymb));
    if (ComboBoxLang->count() > 0)
        ComboBoxLang->setCurrentIndex(0);
    // Without a language there is nothing a certificate could be written in.
    ButtonOk->setEnabled(ComboBoxLang->count() > 0);
}

QByteArray TfLanguage::selectedLanguage() const
{
    return ComboBoxLang->currentIndex() < 0 ? QByteArray() : ComboBoxLang->currentText().toUtf8();
}
