#pragma once
// Stands for the in-memory client dataset: field definitions (nested dataset
// fields included), append/edit/post/cancel/delete, and nested datasets whose
// rows live inside the current row of their master.
#include "DataSet.h"

#include <QByteArray>
#include <QList>

#include <map>

class ClientDataSet : public DataSet {
    Q_OBJECT
public:
    explicit ClientDataSet(QObject *parent = nullptr);
    ~ClientDataSet() override;

    // Field definitions used by createDataSet(); a nested dataset takes its
    // definitions from its master's field.
    void setFieldDefs(const QList<FieldDef> &defs);
    QList<FieldDef> definedFields() const { return m_defs; }

    void createDataSet(); // opens an empty dataset with the defined fields
    void open();          // reopens what close() left (the rows are kept); else creates
    void close();
    void emptyDataSet();  // removes every row

    // The dataset that shows the rows of a nested field at this dataset's current
    // row. Owned by this dataset; stays valid for its lifetime. It may be taken
    // before the fields are defined (a data packet loaded later defines them).
    ClientDataSet &nestedDataSet(const QString &fieldName);
    bool isNested() const { return m_master != nullptr; }
    ClientDataSet *master() const { return m_master; }

    // Whole content, for the data packet: the definitions and the rows.
    void loadRows(const QList<FieldDef> &defs, std::shared_ptr<RowTable> rows);
    std::shared_ptr<const RowTable> rows() const;

    bool canModify() const override { return true; }

protected:
    void beforeModify() override;
    RowTable &table() const override;

private:
    ClientDataSet(ClientDataSet &master, const QString &fieldName);
    void followMaster();
    int masterFieldIndex() const; // -1 while the master has no such nested field

    QList<FieldDef> m_defs;
    std::shared_ptr<RowTable> m_closedRows; // rows kept by close() for open()
    ClientDataSet *m_master = nullptr;
    QString m_masterField;
    std::shared_ptr<RowTable> m_boundRows; // nested: the rows inside the master's current row
    mutable RowTable m_noRows;             // nested: shown while the master has no row
    std::map<QString, std::unique_ptr<ClientDataSet>> m_details; // by lower-case field name
};
