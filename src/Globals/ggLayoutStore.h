#pragma once
// The window-layout store "StorageOrigin.xml": where forms and their widgets
// stand, how big they are, how splitters divide their panes and in what order
// and width grid columns are shown. A form reads its layout once when it is
// created and writes it once when it goes away:
//
//     TfMain::TfMain(...) { setupUi(this); RestoreLayout(this); }
//     void TfMain::closeEvent(...) { try { KeepLayout(this); } catch (...) { log it } }
//
// The file:
//   <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
//   <ParamsOfForms>                       one child per form, last saved last
//     <TfMain Name="fMain" Height=".." Left=".." Top=".." Width="..">
//       <QSplitter Name="splitter" ...>   one element per named widget, nested
//         <Col Width="120" Index="0"/>    as the widgets are nested (see below)
//         ...
//
// Elements are named after the widget's class (its Q_OBJECT class name, "::"
// written as "."), and carry the widget's objectName as `Name`. Bounds are the
// widget's position (for a window: of its frame) and its size without the
// window frame, so that saving and restoring never grows a window. A stored
// bound of 0 is not applied. Bounds of a widget that a layout or a splitter
// places are written but not applied: its holder decides where it stands.
//
// Which widgets a form keeps: its child widgets with an objectName, in child
// order; an element nests under the element of the nearest named widget that
// holds it. Widgets without a name and Qt's own inner widgets (names starting
// with "qt_") are looked through. Windows of their own (dialogs, menus) are left
// out: they keep their own layout. Tool bars and tool buttons (and classes
// derived from them) are never kept or applied.
//
// What is kept beside the bounds, by kind of widget:
//   - data-bound grid: a QTableView whose model answers
//       model->headerData(section, Qt::Horizontal, FieldNameRole)
//     with the field name behind the column (tested on column 0). One
//     <Col Width FieldName Index/> per column in the order shown. On loading, the
//     column of that field, looked for from position Index onward, is moved to
//     Index; then the column at Index, when it is not hidden, gets the width.
//   - grids with columns of their own (widgets that implement
//     LayoutFieldColumns): as data-bound grids, over the grid's columns.
//   - other grids and lists with columns (QTableView without field names,
//     QTableWidget, QTreeView, QTreeWidget): <Col Width Index/> per column.
//   - splitters (QSplitter): <Col Width Index/> per pane, Width being the pane's
//     size along the splitter (0 for a collapsed pane).
//   - panel grids (widgets that implement LayoutPanelGrid): one <Col Width Index/>
//     per panel column with the panel width, then one <Row Height Index/> per
//     panel row with the panel height.
// A hidden grid column is stored with width 0, and a grid column, panel width
// or panel height of 0 or less is never applied: the column keeps its width.
// A widget whose dynamic property "layoutBoundsOnly" is true keeps only its
// bounds, whatever its kind.
//
// Loading never fails: a missing or damaged file leaves the form as designed,
// and an unreadable attribute or element is skipped by itself.
#include <QString>
#include <Qt>
#include <pugixml.hpp>

class QWidget;

// The header-data role (horizontal header) that gives a column's field name.
constexpr int FieldNameRole = Qt::UserRole + 0x4644;

// Dynamic property that limits a widget to its bounds.
inline constexpr char kLayoutBoundsOnlyProperty[] = "layoutBoundsOnly";

// A grid of equal panels, such as the goods lines of a certificate.
class LayoutPanelGrid {
public:
    virtual ~LayoutPanelGrid() = default;
    virtual int panelColumnCount() const = 0;
    virtual int panelRowCount() const = 0;
    virtual int panelWidth() const = 0;
    virtual int panelHeight() const = 0;
    virtual void setPanelWidth(int width) = 0;
    virtual void setPanelHeight(int height) = 0;
};

// A data-aware grid that keeps its own columns by field name, also while its
// dataset is closed. It is kept like a data-bound grid, but over its own
// columns: one <Col Width FieldName Index/> per grid column. Such a grid keeps
// only its bounds while its "layoutBoundsOnly" property is true.
class LayoutFieldColumns {
public:
    virtual ~LayoutFieldColumns() = default;
    virtual int layoutColumnCount() const = 0;
    virtual QString layoutColumnField(int index) const = 0;
    virtual int layoutColumnWidth(int index) const = 0; // 0 for a hidden column
    virtual bool layoutColumnVisible(int index) const = 0;
    virtual void moveLayoutColumn(int from, int to) = 0;
    virtual void setLayoutColumnWidth(int index, int width) = 0;
};

// Reads the file and applies the form's element (the first child of the
// document element whose Name is the form's objectName). Does nothing for a
// null form or a form without objectName.
void LoadFormLayout(QWidget *form, const QString &fileName);
// Replaces the form's element in the file by the form's present layout (the
// element moves to the end) and writes the file atomically. A missing or
// damaged file is replaced by one that holds only this form. A file that cannot
// be written raises AppError. Does nothing for a null form or one without name.
void SaveFormLayout(QWidget *form, const QString &fileName);
// Applies one element to one widget and its child elements to the widgets it holds.
void ApplyFormLayout(QWidget *component, pugi::xml_node element);
// Writes one widget's element at the end of Parent, replacing every earlier
// element with the same Name, and the elements of the widgets it holds.
void StoreFormLayout(QWidget *component, pugi::xml_node parent);

// "StorageOrigin.xml" in the user's configuration folder (CSIDL_APPDATA).
QString UserLayoutFile();
// "StorageOrigin.xml" in the common configuration folder (CSIDL_COMMON_APPDATA).
QString CommonLayoutFile();
// The create-time call of a form: loads from the user's file when it exists,
// else from the common file. A common file thus serves every user until the
// user's own file exists; from then on only the user's file is read.
void RestoreLayout(QWidget *form);
// The destroy-time call of a form: saves into the user's file, creating the
// user's configuration folder when needed. Raises AppError when it cannot write.
void KeepLayout(QWidget *form);
