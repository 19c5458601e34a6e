#include "DownloadProgress.h"

#include "ProgressSink.h"
#include "WaitWindowModel.h"
#include "qlMsInternet.h"

DownloadProgress::DownloadProgress(THttpsConnection &connection, ProgressSink *sink)
    : m_connection(connection), m_sink(sink)
{
    if (m_sink) {
        m_sink->open();
        m_sink->setPermille(0);
    }
    m_connection.OnSizeResource = [this](THttpsConnection *, qint64 size) { sizeResource(size); };
    m_connection.OnSizePortion = [this](THttpsConnection *, qint64 size) { sizePortion(size); };
}

DownloadProgress::~DownloadProgress()
{
    m_connection.OnSizeResource = nullptr;
    m_connection.OnSizePortion = nullptr;
    if (m_sink)
        m_sink->close();
}

void DownloadProgress::sizeResource(qint64 size)
{
    m_total = size > 0 ? size : UnknownTotal;
    m_received = 0;
}

int DownloadProgress::sizePortion(qint64 size)
{
    m_received += qMax<qint64>(size, 0);
    const qint64 percent = m_received * 100 / m_total;
    const int position = ClampPosition(int(qMin<qint64>(percent * 10, 32767)));
    if (m_sink)
        m_sink->setPermille(position);
    return position;
}
