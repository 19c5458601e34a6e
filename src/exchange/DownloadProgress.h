#pragma once
// The progress of a download from a central database server in the wait
// window: attached to the connection's size events for its lifetime. The bar
// moves in steps of 10 per mille, in 64-bit arithmetic. Both programs show
// their downloads (and Restavo its uploads) this way.
#include <QtGlobal>

class ProgressSink;
class THttpsConnection;

class DownloadProgress {
public:
    // What a download is measured against when the server sends no length
    // (or a length of 0); the bar may pass the end when more arrives.
    static constexpr qint64 UnknownTotal = 5000000;

    // Opens Sink (none: nothing is shown) at 0 and takes the connection's
    // OnSizeResource and OnSizePortion until destroyed.
    DownloadProgress(THttpsConnection &connection, ProgressSink *sink);
    ~DownloadProgress();
    DownloadProgress(const DownloadProgress &) = delete;
    DownloadProgress &operator=(const DownloadProgress &) = delete;

    // iSizeResourceExecute: the download's declared size, negative when unknown.
    void sizeResource(qint64 size);
    // iSizePortionExecute: one portion received; returns the position shown,
    // in per mille (beyond 1000 when more than the assumed total arrives).
    int sizePortion(qint64 size);

private:
    int position() const;

    THttpsConnection &m_connection;
    ProgressSink *m_sink;
    qint64 m_total = UnknownTotal;
    bool m_sizeKnown = false;
    qint64 m_received = 0;
};
