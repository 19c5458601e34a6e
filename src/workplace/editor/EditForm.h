#pragma once
// The certificate editor page "Редактирование": the head of the certificate
// held in the data module's insert parameters and its goods lines, with the
// pickers and adders of the pick lists, and the save over the stored
// certificate. The main window shows it as one of its pages and wires its
// requests (see the signals) to its actions.
#include "WorkPage.h"

#include <QPixmap>
#include <QWidget>

#include <functional>
#include <memory>

class ClientDataSet;
class GoodsPanelGrid;
class NumberMaskEdit;
class ProjectImportChain;
struct LaunchResult;
struct RestavoCommand;
class QAction;
class QCheckBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QToolBar;
class QVBoxLayout;
class TDM;
struct EditorHead;

// What the status bar or help line says when an editor action failed; the
// exception itself is in the journal.
inline const QString EditorFailureText = QStringLiteral("Сбой в программе. Смотри Event Log.");

class TfEdit : public QWidget, public WorkPage {
    Q_OBJECT
public:
    explicit TfEdit(TDM &dm, QWidget *parent = nullptr);
    ~TfEdit() override;

    bool HasPendingEdits() const { return m_editsPending; }
    // The page is left: pending changes are saved or dropped as the operator says.
    bool canLeave() override;
    bool hasUnsavedChanges() const override { return m_editsPending; }
    // Enables the content controls by the mode and the listed certificate.
    void SetEnableActions();
    // Copies the current line's value of a goods field into every line (asks first).
    void CopyToAll(const QString &fieldName);

    // Fills the page from the insert parameters and the stored goods lines;
    // runs whenever the page is shown.
    void FormShow();
    // Another page takes the editor's place: asks to save pending changes.
    // False when the operator asked to save and the save did not happen: the
    // editor then stays, its changes still pending.
    bool FormHide();

    // True when the certificate was saved.
    bool aOKExecute();
    void aCancelExecute();
    // Fills the empty boxes and the goods lines from a project in a Word document.
    void aDownLoadWordExecute();
    // Asks for the project-service log-on and starts the chain of Restavo
    // runs that brings the project into this certificate.
    void aDownLoadSimExecute();
    ProjectImportChain &projectImport() { return *m_projectImport; }
    // Tests start the chain's runs through their own starter.
    void setRestavoStarter(std::function<LaunchResult(const RestavoCommand &)> starter);

    ClientDataSet &cdsD() { return *m_cdsD; }
    GoodsPanelGrid &dbcgData() { return *m_goods; }
    QAction *aOk() const { return m_aOk; }
    QAction *aCancel() const { return m_aCancel; }
    QAction *aDownLoadSim() const { return m_aDownLoadSim; }
    QAction *aDownLoadWord() const { return m_aDownLoadWord; }
    // The image drawn beside the package-kind and unit memos of the current line.
    const QPixmap &CopyMarkBitmap() const { return m_copyMark; }
    bool WheelScrollsForm() const { return m_wheelScrollsForm; }

signals:
    // The main window's preview and print actions follow the editor's state.
    void viewPrintEnabled(bool enabled);
    // Text for the main window's status bar (empty clears it).
    void statusText(const QString &text);
    // Text for the main window's help line (empty clears it).
    void helpLine(const QString &text);
    // The editor is done: the main window enables its actions and shows the list.
    void closeRequested();
    // After a save: the list applies its own-certificates filter again.
    void listFilterRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // The goods lines take two thirds of the editor's width.
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildForm();
    QGroupBox *addGroup(const char *name, const QString &title, const QString &hint);
    QPlainTextEdit *addMemo(QWidget *parent, const char *name);
    QLineEdit *addLine(QWidget *parent, const char *name);
    QPushButton *addButton(QWidget *parent, const char *name, const QString &caption, const QString &hint = {});
    // One builder per section of the page.
    QToolBar *buildToolBar();
    QFrame *buildInfoPanel();
    void buildHead(QVBoxLayout *page);
    QGroupBox *buildNumberBlock();
    struct PartyBoxLayout {
        const char *name;
        QString title, hint;
        const char *first;
        QString firstLabel;
        const char *second;
        QString secondLabel;
        const char *picker, *adder;
    };
    QGroupBox *buildPartyBox(const PartyBoxLayout &box);
    struct SingleBoxLayout {
        const char *name;
        QString title, hint;
        const char *control;
        bool memo;
        const char *picker, *adder;
    };
    QGroupBox *buildSingleBox(const SingleBoxLayout &box);
    QGroupBox *buildCertificationBox();
    QGroupBox *buildDeclarationBox();
    QGroupBox *buildAttachedFileBox();
    QGroupBox *buildActBox();
    void buildGoods(QVBoxLayout *page);
    void connectChanges();

    // Change handling of every box (aChangeExecute).
    void aChangeExecute(QObject *sender);
    void cleanMemo(QPlainTextEdit *memo);
    void cleanLine(QLineEdit *edit);
    void cleanNumber(NumberMaskEdit *edit);
    void cleanGoodsMemo(class TqlTntDBMemo *memo);
    void date11Changed();
    void markPending();
    // An import has filled the certificate: checked again, its changes pending.
    void importTaken();

    EditorHead readHead() const;
    void showHead(const EditorHead &head);
    void showAct(bool absent);
    QString boxText(const QString &control) const;
    void setBoxText(const QString &control, const QString &text);

    void ShowInfo(QWidget *focused);
    // The info panel shows while its text is not empty.
    void setInfoText(const QString &text);
    void sbEditMouseWheel(QWheelEvent *event);
    void iInfoDblClick();
    void pickerClick(const QString &button);
    void phraseAdderClick(const QString &button);
    void partyAdderClick(const QString &button);
    void ButtonAddClick();
    void pInsertClick();
    void pDelClick();
    void dbcgDataClick(const QPoint &point);
    void pFileClick();
    void pClearClick();
    void CheckBox_actPresentClick();
    void Edit_actDateClick();
    void runHandler(const char *name, const std::function<void()> &handler);
    void createProjectImport();
    // The last step of the project import: serv.xml into the certificate.
    void GetProjectFromAnswer();

    TDM &m_dm;
    std::unique_ptr<ClientDataSet> m_cdsD;
    QPixmap m_copyMark;
    bool m_editsPending = false;
    bool m_wheelScrollsForm = true;
    bool m_filling = false;
    bool m_cleaning = false;
    bool m_wheelToMemo = false;

    std::function<LaunchResult(const RestavoCommand &)> m_restavoStarter;
    std::unique_ptr<ProjectImportChain> m_projectImport;

    QAction *m_aOk = nullptr;
    QAction *m_aCancel = nullptr;
    QAction *m_aDownLoadSim = nullptr;
    QAction *m_aDownLoadWord = nullptr;
    QFrame *m_pInfo = nullptr;
    QLabel *m_iInfo = nullptr;
    QPlainTextEdit *m_mInfo = nullptr;
    QScrollArea *m_sbEdit = nullptr;
    QLineEdit *m_editG = nullptr;
    QLineEdit *m_editDov = nullptr;
    NumberMaskEdit *m_refNumNum = nullptr;
    NumberMaskEdit *m_certNo = nullptr;
    QLabel *m_lang = nullptr;
    QDateEdit *m_date11 = nullptr;
    QDateEdit *m_date12 = nullptr;
    QCheckBox *m_actAbsent = nullptr;
    QLabel *m_actNumberLabel = nullptr;
    QLabel *m_actDateLabel = nullptr;
    QPlainTextEdit *m_actNumber = nullptr;
    QLineEdit *m_actDate = nullptr;
    GoodsPanelGrid *m_goods = nullptr;
    QList<QLabel *> m_goodsTitles; // over the goods lines' columns, designed widths in GoodsTitleWidths
};
