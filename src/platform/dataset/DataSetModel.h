#pragma once
// Stands for the data source between a dataset and a grid: a table model with a
// column per field (nested fields left out), the dataset's current row, and cells
// that write back to a client dataset. While the dataset's controls are disabled
// the model keeps showing what it showed before.
#include "DataSet.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>

#include <functional>

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // data() and headerData() give a column's field name under this role; it is
    // the role the window-layout store asks a data-bound grid's header for.
    static constexpr int FieldNameRole = Qt::UserRole + 0x4644;
    // Turns a stored value into the text a cell shows; the default shows blobs as UTF-8.
    using DisplayFunction = std::function<QString(const FieldDef &, const QVariant &)>;

    explicit DataSetModel(DataSet *dataSet, QObject *parent = nullptr);

    DataSet *dataSet() const { return m_dataSet; }
    void setDisplayFunction(DisplayFunction function);
    int fieldIndex(int column) const; // the dataset's field index of a column, -1 when none
    int columnOfField(const QString &fieldName) const;
    // The title a field's column shows instead of the field name; an empty
    // title gives the field name back.
    void setHeaderTitle(const QString &fieldName, const QString &title);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Moves the dataset to the row, edits and posts the value; false when the
    // dataset refuses it (read-only, a value that does not convert).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    int currentRow() const; // the dataset's current row, -1 when none
public slots:
    void setCurrentRow(int row); // a view's selection moves the dataset
signals:
    void currentRowChanged(int row);

private:
    void reload();
    QString defaultDisplay(const FieldDef &def, const QVariant &value) const;

    QPointer<DataSet> m_dataSet;
    DisplayFunction m_display;
    QList<int> m_columns; // field index per column
    QList<FieldDef> m_defs;
    QHash<QString, QString> m_titles; // by lower-case field name
    int m_rows = 0;
};
