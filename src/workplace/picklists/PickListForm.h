#pragma once
// What the two pick-list windows share: a read-only grid over the data
// module's shared query filtered to one language and kind, searching from the
// start or anywhere in the grid's selected column, an add panel that shows the
// selected entry's texts, deleting, choosing by the button or a double click,
// the mouse wheel moving one entry per notch, and the window layout kept in
// the layout store. The windows add their own columns, titles and add action.
#include "HelpPages.h"
#include "PickListData.h"

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>

class QAction;
class QGroupBox;
class QHBoxLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QWheelEvent;
class TDM;
class TqlDBGrid;
class T_TntColumn;
struct TqlCellPaint;

// The texts and numbers by which the two pick-list windows differ.
struct PickListTexts {
    const char *formName = "";  // objectName of the window: "fContragent", "fPhrase"
    const char *location = "";  // "FormContragent.TfContragent."
    QString helpLine;       // shown in the main window's help line
    QString deleteHint;
    QString addHint;
    QString searchHint;
    QString subsHint;
    int helpContext = 0;
};

class QVBoxLayout;

class PickListForm : public QDialog {
    Q_OBJECT
public:
    ~PickListForm() override;

    // Set by the caller before showing.
    QByteArray Lang;   // the certificate's two-letter language
    uint8_t SType = 0; // the kind of entries
    // The grid's row height as designed; entry rows are four times as high.
    int BaseRowHeight = 0;

    QToolBar *ToolBar = nullptr;
    QAction *aCancel = nullptr;
    QAction *aDelete = nullptr;
    QAction *aSelectOk = nullptr;
    QAction *aAdd = nullptr;
    QAction *aHelpContext = nullptr;
    TqlDBGrid *DBGrid = nullptr;
    QLineEdit *EditSearch = nullptr;
    QLineEdit *EditSubs = nullptr;
    QGroupBox *PanelAdd = nullptr;
    QPushButton *BitBtnAdd = nullptr;

    // The shared query and what is done with it.
    PickListData &data() { return m_data; }

    void aCancelExecute();
    void aAddExecute();
    void aDeleteExecute();
    void aSelectOkExecute();
    void aHelpContextExecute();
    void EditSearchChange();
    void EditSubsChange();
    // Answers the wheel's posted message: 1 one entry back, 2 one entry forward.
    void MessageGoBase(int direction);

protected:
    PickListForm(QWidget *owner, TDM &dm, SqlQuery &query, const PickListTable &table, const PickListTexts &texts);

    // Puts the add panel's editors into the panel (called once by the window).
    QHBoxLayout *addPanelLayout() const { return m_addLayout; }
    // The row height of the grid as designed, then four lines of wrapped text per entry.
    void setRowHeights();
    // Restores the layout once the window's widgets all exist.
    void restoreLayout();
    TDM &dm() const { return m_dm; }
    // The data module of the run; raises AppError before the start-up made it.
    static TDM &runDataModule();
    QByteArray location(const char *handler) const;

    // Titles of the columns (and caption) for the kind.
    virtual void setTitles() = 0;
    // Stores the add panel's texts.
    virtual void addEntry() = 0;
    // The add panel shows the selected entry's texts.
    virtual void showInAddPanel(const QStringList &names) = 0;
    // Results: set by a choice, emptied when the window is shown.
    virtual void setResults(const QStringList &names) = 0;

    void showEvent(QShowEvent *event) override;
    // A choice made, or the window closed: the help line's request to choose has had its moment.
    void done(int result) override;
    // Enter chooses the current entry (from the list or a search edit), Esc closes.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The window is built section by section.
    void buildActions(const PickListTexts &texts);
    void buildToolBar(QVBoxLayout *layout);
    void buildGrid(QVBoxLayout *layout, SqlQuery &query, const PickListTable &table);
    void buildSearch(QVBoxLayout *layout, const PickListTexts &texts);
    void buildAddPanel(QVBoxLayout *layout);
    void connectHandlers(SqlQuery &query);

    void TntFormShow();
    void DBGridDrawColumnCell(const T_TntColumn &column, TqlCellPaint &cell);
    bool DBGridMouseWheel(QWheelEvent *event);
    void selectedRowChanged();
    bool searchSelectedColumn(const QString &text, bool anywhere);

    TDM &m_dm;
    PickListData m_data;
    PickListTexts m_texts;
    QHBoxLayout *m_addLayout = nullptr;
    int m_wheelRest = 0;
    HelpLineMoment m_helpLine;
};

// Kinds of party pairs.
namespace ContragentKind {
constexpr uint8_t SenderExporter = 1, RecipientImporter = 2;
}
