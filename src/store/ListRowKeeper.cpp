#include "ListRowKeeper.h"

#include "DataTessal.h"

ListRowKeeper::ListRowKeeper(TDM &dm)
    : m_dm(dm), m_list(dm.ASQM), m_goods(dm.ASQD), m_options(dm.cdsSearchOptions), m_certificate(dm.CurrentCertificateId())
{
}

ListRowKeeper::~ListRowKeeper()
{
    // The walk's own outcome is what the caller gets; a failing way back
    // leaves the datasets where they are.
    try {
        restore();
    } catch (...) {
    }
}

void ListRowKeeper::restore()
{
    m_options.restore();
    m_list.restore();
    if (m_certificate < 0 || m_dm.CurrentCertificateId() != m_certificate)
        return;
    // A walk with the list's controls switched off reads other goods lines
    // without the list's move telling anyone: read the certificate's own again.
    SqlQuery &goods = m_dm.ASQD;
    const SqlParam &shown = goods.paramByName(QStringLiteral("id"));
    if (!goods.isActive() || shown.isNull() || shown.value().toLongLong() != m_certificate)
        m_dm.OpenGoodsOfCurrent();
    m_goods.restore();
}
