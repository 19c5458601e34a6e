#pragma once
// TRollback: loads the certificates of a restore document into temp.sqb of
// the data folder. Each "row" child of the document element is one
// certificate head with its goods lines, inserted in a transaction of its
// own; a row that fails leaves nothing of itself and ends the run, so the
// next run (a new Restavo process) starts again at that row. The "arm" child
// gives the option lastChange, written by the run that loads the part of the
// document where the first "arm" stands (the run from 0 when it comes first).
//
// The document is read as a stream, one row at a time and each goods line
// inserted as it is read, so memory grows neither with the size of the
// document nor with the goods list of one row; a run that starts at row N
// passes over the children before it without building them. A start tag with
// more attributes or bytes than StartTagLimitDevice allows fails the child it
// stands in, as a row that cannot be loaded does.
#include "SqliteDatabase.h"

#include <QFile>
#include <QXmlStreamReader>

#include <functional>
#include <memory>

class StartTagLimitDevice;
class Utf8CheckingDevice;

class TRollback {
public:
    // Opens the document at XmlPath and DataDir/temp.sqb, which must exist
    // (an empty database copied there by the workstation). Raises AppError
    // when either fails or the document has no document element.
    TRollback(const QString &xmlPath, const QString &dataDir);
    ~TRollback();
    TRollback(const TRollback &) = delete;
    TRollback &operator=(const TRollback &) = delete;

    // -1 when every child from StartIndex on was handled; otherwise the index
    // of the child at which the next run is to start. Raises AppError when the
    // document turns out not to be well-formed XML.
    qint32 Execute(qint32 startIndex);

    // Called with the child's index before each child; by default lets the
    // application process its pending messages.
    void setBeforeEachChild(std::function<void(qint32 index)> callback) { m_beforeEachChild = std::move(callback); }
    // How long a write waits for another connection's lock before it fails.
    void setBusyTimeout(int milliseconds) { m_db.setBusyTimeout(milliseconds); }

private:
    void PrepareInsert();
    void storeLastChange(const QXmlStreamAttributes &arm);
    // Inserts the row the reader stands on, head and goods lines, in one
    // transaction; raises when the row fails, leaving nothing of it.
    void loadRow(qint32 index);
    // Fills the head insert; the row's reference number.
    QString bindHead(qint32 index, const QXmlStreamAttributes &attributes);
    // Inserts the goods lines of the row's first uGoodsList as they are read;
    // false when the row has none.
    bool insertGoods(qint32 index, const QString &referenceNo);
    void insertGoodsLine(qint32 index, const QString &referenceNo, int line);
    // Raises for the reader's failure: the child being read fails at a start
    // tag beyond the bounds, anything else is the document's.
    [[noreturn]] void raiseReaderFailure() const;
    [[noreturn]] void raiseDocumentError() const;
    int percentRead() const;

    QString m_xmlPath;
    QFile m_file;
    std::unique_ptr<Utf8CheckingDevice> m_device;
    std::unique_ptr<StartTagLimitDevice> m_limit;
    QXmlStreamReader m_reader;
    SqliteDatabase m_db;
    std::unique_ptr<SqliteStatement> m_head;
    std::unique_ptr<SqliteStatement> m_goods;
    std::function<void(qint32)> m_beforeEachChild;
};
