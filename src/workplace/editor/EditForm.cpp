#include "EditForm.h"

#include "CertificateSave.h"
#include "ClientDataSet.h"
#include "CommonTessal.h"
#include "DataTessal.h"
#include "DataTessalNumbering.h"
#include "EditHeadBoxes.h"
#include "EditTextCleaning.h"
#include "EditorModes.h"
#include "EditorPickers.h"
#include "FileDialogs.h"
#include "FormContragent.h"
#include "FormPhrase.h"
#include "GGDateTime.h"
#include "GoodsLines.h"
#include "GoodsPanelGrid.h"
#include "NumberMaskEdit.h"
#include "ProjectImportChain.h"
#include "Prompter.h"
#include "ggError.h"
#include "obDialogsBinding.h"
#include "LineBreaks.h"
#include "qlGrids/qlTntDBCtrls.h"
#include "StylePicture.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

const QString LeaveWarning =
    QStringLiteral("Внимание! Отрицательный ответ вызовет отмену ВСЕХ изменений в данном сертификате.");
const QString SaveQuestion = QStringLiteral("Сохранить изменения?");
constexpr int InfoHeight = 50;

// The multi-line memos of the head: entering one leaves the wheel to it.
bool IsHeadMemo(const QString &name)
{
    const HeadTextBox *box = FindHeadTextBox(name);
    return box && box->lines == BoxLines::Memo && name != QLatin1String("EditfileName13")
        && name != ActNumberBox().control;
}

// The mark beside the package-kind and unit memos: two arrows pointing down.
QPixmap MakeCopyMark()
{
    QPixmap mark(16, 16);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 96, 192), 2));
    for (int y : {3, 9}) {
        painter.drawLine(3, y, 8, y + 4);
        painter.drawLine(8, y + 4, 13, y);
    }
    return mark;
}

QDate DateOf(int64_t dayNumber)
{
    return dayNumber > 0 ? DateOfDayNumber(dayNumber) : DateOfDayNumber(0);
}

// Puts a cleaned text back into a box, the cursor where the same text stands.
int CursorAfterCleaning(const QString &before, int cursor, QString (*clean)(const QString &), const QString &after)
{
    return CleanedCursorPosition(before, cursor, clean, int(after.size()));
}

QString CleanStoredMemo(const QString &widgetText)
{
    return CleanMemoText(WidgetToStoredText(widgetText));
}

} // namespace

TfEdit::TfEdit(TDM &dm, QWidget *parent)
    : QWidget(parent), m_dm(dm), m_cdsD(std::make_unique<ClientDataSet>()), m_copyMark(MakeCopyMark())
{
    setObjectName("fEdit");
    setWindowTitle(QStringLiteral("Редактирование"));
    CreateGoodsDataSet(*m_cdsD);
    buildForm();
    connectChanges();
    createProjectImport();
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && isAncestorOf(now))
            ShowInfo(now);
    });
}

TfEdit::~TfEdit() = default;

// ---------------------------------------------------------------- building

QGroupBox *TfEdit::addGroup(const char *name, const QString &title, const QString &hint)
{
    auto *group = new QGroupBox(title);
    group->setObjectName(name);
    group->setToolTip(hint);
    return group;
}

QPlainTextEdit *TfEdit::addMemo(QWidget *parent, const char *name)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setTabChangesFocus(true);
    memo->setFixedHeight(64);
    return memo;
}

QLineEdit *TfEdit::addLine(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QPushButton *TfEdit::addButton(QWidget *parent, const char *name, const QString &caption, const QString &hint)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    if (caption.size() <= 3)
        button->setFixedWidth(28);
    return button;
}

void TfEdit::buildForm()
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(buildToolBar());
    outer->addWidget(buildInfoPanel());

    m_sbEdit = new QScrollArea(this);
    m_sbEdit->setObjectName("sbEdit");
    m_sbEdit->setWidgetResizable(true);
    auto *content = new QWidget;
    content->setObjectName("sbEditContent");
    auto *page = new QVBoxLayout(content);
    buildHead(page);
    buildGoods(page);
    page->addStretch(1);
    m_sbEdit->setWidget(content);
    outer->addWidget(m_sbEdit, 1);

    for (QWidget *child : findChildren<QWidget *>())
        child->installEventFilter(this);
}

QToolBar *TfEdit::buildToolBar()
{
    auto *toolBar = new QToolBar(this);
    toolBar->setObjectName("tbEdit");
    toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_aOk = new QAction(QStringLiteral("Сохранить"), this);
    m_aOk->setObjectName("aOk");
    m_aOk->setToolTip(QStringLiteral("Сохранить внесенные изменения"));
    m_aCancel = new QAction(QStringLiteral("Отмена"), this);
    m_aCancel->setObjectName("aCancel");
    m_aCancel->setToolTip(QStringLiteral("Отменить внесенные изменения"));
    m_aDownLoadSim = new QAction(QStringLiteral("ZUV"), this);
    m_aDownLoadSim->setObjectName("aDownLoadSim");
    m_aDownLoadSim->setToolTip(QStringLiteral("Забрать проект из ZUV"));
    m_aDownLoadWord = new QAction(QStringLiteral("MS Word"), this);
    m_aDownLoadWord->setObjectName("aDownLoadWord");
    m_aDownLoadWord->setToolTip(QStringLiteral("Проект из файла MS Word"));
    toolBar->addActions({m_aOk, m_aCancel, m_aDownLoadSim, m_aDownLoadWord});
    connect(m_aOk, &QAction::triggered, this, [this] { aOKExecute(); });
    connect(m_aDownLoadWord, &QAction::triggered, this, [this] { aDownLoadWordExecute(); });
    connect(m_aDownLoadSim, &QAction::triggered, this, [this] { aDownLoadSimExecute(); });
    connect(m_aCancel, &QAction::triggered, this, [this] { runHandler("aCancelExecute", [this] { aCancelExecute(); }); });
    return toolBar;
}

QFrame *TfEdit::buildInfoPanel()
{
    m_pInfo = new QFrame(this);
    m_pInfo->setObjectName("pInfo");
    m_pInfo->setFixedHeight(InfoHeight);
    // The panel's place stays while it is hidden, so the form below does not
    // jump under the pointer when a hint appears.
    QSizePolicy policy = m_pInfo->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_pInfo->setSizePolicy(policy);
    auto *infoLayout = new QHBoxLayout(m_pInfo);
    infoLayout->setContentsMargins(2, 2, 2, 2);
    m_iInfo = new QLabel(m_pInfo);
    m_iInfo->setObjectName("iInfo");
    m_iInfo->setPixmap(StylePicture(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    m_iInfo->setToolTip(QStringLiteral("Двойной щелчок по изображению - увеличивает размер видимой справки"));
    m_iInfo->installEventFilter(this);
    m_mInfo = new QPlainTextEdit(m_pInfo);
    m_mInfo->setObjectName("mInfo");
    m_mInfo->setReadOnly(true);
    infoLayout->addWidget(m_iInfo);
    infoLayout->addWidget(m_mInfo, 1);
    m_pInfo->setVisible(false);
    return m_pInfo;
}

void TfEdit::buildHead(QVBoxLayout *page)
{
    page->addWidget(buildNumberBlock());
    page->addWidget(buildPartyBox({"gb1", QStringLiteral(" 1. Exporter (name, address, country)"),
                                   QStringLiteral("1. Грузоотправитель и экспортёр: наименование, адрес, страна. Если "
                                                  "отправитель и экспортёр - разные лица, отправитель действует "
                                                  "\"by order\" (по поручению) экспортёра."),
                                   "dbeSender", QStringLiteral("Sender"), "dbeExporter", QStringLiteral("Exporter"),
                                   "p1", "p1add"}));
    page->addWidget(buildPartyBox({"gb2", QStringLiteral(" 2. Consignee (name, address, country)"),
                                   QStringLiteral("2. Грузополучатель и импортёр: наименование, адрес, страна."),
                                   "dbeRecipient", QStringLiteral("Recipient"), "dbeImporter",
                                   QStringLiteral("Importer"), "p2", "p2add"}));
    page->addWidget(buildSingleBox({"gb3", QStringLiteral(" 3. Means of transport and route "),
                                    QStringLiteral("3. Средства транспорта и маршрут, например \"By truck from Moscow "
                                                   "to Warsaw\"."),
                                    "dbm3", true, "p3", "p3add"}));
    page->addWidget(buildSingleBox({"gb4", QStringLiteral(" 4. For official use "),
                                    QStringLiteral("4. Служебные отметки: \"Copy\"; \"Duplicate\" - при утрате первого "
                                                   "сертификата; \"Issued retrospectively\" - выдан впоследствии."),
                                    "dbm4", true, "p4", "p4add"}));
    page->addWidget(buildSingleBox({"gb5", QStringLiteral("5. Country of origin"),
                                    QStringLiteral("5. Страна происхождения товара. Обязательное поле."),
                                    "EditCountry5", false, "pCountry5", "pCountry5add"}));
    page->addWidget(buildSingleBox({"gb6", QStringLiteral("6. Supplementary details"),
                                    QStringLiteral("6. Номер и дата контракта, лицензии или аккредитива."), "dbm6",
                                    true, "p6", "p6add"}));
    page->addWidget(buildCertificationBox());
    page->addWidget(buildDeclarationBox());
    for (QDateEdit *picker : {m_date11, m_date12}) {
        picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        picker->setCalendarPopup(true);
        picker->setMinimumDate(DateOfDayNumber(0));
    }
    page->addWidget(buildAttachedFileBox());
    page->addWidget(buildActBox());
}

QGroupBox *TfEdit::buildNumberBlock()
{
    QGroupBox *gb0 = addGroup("gb0", QString(),
                              QStringLiteral("Номер сертификата: последняя цифра года, номер палаты и номер бланка "
                                             "из диапазона, выделенного АРМу."));
    auto *numbers = new QGridLayout(gb0);
    numbers->addWidget(new QLabel(QStringLiteral("CERTIFICATE OF ORIGIN"), gb0), 0, 0, 1, 6);
    numbers->addWidget(new QLabel(QStringLiteral("issued in the Russian Federation"), gb0), 1, 0, 1, 6);
    numbers->addWidget(new QLabel(QStringLiteral("ORIGINAL №"), gb0), 2, 0);
    m_editG = addLine(gb0, "EditG");
    m_editG->setMaxLength(1);
    m_editG->setToolTip(QStringLiteral("Последняя цифра года"));
    m_editDov = addLine(gb0, "EditDov");
    m_editDov->setMaxLength(3);
    m_editDov->setToolTip(QStringLiteral("Номер УТПП"));
    for (QLineEdit *edit : {m_editG, m_editDov}) {
        edit->setReadOnly(true);
        edit->setEnabled(false);
        edit->setFixedWidth(edit == m_editG ? 24 : 40);
    }
    m_refNumNum = new NumberMaskEdit(6, gb0);
    m_refNumNum->setObjectName("dbeRefNumNum");
    m_refNumNum->setToolTip(QStringLiteral("Должно быть 6 цифр"));
    m_certNo = new NumberMaskEdit(7, gb0);
    m_certNo->setObjectName("EditCertNo");
    m_certNo->setToolTip(QStringLiteral("Номер бланка. Должно быть 7 цифр"));
    m_lang = new QLabel(gb0);
    m_lang->setObjectName("StaticTextLang");
    numbers->addWidget(m_editG, 2, 1);
    numbers->addWidget(m_editDov, 2, 2);
    numbers->addWidget(m_refNumNum, 2, 3);
    numbers->addWidget(m_certNo, 2, 4);
    numbers->addWidget(m_lang, 2, 5);
    return gb0;
}

QGroupBox *TfEdit::buildPartyBox(const PartyBoxLayout &box)
{
    QGroupBox *group = addGroup(box.name, box.title, box.hint);
    auto *grid = new QGridLayout(group);
    grid->addWidget(new QLabel(box.firstLabel, group), 0, 0);
    grid->addWidget(addMemo(group, box.first), 0, 1);
    grid->addWidget(new QLabel(box.secondLabel, group), 1, 0);
    grid->addWidget(addMemo(group, box.second), 1, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(addButton(group, box.picker, QStringLiteral("...")));
    buttons->addWidget(addButton(group, box.adder, QStringLiteral("+")));
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 2, 2, 1);
    return group;
}

QGroupBox *TfEdit::buildSingleBox(const SingleBoxLayout &box)
{
    QGroupBox *group = addGroup(box.name, box.title, box.hint);
    auto *row = new QHBoxLayout(group);
    if (box.memo)
        row->addWidget(addMemo(group, box.control), 1);
    else
        row->addWidget(addLine(group, box.control), 1);
    row->addWidget(addButton(group, box.picker, QStringLiteral("...")), 0, Qt::AlignTop);
    row->addWidget(addButton(group, box.adder, QStringLiteral("+")), 0, Qt::AlignTop);
    return group;
}

QGroupBox *TfEdit::buildCertificationBox()
{
    QGroupBox *gb11 = addGroup("gb11", QStringLiteral(" 11. Certification "),
                               QStringLiteral("11. Наименование и адрес удостоверяющей организации, место и дата "
                                              "удостоверения."));
    auto *grid11 = new QGridLayout(gb11);
    grid11->addWidget(addMemo(gb11, "EditDovName"), 0, 0, 1, 4);
    grid11->addWidget(addButton(gb11, "pName11add", QStringLiteral("+"),
                                QStringLiteral("Установить новое умолчание для названия палаты")),
                      0, 4, Qt::AlignTop);
    grid11->addWidget(new QLabel(QStringLiteral("City"), gb11), 1, 0);
    grid11->addWidget(addLine(gb11, "EditCity11"), 1, 1);
    grid11->addWidget(addButton(gb11, "pCity11add", QStringLiteral("+"),
                                QStringLiteral("Установить умолчание для места удостоверения")),
                      1, 2);
    grid11->addWidget(new QLabel(QStringLiteral("date"), gb11), 1, 3);
    m_date11 = new QDateEdit(gb11);
    m_date11->setObjectName("TntDateTimePicker11");
    grid11->addWidget(m_date11, 1, 4);
    return gb11;
}

QGroupBox *TfEdit::buildDeclarationBox()
{
    QGroupBox *gb12 = addGroup("gb12", QStringLiteral(" 12. Declaration by the exporter "),
                               QStringLiteral("12. Место и дата декларации заявителя, страна-импортёр."));
    auto *grid12 = new QGridLayout(gb12);
    grid12->addWidget(new QLabel(QStringLiteral("importing country"), gb12), 0, 0);
    grid12->addWidget(addLine(gb12, "ImportingCountry"), 0, 1, 1, 3);
    grid12->addWidget(addButton(gb12, "pCountry12", QStringLiteral("...")), 0, 4);
    grid12->addWidget(addButton(gb12, "pCountry12add", QStringLiteral("+")), 0, 5);
    grid12->addWidget(new QLabel(QStringLiteral("City"), gb12), 1, 0);
    grid12->addWidget(addLine(gb12, "EditCity12"), 1, 1);
    grid12->addWidget(addButton(gb12, "pCity12add", QStringLiteral("+")), 1, 2);
    grid12->addWidget(new QLabel(QStringLiteral("date"), gb12), 1, 3);
    m_date12 = new QDateEdit(gb12);
    m_date12->setObjectName("TntDateTimePicker12");
    grid12->addWidget(m_date12, 1, 4, 1, 2);
    return gb12;
}

QGroupBox *TfEdit::buildAttachedFileBox()
{
    QGroupBox *gb13 = addGroup("gb13", QStringLiteral("13. Дополнительный файл"),
                               QStringLiteral("13. Прилагаемый к сертификату дополнительный файл (не обязательно)."));
    auto *grid13 = new QGridLayout(gb13);
    QPlainTextEdit *comment = addMemo(gb13, "EditFileComment");
    comment->setToolTip(QStringLiteral("Описание прилагаемого файла"));
    QPlainTextEdit *fileName = addMemo(gb13, "EditfileName13");
    fileName->setToolTip(QStringLiteral("наименование дополнительного файла"));
    fileName->setReadOnly(true);
    fileName->setEnabled(false);
    grid13->addWidget(comment, 0, 0, 1, 3);
    grid13->addWidget(fileName, 1, 0);
    grid13->addWidget(addButton(gb13, "pFile", QStringLiteral("..."), QStringLiteral("выбрать файл")), 1, 1,
                      Qt::AlignTop);
    grid13->addWidget(addButton(gb13, "pClear", QStringLiteral("x"), QStringLiteral("Удалить файл")), 1, 2,
                      Qt::AlignTop);
    return gb13;
}

QGroupBox *TfEdit::buildActBox()
{
    QGroupBox *gb14 = addGroup("gb14", QStringLiteral("Акт экспертизы"),
                               QStringLiteral("14. Акт экспертизы. Когда акта нет, отметьте \"Акт отсутствует\"."));
    auto *grid14 = new QGridLayout(gb14);
    m_actAbsent = new QCheckBox(QStringLiteral("Акт отсутствует"), gb14);
    m_actAbsent->setObjectName("CheckBox_actPresent");
    m_actNumberLabel = new QLabel(QStringLiteral("Номер акта"), gb14);
    m_actNumber = addMemo(gb14, "Memo_actNumber");
    m_actDateLabel = new QLabel(QStringLiteral("Дата акта экспертизы"), gb14);
    m_actDate = addLine(gb14, "Edit_actDate");
    m_actDate->setReadOnly(true);
    grid14->addWidget(m_actAbsent, 0, 0, 1, 2);
    grid14->addWidget(m_actNumberLabel, 1, 0);
    grid14->addWidget(m_actNumber, 1, 1);
    grid14->addWidget(m_actDateLabel, 2, 0);
    grid14->addWidget(m_actDate, 2, 1);
    return gb14;
}

namespace {
// The designed widths of the titles over the goods columns (7, 8, 9, 10),
// together one panel's designed width.
const int GoodsTitleWidths[] = {52, 304, 160, 149};
} // namespace

void TfEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_goods)
        return;
    const int grid = width() * 2 / 3;
    m_goods->setPanelWidth(grid - (m_goods->width() - m_goods->panelWidth()));
    const int panel = m_goods->panelWidth();
    for (qsizetype i = 0; i < m_goodsTitles.size(); ++i)
        m_goodsTitles[i]->setFixedWidth(GoodsTitleWidths[i] * panel / GoodsPanelGrid::PanelWidth);
}

void TfEdit::buildGoods(QVBoxLayout *page)
{
    auto *goods = new QWidget;
    goods->setObjectName("pGoods");
    auto *layout = new QGridLayout(goods);
    const QStringList captions = {QStringLiteral("7. Item       num-      ber"),
                                  QStringLiteral("8. Description of goods"),
                                  QStringLiteral("9. Number and        kind of pac-         kages"),
                                  QStringLiteral("10. Gross weight        or other                 quantity")};
    auto *titles = new QHBoxLayout;
    for (int i = 0; i < captions.size(); ++i) {
        auto *label = new QLabel(captions[i], goods);
        label->setWordWrap(true);
        label->setFixedWidth(GoodsTitleWidths[i]);
        titles->addWidget(label);
        m_goodsTitles << label;
    }
    titles->addStretch(1);
    layout->addLayout(titles, 0, 0);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton(goods, "ButtonAdd", QStringLiteral("Добавить позицию")));
    buttons->addWidget(addButton(goods, "pInsert", QStringLiteral("↑"),
                                 QStringLiteral("Вставить товарную позицию перед текущей")));
    buttons->addWidget(addButton(goods, "pDel", QStringLiteral("x"), QStringLiteral("Удалить товарную позицию")));
    for (const char *name : {"p8", "p9", "p10"})
        buttons->addWidget(addButton(goods, name, QStringLiteral("...")));
    for (const char *name : {"p8add", "p9add", "p10add"})
        buttons->addWidget(addButton(goods, name, QStringLiteral("+")));
    buttons->addStretch(1);
    layout->addLayout(buttons, 1, 0);

    m_goods = new GoodsPanelGrid(*m_cdsD, m_copyMark, goods);
    layout->addWidget(m_goods, 2, 0, Qt::AlignLeft);
    connect(m_goods, &GoodsPanelGrid::panelsClicked, this,
            [this](const QPoint &point) { runHandler("dbcgDataClick", [&] { dbcgDataClick(point); }); });
    page->addWidget(goods);
}

void TfEdit::connectChanges()
{
    for (const HeadTextBox &box : HeadTextBoxes()) {
        if (auto *memo = findChild<QPlainTextEdit *>(box.control))
            connect(memo, &QPlainTextEdit::textChanged, this, [this, memo] { aChangeExecute(memo); });
        else if (auto *edit = findChild<QLineEdit *>(box.control))
            connect(edit, &QLineEdit::textChanged, this, [this, edit] { aChangeExecute(edit); });
    }
    connect(m_actNumber, &QPlainTextEdit::textChanged, this, [this] { aChangeExecute(m_actNumber); });
    for (NumberMaskEdit *edit : {m_refNumNum, m_certNo})
        connect(edit, &QLineEdit::textChanged, this, [this, edit] { aChangeExecute(edit); });
    for (QDateEdit *picker : {m_date11, m_date12})
        connect(picker, &QDateEdit::dateChanged, this, [this, picker] { aChangeExecute(picker); });
    for (TqlTntDBMemo *memo : m_goods->memos())
        connect(memo, &QPlainTextEdit::textChanged, this, [this, memo] { aChangeExecute(memo); });

    for (const PickerButton &picker : PickerButtons())
        connect(findChild<QPushButton *>(picker.button), &QPushButton::clicked, this,
                [this, name = picker.button] { pickerClick(name); });
    for (const AdderButton &adder : PhraseAdderButtons()) {
        auto *button = findChild<QPushButton *>(adder.button);
        if (!adder.hint.isEmpty())
            button->setToolTip(adder.hint);
        connect(button, &QPushButton::clicked, this, [this, name = adder.button] { phraseAdderClick(name); });
    }
    for (const PartyAdderButton &adder : PartyAdderButtons())
        connect(findChild<QPushButton *>(adder.button), &QPushButton::clicked, this,
                [this, name = adder.button] { partyAdderClick(name); });
    const auto click = [this](const char *button, const char *handler, void (TfEdit::*method)()) {
        connect(findChild<QPushButton *>(button), &QPushButton::clicked, this,
                [this, handler, method] { runHandler(handler, [this, method] { (this->*method)(); }); });
    };
    click("ButtonAdd", "ButtonAddClick", &TfEdit::ButtonAddClick);
    click("pInsert", "pInsertClick", &TfEdit::pInsertClick);
    click("pDel", "pDelClick", &TfEdit::pDelClick);
    click("pFile", "pFileClick", &TfEdit::pFileClick);
    click("pClear", "pClearClick", &TfEdit::pClearClick);
    connect(m_actAbsent, &QCheckBox::clicked, this,
            [this] { runHandler("CheckBox_actPresentClick", [this] { CheckBox_actPresentClick(); }); });
}

void TfEdit::runHandler(const char *name, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        LogException(QByteArray("EditForm.TfEdit.") + name, e);
    }
}

// ---------------------------------------------------------------- boxes and parameters

QString TfEdit::boxText(const QString &control) const
{
    if (auto *memo = findChild<QPlainTextEdit *>(control))
        return WidgetToStoredText(memo->toPlainText());
    if (auto *edit = findChild<QLineEdit *>(control))
        return edit->text();
    return {};
}

void TfEdit::setBoxText(const QString &control, const QString &text)
{
    if (auto *memo = findChild<QPlainTextEdit *>(control))
        memo->setPlainText(StoredToWidgetText(text));
    else if (auto *edit = findChild<QLineEdit *>(control))
        edit->setText(text);
}

EditorHead TfEdit::readHead() const
{
    EditorHead head;
    head.yearDigit = m_editG->text();
    head.chamber = m_editDov->text();
    head.blankNumber = m_refNumNum->editText();
    head.certNo = m_certNo->editText();
    head.language = m_lang->text();
    for (const HeadTextBox &box : HeadTextBoxes())
        head.texts.insert(box.parameter, boxText(box.control));
    head.date11 = DateToDayNumber(m_date11->date());
    head.date12 = DateToDayNumber(m_date12->date());
    head.actAbsent = m_actAbsent->isChecked();
    head.actNumber = WidgetToStoredText(m_actNumber->toPlainText());
    head.actDateText = m_actDate->text();
    return head;
}

void TfEdit::showHead(const EditorHead &head)
{
    m_lang->setText(head.language);
    m_certNo->setEditText(head.certNo);
    m_refNumNum->setEditText(head.blankNumber);
    m_editG->setText(head.yearDigit);
    m_editDov->setText(head.chamber);
    for (const HeadTextBox &box : HeadTextBoxes())
        setBoxText(box.control, head.texts.value(box.parameter));
    m_date11->setDate(DateOf(head.date11));
    m_date12->setDate(DateOf(head.date12));
    m_actAbsent->setChecked(head.actAbsent);
    showAct(head.actAbsent);
    if (!head.actAbsent) {
        m_actDate->setText(head.actDateText);
        m_actNumber->setPlainText(StoredToWidgetText(head.actNumber));
    }
}

void TfEdit::showAct(bool absent)
{
    if (absent) {
        m_actDate->clear();
        m_actNumber->clear();
    }
    for (QWidget *w : std::initializer_list<QWidget *>{m_actDate, m_actNumber, m_actDateLabel, m_actNumberLabel})
        w->setVisible(!absent);
}

// ---------------------------------------------------------------- show and hide

void TfEdit::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool TfEdit::canLeave()
{
    return FormHide();
}

void TfEdit::FormShow()
{
    // The certificate is shown anew: an import still under way is not for it.
    m_projectImport->abandon();
    try {
        m_mInfo->clear();
        m_filling = true;
        showHead(HeadFromParams(m_dm.QueryInsM.params(), App().ChamberNumber));
        m_filling = false;
        CreateGoodsDataSet(*m_cdsD);
        if (App().EditMode != 1) {
            if (m_dm.ASQD.isActive())
                m_dm.ASQD.refresh();
            else
                m_dm.ASQD.open();
            CopyGoodsLines(m_dm.ASQD, *m_cdsD);
            m_cdsD->first();
        }
        m_dm.CheckEdit(*m_cdsD);
        SetEnableActions();
        setInfoText(m_mInfo->toPlainText());
        m_editsPending = PendingAtShow(App().EditMode);
        emit viewPrintEnabled(!m_editsPending);
        emit statusText(QString());
    } catch (const std::exception &e) {
        m_filling = false;
        LogException("Editorm.TfEdit.FormShow", e);
    }
}

bool TfEdit::FormHide()
{
    bool leave = true;
    try {
        if (m_editsPending) {
            setInfoText(LeaveWarning);
            if (Prompts().ask(SaveQuestion, App().MessageTitle, Prompt::Warning, Prompt::YesNo) == Prompt::IdYes)
                leave = aOKExecute();
            else
                m_editsPending = false;
        } else if (App().EditMode == 1) {
            App().EditMode = 0;
        }
        setInfoText(QString());
        if (leave) {
            m_projectImport->abandon();
            emit viewPrintEnabled(true);
        }
    } catch (const std::exception &e) {
        LogException("EditForm.TfEdit.FormHide", e);
        leave = !m_editsPending;
    }
    return leave;
}

// ---------------------------------------------------------------- enabling

void TfEdit::SetEnableActions()
{
    try {
        const bool listOpen = m_dm.ASQM.isActive() && !m_dm.ASQM.isEmpty();
        const int64_t status = listOpen ? m_dm.ASQM.fieldByName("status").asInteger() : -1;
        const bool editable = ContentEditable(App().StopFlag, m_dm.ASQM.isActive(), status, App().EditMode);
        const bool enabled = editable && !App().DuplicateInProgress;
        for (const QString &name : ContentControls())
            if (auto *control = findChild<QWidget *>(name))
                control->setEnabled(enabled);
    } catch (const std::exception &e) {
        LogException("EditForm.TfEdit.SetEnableActions", e);
    }
}

// ---------------------------------------------------------------- changes

void TfEdit::markPending()
{
    m_editsPending = true;
    emit viewPrintEnabled(false);
}

void TfEdit::importTaken()
{
    m_dm.CheckEdit(*m_cdsD);
    markPending();
    SetEnableActions();
    setInfoText(m_mInfo->toPlainText());
}

void TfEdit::aChangeExecute(QObject *sender)
{
    if (m_cleaning)
        return;
    try {
        if (auto *goodsMemo = qobject_cast<TqlTntDBMemo *>(sender)) {
            // Loading a line's text into the memo is no change.
            if (!goodsMemo->isModified())
                return;
            cleanGoodsMemo(goodsMemo);
        } else if (auto *number = qobject_cast<NumberMaskEdit *>(sender)) {
            cleanNumber(number);
        } else if (auto *memo = qobject_cast<QPlainTextEdit *>(sender)) {
            cleanMemo(memo);
        } else if (auto *edit = qobject_cast<QLineEdit *>(sender)) {
            cleanLine(edit);
        } else if (sender == m_date11 && !m_filling) {
            date11Changed();
        }
        markPending();
    } catch (const std::exception &e) {
        m_cleaning = false;
        LogException("EditForm.TfEdit.aChangeExecute", e);
        emit statusText(EditorFailureText);
    }
}

void TfEdit::cleanMemo(QPlainTextEdit *memo)
{
    const QString widgetText = memo->toPlainText();
    const QString stored = WidgetToStoredText(widgetText);
    const QString cleaned = CleanMemoText(stored);
    if (cleaned == stored)
        return;
    const QString shown = StoredToWidgetText(cleaned);
    const int cursor = StoredToWidgetText(CleanStoredMemo(widgetText.left(memo->textCursor().position()))).size();
    m_cleaning = true;
    memo->setPlainText(shown);
    m_cleaning = false;
    QTextCursor textCursor = memo->textCursor();
    textCursor.setPosition(std::min(cursor, int(shown.size())));
    memo->setTextCursor(textCursor);
}

void TfEdit::cleanGoodsMemo(TqlTntDBMemo *memo)
{
    const QString stored = memo->text();
    const QString cleaned = CleanMemoText(stored);
    if (cleaned == stored)
        return;
    m_dm.CheckEdit(*m_cdsD);
    if (Field *field = memo->field())
        field->setValue(cleaned);
    // The memo keeps the cleaned text as its own pending change too, so the
    // next post writes the same.
    cleanMemo(memo);
}

void TfEdit::cleanLine(QLineEdit *edit)
{
    const QString text = edit->text();
    const QString cleaned = CleanLineText(text);
    if (cleaned == text)
        return;
    const int cursor = CursorAfterCleaning(text, edit->cursorPosition(), CleanLineText, cleaned);
    m_cleaning = true;
    edit->setText(cleaned);
    m_cleaning = false;
    edit->setCursorPosition(cursor);
}

void TfEdit::cleanNumber(NumberMaskEdit *edit)
{
    const QString text = edit->editText();
    const QString cleaned = CleanNumberText(text);
    if (cleaned == text)
        return;
    const int cursor = edit->cursorPosition();
    m_cleaning = true;
    edit->setEditText(cleaned);
    m_cleaning = false;
    edit->setCursorPosition(cursor);
}

void TfEdit::date11Changed()
{
    m_dm.QueryInsM.paramByName("Date11").setInteger(DateToDayNumber(m_date11->date()));
    SetYearDigit(m_dm);
    m_editG->setText(QString::number(m_dm.QueryInsM.paramByName("GNum").asInteger()));
}

// ---------------------------------------------------------------- save and cancel

bool TfEdit::aOKExecute()
{
    try {
        const SaveResult result = SaveCertificate(m_dm, readHead(), *m_cdsD);
        if (!result.saved)
            return false;
        m_editsPending = false;
        emit listFilterRequested();
        App().EditMode = 2;
        App().EditedRowId = int32_t(result.id);
        if (!ShowSavedCertificate(m_dm, result.id)) {
            aCancelExecute();
            return true;
        }
        emit viewPrintEnabled(true);
        if (result.duplicateConfirmed)
            aCancelExecute();
        return true;
    } catch (const std::exception &e) {
        LogException("EditForm.TfEdit.aOKExecute", e);
        return !m_editsPending;
    }
}

void TfEdit::aCancelExecute()
{
    App().DuplicateInProgress = false;
    m_editsPending = false;
    emit closeRequested();
}

// ---------------------------------------------------------------- info, wheel, clicks

void TfEdit::ShowInfo(QWidget *focused)
{
    static const QStringList infoGroups = {"gb0", "gb1", "gb2", "gb3", "gb4", "gb11", "gb12"};
    if (IsHeadMemo(focused->objectName()))
        m_wheelScrollsForm = false;
    if (qobject_cast<QDateEdit *>(focused) || (focused->parentWidget() && qobject_cast<QDateEdit *>(focused->parentWidget())))
        m_wheelScrollsForm = true;
    for (QWidget *w = focused; w && w != this; w = w->parentWidget()) {
        if (FindGoodsFieldByMemo(w->objectName()) || infoGroups.contains(w->objectName())) {
            setInfoText(w->toolTip());
            return;
        }
    }
}

void TfEdit::sbEditMouseWheel(QWheelEvent *event)
{
    QScrollBar *bar = m_sbEdit->verticalScrollBar();
    bar->setValue(bar->value() - event->angleDelta().y() / 2);
}

void TfEdit::setInfoText(const QString &text)
{
    m_mInfo->setPlainText(text);
    m_pInfo->setVisible(!text.isEmpty());
}

void TfEdit::iInfoDblClick()
{
    m_pInfo->setFixedHeight(m_pInfo->height() == InfoHeight ? 2 * InfoHeight : InfoHeight);
}

bool TfEdit::eventFilter(QObject *watched, QEvent *event)
{
    try {
        switch (event->type()) {
        case QEvent::Wheel: {
            if (m_wheelScrollsForm) {
                sbEditMouseWheel(static_cast<QWheelEvent *>(event));
                return true;
            }
            // The focused memo scrolls itself, wherever the pointer is. Its
            // viewport passes the wheel on to its scroll bar, and both carry
            // this filter: while the memo handles the wheel, the filter lets
            // it through.
            if (m_wheelToMemo)
                break;
            auto *memo = qobject_cast<QPlainTextEdit *>(QApplication::focusWidget());
            if (memo && isAncestorOf(memo)) {
                m_wheelToMemo = true;
                QApplication::sendEvent(memo->viewport(), event);
                m_wheelToMemo = false;
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress: {
            const QString name = watched->objectName();
            if (qobject_cast<QLineEdit *>(watched) || name == QLatin1String("gb0") || name == QLatin1String("gb11")
                || name == QLatin1String("gb12") || watched == m_sbEdit->viewport()
                || name == QLatin1String("sbEditContent"))
                m_wheelScrollsForm = true;
            if (watched == m_actDate) {
                Edit_actDateClick();
                return true;
            }
            break;
        }
        case QEvent::MouseButtonDblClick:
            if (watched == m_iInfo) {
                iInfoDblClick();
                return true;
            }
            break;
        default:
            break;
        }
    } catch (const std::exception &e) {
        LogException("Editform.TfEdit.sbEditMouseWheel", e);
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- pickers and adders

void TfEdit::pickerClick(const QString &button)
{
    runHandler((button + "Click").toLatin1().constData(), [&] {
        for (const PickerButton &picker : PickerButtons()) {
            if (picker.button != button)
                continue;
            const QByteArray lang = m_dm.QueryInsM.paramByName("Language").asBytes();
            if (picker.list == PickList::Parties) {
                QString nameT, nameB;
                if (!TfContragent::Choose(this, lang, picker.kind, nameT, nameB))
                    return;
                setBoxText(picker.target, nameT);
                setBoxText(picker.secondTarget, nameB);
                return;
            }
            QString chosen;
            if (!TfPhrase::Choose(this, lang, picker.kind, chosen))
                return;
            if (picker.goodsField) {
                m_dm.CheckEdit(*m_cdsD);
                m_cdsD->fieldByName(picker.target).setValue(chosen);
                m_cdsD->post(); // the line's memos show the chosen value
                markPending();
            } else {
                setBoxText(picker.target, chosen);
            }
            return;
        }
    });
}

void TfEdit::phraseAdderClick(const QString &button)
{
    runHandler((button + "Click").toLatin1().constData(), [&] {
        for (const AdderButton &adder : PhraseAdderButtons()) {
            if (adder.button != button)
                continue;
            QString text;
            if (adder.goodsField) {
                TqlTntDBMemo *memo = m_goods->memo(adder.source);
                text = memo ? memo->text() : QString();
            } else {
                text = boxText(adder.source);
            }
            const QByteArray lang = m_dm.QueryInsM.paramByName("Language").asBytes();
            ReportPhraseSaved(m_dm.SavePhrase(lang, adder.kind, text), adder.kind, text);
            return;
        }
    });
}

void TfEdit::partyAdderClick(const QString &button)
{
    for (const PartyAdderButton &adder : PartyAdderButtons()) {
        if (adder.button != button)
            continue;
        try {
            AddParty(m_dm, m_dm.QueryInsM.paramByName("Language").asBytes(), adder.kind, boxText(adder.source),
                     boxText(adder.secondSource));
        } catch (const std::exception &e) {
            LogException(QByteArray("EditForm.TfEdit.") + button.toLatin1() + "Click", e);
            Prompts().inform(PickerTexts::PartyFailed + ExceptionText(e), App().MessageTitle, Prompt::Error);
        }
        return;
    }
}

// ---------------------------------------------------------------- goods lines

void TfEdit::ButtonAddClick()
{
    m_dm.CheckEdit(*m_cdsD);
    FinishGoodsEditing(*m_cdsD);
    m_cdsD->append();
}

void TfEdit::pInsertClick()
{
    m_dm.CheckEdit(*m_cdsD);
    FinishGoodsEditing(*m_cdsD);
    m_cdsD->insert();
}

void TfEdit::pDelClick()
{
    if (!m_cdsD->isEmpty())
        m_cdsD->deleteRecord();
}

void TfEdit::CopyToAll(const QString &fieldName)
{
    runHandler("CopyToAll", [&] {
        if (::CopyToAll(*m_cdsD, fieldName))
            markPending();
    });
}

void TfEdit::dbcgDataClick(const QPoint &point)
{
    const QString field = m_goods->copyMarkFieldAt(point);
    if (!field.isEmpty())
        CopyToAll(field);
}

// ---------------------------------------------------------------- boxes 13 and 14

void TfEdit::pFileClick()
{
    FileDialogRequest request;
    request.title = QStringLiteral("Выберите дополнительный файл");
    if (const std::optional<QString> path = FileDialogsInUse().openFile(request))
        setBoxText("EditfileName13", *path);
}

void TfEdit::pClearClick()
{
    setBoxText("EditFileComment", QString());
    setBoxText("EditfileName13", QString());
}

void TfEdit::CheckBox_actPresentClick()
{
    showAct(m_actAbsent->isChecked());
    m_actNumber->clear();
    m_actDate->clear();
    markPending();
}

void TfEdit::Edit_actDateClick()
{
    const int32_t today = int32_t(DateToDayNumber(Today()));
    int32_t date = today;
    if (ShowSelectDateDialog(date, today - 365) == 1) {
        m_actDate->setText(FormatDayNumber(date));
        aChangeExecute(this);
    }
}
