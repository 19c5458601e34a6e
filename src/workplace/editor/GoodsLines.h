#pragma once
// The goods lines of the certificate being edited (boxes 7 to 10): the fields
// of the editor's in-memory dataset, their hints and dcod columns, the copy
// from the stored lines, the rule for an untouched new line, the copy of one
// value into every line and the insert of the lines at save.
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class ClientDataSet;
class DataSet;
class SqlQuery;

struct GoodsField {
    QString field;  // field of the editor's dataset
    int size;       // characters
    QString memo;   // the memo that shows it
    QString hint;
    QString column; // the dcod column
};

// d7, d8, d9c, d9p, d10w, d10q in this order.
const QList<GoodsField> &GoodsFields();
// The field names of GoodsFields(), in order.
QStringList GoodsFieldNames();
const GoodsField *FindGoodsFieldByMemo(const QString &memo);

// (Re)creates the dataset empty, with the six wide-text fields.
void CreateGoodsDataSet(ClientDataSet &lines);

// Appends a line per row of the stored goods query, from its first row, with
// the query's controls disabled meanwhile.
void CopyGoodsLines(DataSet &stored, ClientDataSet &lines);

// Removes every line and appends one per entry of Lines, each text into the
// field of the same position in Fields (fields not named stay empty); the
// first line is current afterwards. Imports fill the goods this way.
void ReplaceGoodsLines(ClientDataSet &lines, const QStringList &fields, const QList<QStringList> &values);

// Ends a pending edit of the current line. A new line nothing was put into is
// dropped rather than kept as an empty line.
void FinishGoodsEditing(ClientDataSet &lines);

// Asks whether the current line's value of the field goes into every line and,
// on Yes, puts it there; the current line stays current. An empty value asks
// nothing and changes nothing. True when the lines were changed.
bool CopyToAll(ClientDataSet &lines, const QString &fieldName);

// Inserts one dcod row per line through the goods insert statement: idM, the
// line's position from 1 as dOrder, and the six texts as wide blobs (a null
// field as the empty text). The caller holds the transaction.
void InsertGoodsLines(SqlQuery &insertGoods, int64_t idM, ClientDataSet &lines);
