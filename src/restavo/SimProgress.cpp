#include "SimProgress.h"

#include "ProgressSink.h"
#include "qlMsInternet.h"

#include <algorithm>

DownloadProgress::DownloadProgress(THttpsConnection &connection, ProgressSink &sink)
    : m_connection(connection), m_sink(sink)
{
    m_sink.open();
    m_sink.setPermille(0);
    m_connection.OnSizeResource = [this](THttpsConnection *sender, qint64 size) { iSizeResourceExecute(sender, size); };
    m_connection.OnSizePortion = [this](THttpsConnection *sender, qint64 size) { iSizePortionExecute(sender, size); };
}

DownloadProgress::~DownloadProgress()
{
    m_connection.OnSizeResource = nullptr;
    m_connection.OnSizePortion = nullptr;
    m_sink.close();
}

void DownloadProgress::iSizeResourceExecute(THttpsConnection *, qint64 size)
{
    m_total = std::max<qint64>(size, 0);
    m_received = 0;
    m_sink.setPermille(Permille(0, m_total));
}

void DownloadProgress::iSizePortionExecute(THttpsConnection *, qint64 size)
{
    m_received += std::max<qint64>(size, 0);
    m_sink.setPermille(Permille(m_received, m_total));
}

int DownloadProgress::Permille(qint64 received, qint64 total)
{
    if (total <= 0)
        return -1;
    // received * 100 stays far inside 64 bits for any size a download can have
    const qint64 percent = std::min<qint64>(received, total) * 100 / total;
    return int(percent * 10);
}
