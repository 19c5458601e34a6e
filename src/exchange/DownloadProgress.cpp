#include "DownloadProgress.h"

#include "ProgressSink.h"
#include "WaitWindowModel.h"
#include "qlMsInternet.h"

#include <algorithm>

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
    m_received = 0;
    m_sizeKnown = size > 0;
    m_total = m_sizeKnown ? size : UnknownTotal;
}

int DownloadProgress::sizePortion(qint64 size)
{
    m_received += std::max<qint64>(size, 0);
    const int shown = position();
    if (m_sink)
        m_sink->setPermille(shown);
    return shown;
}

int DownloadProgress::position() const
{
    // A declared size is never passed; the assumed one may be.
    const qint64 received = m_sizeKnown ? std::min(m_received, m_total) : m_received;
    // received * 100 stays far inside 64 bits for any size a download can have
    const qint64 percent = received * 100 / m_total;
    return ClampPosition(int(std::min<qint64>(percent * 10, 32767)));
}
