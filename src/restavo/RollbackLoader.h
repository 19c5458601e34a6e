#pragma once
// TRollback: loads the certificates of a restore document into temp.sqb of
// the data folder. Each "row" child of the document element is one
// certificate head with its goods lines, inserted in a transaction of its
// own; a row that fails leaves nothing of itself and ends the run, so the
// next run (a new Restavo process) starts again at that row. The "arm" child
// gives the option lastChange, written only by the run that starts at 0.
#include "SqliteDatabase.h"

#include <pugixml.hpp>

#include <functional>
#include <memory>

class TRollback {
public:
    // Loads the document at XmlPath and opens DataDir/temp.sqb, which must
    // exist (an empty database copied there by the workstation). Raises
    // AppError when either fails.
    TRollback(const QString &xmlPath, const QString &dataDir);
    ~TRollback();
    TRollback(const TRollback &) = delete;
    TRollback &operator=(const TRollback &) = delete;

    // -1 when every child from StartIndex on was handled; otherwise the index
    // of the child at which the next run is to start.
    qint32 Execute(qint32 startIndex);

    // Called with the child's index before each child; by default lets the
    // application process its pending messages.
    void setBeforeEachChild(std::function<void(qint32 index)> callback) { m_beforeEachChild = std::move(callback); }
    // How long a write waits for another connection's lock before it fails.
    void setBusyTimeout(int milliseconds) { m_db.setBusyTimeout(milliseconds); }

private:
    void PrepareInsert();
    void storeLastChange();
    void insertRow(qint32 index, const pugi::xml_node &row);

    pugi::xml_document m_document;
    SqliteDatabase m_db;
    std::unique_ptr<SqliteStatement> m_head;
    std::unique_ptr<SqliteStatement> m_goods;
    std::function<void(qint32)> m_beforeEachChild;
};
