#pragma once
// The progress of a download from a central database server in the wait
// window: attached to the connection's size events for its lifetime. The bar
// moves in steps of 10 per mille, in 64-bit arithmetic.
#include <QtGlobal>

class ProgressSink;
class THttpsConnection;

// What the bar does when the server sends no length (or a length of 0).
enum class UnknownDownloadSize {
    AssumedTotal, // the workstation's own run: the bar measures against UnknownTotal
    NoBar,        // Restavo: the window shows no bar (-1)
};

class DownloadProgress {
public:
    static constexpr qint64 UnknownTotal = 5000000;

    // Opens Sink (none: nothing is shown) at 0 and takes the connection's
    // OnSizeResource and OnSizePortion until destroyed.
    DownloadProgress(THttpsConnection &connection, ProgressSink *sink,
                     UnknownDownloadSize whenUnknown = UnknownDownloadSize::AssumedTotal);
    ~DownloadProgress();
    DownloadProgress(const DownloadProgress &) = delete;
    DownloadProgress &operator=(const DownloadProgress &) = delete;

    // iSizeResourceExecute: the download's declared size, negative when unknown.
    void sizeResource(qint64 size);
    // iSizePortionExecute: one portion received; returns the position shown,
    // in per mille (beyond 1000 when more than an assumed total arrives; -1
    // for no bar).
    int sizePortion(qint64 size);

private:
    int position() const;

    THttpsConnection &m_connection;
    ProgressSink *m_sink;
    UnknownDownloadSize m_whenUnknown;
    qint64 m_total;
    qint64 m_received = 0;
};
