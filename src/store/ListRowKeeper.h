#pragma once
// Keeps what the certificate list shows while a report or an export walks
// the list: the current certificate, its goods line and the search options'
// record. When the scope ends, also by an exception, the list stands on the
// certificate it stood on, the goods query holds that certificate's goods
// lines (on the line it stood on) and the search options are back on their
// record, so that the next action of the operator (printing, issuing) takes
// the certificate they chose.
#include "DataSet.h"

#include <QtGlobal>

class TDM;

class ListRowKeeper {
public:
    explicit ListRowKeeper(TDM &dm);
    ~ListRowKeeper();
    ListRowKeeper(const ListRowKeeper &) = delete;
    ListRowKeeper &operator=(const ListRowKeeper &) = delete;

private:
    void restore();

    TDM &m_dm;
    CurrentRowKeeper m_list;
    CurrentRowKeeper m_goods;
    CurrentRowKeeper m_options;
    qint64 m_certificate; // the list's current id; -1 with no current row
};
