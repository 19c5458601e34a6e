#include "OptionsForm.h"

#include "CommonTessal.h"
#include "DataTessal.h"
#include "FormMain.h"
#include "Prompter.h"
#include "RangeRules.h"
#include "SelectDirDialog.h"
#include "UserRules.h"
#include "StylePicture.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {
constexpr int RangeEditFrame = 16; // the edit's frame and margins around its digits

template <typename Widget>
Widget *Named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

bool DlgPaperFlag(const QString &stored)
{
    return stored.trimmed().compare(QStringLiteral("False"), Qt::CaseInsensitive) != 0;
}

QString DlgPaperCaption(bool checked)
{
    return checked ? QStringLiteral("Отключить предупреждение о корректности номера бланка")
                   : QStringLiteral("Включить предупреждение о корректности номера бланка");
}

TfOptions::TfOptions(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("fSett"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(buildRangeGroup());
    layout->addWidget(buildArchiveGroup());
    layout->addWidget(buildFlagsGroup());
    layout->addStretch();

    // TntFormCreate
    bool askPaper = true;
    if (TDM *dm = DM())
        askPaper = DlgPaperFlag(dm->ReadOption(App().CurrentUserName, DlgPaperOption));
    CheckBoxDlgPaper->setChecked(askPaper);
    CheckBoxDlgPaper->setText(DlgPaperCaption(askPaper));
}

QGroupBox *TfOptions::buildRangeGroup()
{
    GroupRange = new QGroupBox(QStringLiteral("Диапазон допустимых номеров сертификатов"), this);
    GroupRange->setToolTip(QStringLiteral("На диапазон проверяются только вновь создаваемые документы."));
    EditRefMin = Named(new QLineEdit(GroupRange), "EditRefMin");
    EditRefMax = Named(new QLineEdit(GroupRange), "EditRefMax");
    for (QLineEdit *edit : {EditRefMin, EditRefMax}) {
        edit->setMaxLength(6);
        // As wide as its six digits need, not as the window.
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + RangeEditFrame);
    }
    BitBtnRefOk = Named(new QPushButton(StylePicture(QStyle::SP_DialogSaveButton),
                                        QStringLiteral("Сохранить"), GroupRange),
                        "BitBtnRefOk");
    BitBtnRefOk->setToolTip(QStringLiteral("Подтверждает ввод"));
    BitBtnRefCancel = Named(new QPushButton(StylePicture(QStyle::SP_DialogCancelButton),
                                            QStringLiteral("Отмена"), GroupRange),
                            "BitBtnRefCancel");
    BitBtnRefCancel->setToolTip(QStringLiteral("Отказ от ввода"));
    auto *rangeForm = new QFormLayout;
    rangeForm->addRow(QStringLiteral("Минимальный"), EditRefMin);
    rangeForm->addRow(QStringLiteral("Максимальный"), EditRefMax);
    auto *rangeButtons = new QHBoxLayout;
    rangeButtons->addWidget(BitBtnRefOk);
    rangeButtons->addWidget(BitBtnRefCancel);
    rangeButtons->addStretch();
    auto *rangeLayout = new QVBoxLayout(GroupRange);
    rangeLayout->addLayout(rangeForm);
    rangeLayout->addLayout(rangeButtons);
    connect(BitBtnRefOk, &QPushButton::clicked, this, &TfOptions::BitBtnRefOkClick);
    connect(BitBtnRefCancel, &QPushButton::clicked, this, &TfOptions::BitBtnRefCancelClick);
    return GroupRange;
}

QGroupBox *TfOptions::buildArchiveGroup()
{
    GroupArchive = new QGroupBox(QStringLiteral("Архив"), this);
    EditArchPath = Named(new QLineEdit(GroupArchive), "EditArchPath");
    ButtonFolder = Named(new QPushButton(QStringLiteral("..."), GroupArchive), "ButtonFolder");
    ButtonFolder->setToolTip(QStringLiteral("Выбор папки с архивами"));
    BitBtnArchSave = Named(new QPushButton(StylePicture(QStyle::SP_DialogSaveButton),
                                           QStringLiteral("Сохранить"), GroupArchive),
                           "BitBtnArchSave");
    BitBtnArchSave->setToolTip(
        QStringLiteral("Сохраняет результат выбора для дальнейшего использования программой"));
    CheckBoxBegin = Named(
        new QCheckBox(QStringLiteral("Автоматически создавать архив при старте программы"), GroupArchive),
        "CheckBoxBegin");
    CheckBoxEnd = Named(
        new QCheckBox(QStringLiteral("Автоматически создавать архив при завершении программы"), GroupArchive),
        "CheckBoxEnd");
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(QStringLiteral("Путь к архиву"), GroupArchive));
    pathRow->addWidget(EditArchPath, 1);
    pathRow->addWidget(ButtonFolder);
    auto *archiveLayout = new QVBoxLayout(GroupArchive);
    archiveLayout->addLayout(pathRow);
    archiveLayout->addWidget(CheckBoxBegin);
    archiveLayout->addWidget(CheckBoxEnd);
    archiveLayout->addWidget(BitBtnArchSave, 0, Qt::AlignLeft);
    connect(ButtonFolder, &QPushButton::clicked, this, &TfOptions::ButtonFolderClick);
    connect(BitBtnArchSave, &QPushButton::clicked, this, &TfOptions::BitBtnArchSaveClick);
    connect(CheckBoxBegin, &QCheckBox::clicked, this, &TfOptions::CheckBoxBeginClick);
    connect(CheckBoxEnd, &QCheckBox::clicked, this, &TfOptions::CheckBoxEndClick);
    return GroupArchive;
}

QGroupBox *TfOptions::buildFlagsGroup()
{
    GroupFlags = new QGroupBox(this);
    CheckBoxDlgPaper = Named(new QCheckBox(GroupFlags), "CheckBoxDlgPaper");
    CheckBoxDlgPaper->setToolTip(QStringLiteral(
        "Функция выводит предупреждение о проверке корректности введенного в проект номера бланка для печати"));
    auto *flagsLayout = new QVBoxLayout(GroupFlags);
    flagsLayout->addWidget(CheckBoxDlgPaper);
    connect(CheckBoxDlgPaper, &QCheckBox::clicked, this, &TfOptions::CheckBoxDlgPaperClick);
    return GroupFlags;
}

void TfOptions::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    TntFormShow();
}

void TfOptions::TntFormShow()
{
    if (TfMain *main = fMain())
        main->setHelpLine(QStringLiteral("Здесь можно настроить параметры программы"));
    showRange();
    EditArchPath->setText(App().ArchiveFolder);
    CheckBoxBegin->setChecked(App().ArchiveAtStart);
    CheckBoxEnd->setChecked(App().ArchiveAtExit);
}

void TfOptions::showRange()
{
    EditRefMin->setText(RangeEditText(App().NumberRangeMin));
    EditRefMax->setText(RangeEditText(App().NumberRangeMax));
}

void TfOptions::refuse(const QString &text)
{
    Prompts().ask(text, App().MessageTitle, Prompt::Error, Prompt::Ok);
}

void TfOptions::BitBtnRefOkClick()
{
    try {
        const QString minText = EditRefMin->text();
        const QString maxText = EditRefMax->text();
        const std::optional<uint32_t> min = ParseRangeEdit(minText);
        if (!min) {
            refuse(QStringLiteral("При вводе минимального значения допустимы только десятичные цифры"));
            return;
        }
        const std::optional<uint32_t> max = ParseRangeEdit(maxText);
        if (!max) {
            refuse(QStringLiteral("При вводе максимального значения допустимы только десятичные цифры"));
            return;
        }
        if (*min > *max) {
            refuse(QStringLiteral("Минимальное значение не может быть больше максимального"));
            return;
        }
        TDM &dm = *DM();
        const QByteArray used = UsedNumberInRange(dm, *min, *max);
        if (!used.isEmpty()) {
            refuse(QStringLiteral("№ документа ") + QString::fromUtf8(used)
                   + QStringLiteral(" попадает в новый диапазон.\r\nРазрешено задавать только пустой диапазон!"));
            return;
        }
        if (!dm.cdsK.isActive())
            return;
        dm.CheckEdit(dm.cdsK);
        dm.cdsK.fieldByName(QStringLiteral("ReferMin")).setValue(qint64(*min));
        dm.cdsK.fieldByName(QStringLiteral("ReferMax")).setValue(qint64(*max));
        dm.Save(dm.cdsK);
        App().NumberRangeMin = uint32_t(dm.cdsK.fieldByName(QStringLiteral("ReferMin")).asInteger());
        App().NumberRangeMax = uint32_t(dm.cdsK.fieldByName(QStringLiteral("ReferMax")).asInteger());
        WriteEventLog(EventType::Information, EventCategory::UserAction, EventId::OptionsChanged,
                      {App().CurrentUserName, minText, maxText});
        KeepUsersAndSettings();
    } catch (const std::exception &e) {
        LogException("OptionsForm.TfOptions.BitBtnRefOkClick", e);
    }
}

void TfOptions::BitBtnRefCancelClick()
{
    showRange();
}

void TfOptions::ButtonFolderClick()
{
    TSelectDirDialog dialog(this);
    dialog.setCaption(QByteArrayLiteral("Выберите каталог с архивами"));
    if (dialog.Execute())
        EditArchPath->setText(QString::fromUtf8(dialog.Directory()));
}

void TfOptions::BitBtnArchSaveClick()
{
    try {
        TDM &dm = *DM();
        dm.CheckEdit(dm.cdsK);
        TessalState &app = App();
        app.ArchiveFolder = EditArchPath->text();
        dm.cdsK.fieldByName(QStringLiteral("ArchPatch")).setValue(app.ArchiveFolder);
        app.ArchiveAtStart = CheckBoxBegin->isChecked();
        dm.cdsK.fieldByName(QStringLiteral("beginSave")).setValue(app.ArchiveAtStart);
        app.ArchiveAtExit = CheckBoxEnd->isChecked();
        dm.cdsK.fieldByName(QStringLiteral("endSave")).setValue(app.ArchiveAtExit);
        dm.Save(dm.cdsK);
        KeepUsersAndSettings();
    } catch (const std::exception &e) {
        LogException("OptionsForm.TfOptions.BitBtnArchSaveClick", e);
    }
}

void TfOptions::CheckBoxBeginClick()
{
    if (CheckBoxBegin->isChecked())
        CheckBoxEnd->setChecked(false);
}

void TfOptions::CheckBoxEndClick()
{
    if (CheckBoxEnd->isChecked())
        CheckBoxBegin->setChecked(false);
}

void TfOptions::CheckBoxDlgPaperClick()
{
    const bool checked = CheckBoxDlgPaper->isChecked();
    CheckBoxDlgPaper->setText(DlgPaperCaption(checked));
    if (TDM *dm = DM())
        dm->SaveOption(App().CurrentUserName, DlgPaperOption,
                       checked ? QStringLiteral("True") : QStringLiteral("False"));
}
