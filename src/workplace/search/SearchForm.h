#pragma once
// TfSearch: the modal search window. It gathers the conditions, lets
// CertificateSearch mark the certificates, fills the search options for the
// reports and hands the counters and the found list to the windows around it.
#include "CertificateSearch.h"

#include <QDialog>

#include <functional>

class QAction;
class QButtonGroup;
class QComboBox;
class QDateEdit;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QToolButton;
class NumberMaskEdit;
class TDM;
class TfMain;

// What the search needs of the windows around it; the program wires these to
// the main window and the list, tests give their own.
struct SearchHost {
    // The main window's counters "Всего документов: …" and "Найдено документов: …", made visible.
    std::function<void(const QString &total, const QString &found)> showCounters;
    // The list switched to the found certificates and recounted.
    std::function<void()> showFoundRows;
    // The list as the main window's list action leaves it: every certificate.
    std::function<void()> restoreList;
};

// The message the operator gets when a search fails; the error's text follows.
inline const QString SearchFailedText = QStringLiteral("Поиск не выполнен, список показан полностью.\r\n");

class TfSearch : public QDialog {
    Q_OBJECT
public:
    TfSearch(TDM &dm, SearchHost host, QWidget *parent = nullptr);
    ~TfSearch() override;

    // The conditions as the controls now stand.
    SearchConditions conditions() const;

    // Handlers
    void TntFormCreate();
    void aOkExecute();
    void aCancelExecute();
    void aHelpContextExecute();
    // Both dates count (their pickers shown), or neither does.
    void aShowCalendarExecute();
    void aHideCalendarExecute();
    void SpeedButtonBeginClick();
    void SpeedButtonEndClick();
    void SpeedButtonBeginShowClick();
    void SpeedButtonEndShowClick();
    void ButtonExportSelectClick();
    void ButtonExportClearClick();
    void ButtonImportSelectClick();
    void ButtonImportClearClick();
    void ButtonUseSelectClick();
    void ButtonUseClearClick();
    void ButtonCountrySelectClick();
    void ButtonCountryClearClick();
    void ButtonAdditionalInfoClick();
    void ButtonAdditionalInfoClearClick();
    void SpeedButtonGoodsSelectClick();
    void SpeedButtonGoodsDeleteClick();

    // True when every cell of the grid is empty.
    static bool IsGridEmpty(const QTableWidget *grid);
    // Appends the non-empty cells of the grid's first column (line breaks as stored).
    static void GridToStrings(const QTableWidget *grid, QStringList &strings);

    QAction *aOk = nullptr;
    QAction *aCancel = nullptr;
    QAction *aHelpContext = nullptr;
    NumberMaskEdit *Nc3 = nullptr;
    QLineEdit *Nc2 = nullptr;
    NumberMaskEdit *Nc4 = nullptr;
    NumberMaskEdit *Nb1 = nullptr;
    QDateEdit *dtpBegin = nullptr;
    QDateEdit *dtpEnd = nullptr;
    QToolButton *SpeedButtonBegin = nullptr;
    QToolButton *SpeedButtonEnd = nullptr;
    QToolButton *SpeedButtonBeginShow = nullptr;
    QToolButton *SpeedButtonEndShow = nullptr;
    QTableWidget *StringGridExporter = nullptr;
    QRadioButton *rbeAnd = nullptr;
    QRadioButton *rbeOr = nullptr;
    QPlainTextEdit *MemoImporter = nullptr;
    QPlainTextEdit *MemoUse = nullptr;
    QLineEdit *EditCountry = nullptr;
    QPlainTextEdit *MemoAdditionalInfo = nullptr;
    QComboBox *ComboBoxStatus = nullptr;
    QLineEdit *EditExpert = nullptr;
    QTableWidget *StringGridGoods = nullptr;
    QRadioButton *rbAnd = nullptr;
    QRadioButton *rbOr = nullptr;
    QPushButton *ButtonOk = nullptr;
    QPushButton *ButtonCancel = nullptr;

private:
    void buildNumbers(QGridLayout *layout);
    void buildDates(QGridLayout *layout);
    void buildExporter(QGridLayout *layout);
    void buildBoxes(QGridLayout *layout);
    void buildStatusAndExpert(QGridLayout *layout);
    void buildGoods(QGridLayout *layout);
    void buildButtons(QGridLayout *layout);
    QToolButton *button(QWidget *parent, const char *name, const QString &text, void (TfSearch::*handler)());
    QToolButton *clearButton(QWidget *parent, const char *name, void (TfSearch::*handler)());
    QGroupBox *group(const QString &caption);
    void pick(const char *handler, const std::function<void()> &work);
    // The party list (all languages) or the phrase list of the kind; Put
    // takes the choice as stored text.
    void pickParty(const char *handler, uint8_t kind, const std::function<void(const QString &)> &put);
    void pickPhrase(const char *handler, const QByteArray &lang, uint8_t kind,
                    const std::function<void(const QString &)> &put);
    void failed(const std::exception &error, CertificateSearch &search);

    TDM &m_dm;
    SearchHost m_host;
};

// Registers the search window with the main window: its search action shows it.
void RegisterSearchWindow(TfMain &main);
