#include "FormPhrase.h"

#include "DataTessal.h"
#include "qlGrids/qlExtraDBGrids.h"
#include "qlGrids/qlTntDBCtrls.h"
#include "LineBreaks.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

PickListTexts PhraseTexts()
{
    PickListTexts texts;
    texts.formName = "fPhrase";
    texts.location = "FormPhrase.TfPhrase.";
    texts.helpLine = QStringLiteral("Произведите выбор двойным щелчком мыши по нужной позиции!");
    texts.deleteHint = QStringLiteral("Удалить выделенную позицию из списка");
    texts.addHint = QStringLiteral("Добавить позицию");
    texts.searchHint = QStringLiteral("Ищет совпадение фразы с началом выделенной колонки");
    texts.subsHint = QStringLiteral("Ищет совпадение фразы по всему тексту выделенной колонки");
    texts.helpContext = 0;
    return texts;
}

} // namespace

QString PhraseKindName(uint8_t stype)
{
    switch (stype) {
    case 3:
        return QStringLiteral("Транспорт");
    case 5:
        return QStringLiteral("Служебные отметки");
    case 6:
        return QStringLiteral("Детали");
    case 8:
        return QStringLiteral("Товары");
    case 9:
        return QStringLiteral("Упаковка");
    case 10:
        return QStringLiteral("Единицы измерения");
    case 20:
        return QStringLiteral("Страны");
    default:
        return QStringLiteral("none ?");
    }
}

TfPhrase::TfPhrase(QWidget *owner) : TfPhrase(owner, runDataModule()) {}

TfPhrase::TfPhrase(QWidget *owner, TDM &dm) : PickListForm(owner, dm, dm.ASQPhrase, PhraseTable(), PhraseTexts())
{
    EditAdd = new QPlainTextEdit(PanelAdd);
    EditAdd->setObjectName(QStringLiteral("EditAdd"));
    EditAdd->setTabChangesFocus(true);
    addPanelLayout()->addWidget(EditAdd, 1);
    addPanelLayout()->addWidget(BitBtnAdd);
    restoreLayout();
}

bool TfPhrase::Choose(QWidget *owner, const QByteArray &lang, uint8_t stype, QString &chosen)
{
    TfPhrase form(owner);
    form.Lang = lang;
    form.SType = stype;
    if (form.exec() != QDialog::Accepted)
        return false;
    chosen = form.SelectedName;
    return true;
}

void TfPhrase::setTitles()
{
    const QString name = PhraseKindName(SType);
    DBGrid->columns().column(0).title().setCaption(name);
    setWindowTitle(name);
}

void TfPhrase::addEntry()
{
    const QString text = WidgetToStoredText(EditAdd->toPlainText());
    dm().SavePhrase(Lang, SType, text);
    data().locateExact(PhraseTable().nameFields.first(), text);
}

void TfPhrase::showInAddPanel(const QStringList &names)
{
    EditAdd->setPlainText(StoredToWidgetText(names.value(0)));
}

void TfPhrase::setResults(const QStringList &names)
{
    SelectedName = names.value(0);
}
