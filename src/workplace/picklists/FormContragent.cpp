#include "FormContragent.h"

#include "DataTessal.h"
#include "Prompter.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"
#include "LineBreaks.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

PickListTexts ContragentTexts()
{
    PickListTexts texts;
    texts.formName = "fContragent";
    texts.location = "FormContragent.TfContragent.";
    texts.helpLine = QStringLiteral("Произведите выбор двойным щелчком мыши по серому полю!");
    texts.deleteHint = QStringLiteral("Удалить из списка");
    texts.helpContext = 230;
    return texts;
}

QPlainTextEdit *MakeMemo(QWidget *parent, const char *name)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setTabChangesFocus(true);
    return memo;
}

} // namespace

TfContragent::TfContragent(QWidget *owner) : TfContragent(owner, runDataModule()) {}

TfContragent::TfContragent(QWidget *owner, TDM &dm)
    : PickListForm(owner, dm, dm.ASQContragent, ContragentTable(), ContragentTexts())
{
    setWindowTitle(QStringLiteral("Контрагенты"));
    MemoT = MakeMemo(PanelAdd, "MemoT");
    MemoB = MakeMemo(PanelAdd, "MemoB");
    addPanelLayout()->addWidget(MemoT, 1);
    addPanelLayout()->addWidget(MemoB, 1);
    addPanelLayout()->addWidget(BitBtnAdd);
    restoreLayout();
}

bool TfContragent::Choose(QWidget *owner, const QByteArray &lang, uint8_t stype, QString &nameT, QString &nameB)
{
    TfContragent form(owner);
    form.Lang = lang;
    form.SType = stype;
    if (form.exec() != QDialog::Accepted)
        return false;
    nameT = form.SelectedNameT;
    nameB = form.SelectedNameB;
    return true;
}

void TfContragent::setTitles()
{
    if (SType == ContragentKind::SenderExporter) {
        DBGrid->columns().column(0).title().setCaption(QStringLiteral("Отправитель"));
        DBGrid->columns().column(1).title().setCaption(QStringLiteral("Экспортёр"));
    } else if (SType == ContragentKind::RecipientImporter) {
        DBGrid->columns().column(0).title().setCaption(QStringLiteral("Получатель"));
        DBGrid->columns().column(1).title().setCaption(QStringLiteral("Импортёр"));
    }
}

void TfContragent::addEntry()
{
    if (!IsPickListLanguage(Lang)) {
        Prompts().ask(QStringLiteral("Добавить контрагента нельзя, так как язык неизвестен."), QStringLiteral("Tessal"),
                      Prompt::Error, Prompt::Ok);
        return;
    }
    data().addEntry(Lang, SType,
                    {WidgetToStoredText(MemoT->toPlainText()), WidgetToStoredText(MemoB->toPlainText())});
}

void TfContragent::showInAddPanel(const QStringList &names)
{
    MemoT->setPlainText(StoredToWidgetText(names.value(0)));
    MemoB->setPlainText(StoredToWidgetText(names.value(1)));
}

void TfContragent::setResults(const QStringList &names)
{
    SelectedNameT = names.value(0);
    SelectedNameB = names.value(1);
}
