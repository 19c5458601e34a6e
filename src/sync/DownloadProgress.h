#pragma once
// The progress of a download from a central database server in the wait
// window: attached to the connection's size events for its lifetime.
#include <QtGlobal>

class ProgressSink;
class THttpsConnection;

class DownloadProgress {
public:
    // What is assumed when the server sends no length (or a length of 0).
    static constexpr qint64 UnknownTotal = 5000000;

    // Opens Sink (none: nothing is shown) and takes the connection's
    // OnSizeResource and OnSizePortion until destroyed.
    DownloadProgress(THttpsConnection &connection, ProgressSink *sink);
    ~DownloadProgress();
    DownloadProgress(const DownloadProgress &) = delete;
    DownloadProgress &operator=(const DownloadProgress &) = delete;

    // iSizeResourceExecute: the download's declared size, negative when unknown.
    void sizeResource(qint64 size);
    // iSizePortionExecute: one portion received; returns the position shown,
    // in per mille, in steps of 10 (beyond 1000 when an unknown size is
    // passed).
    int sizePortion(qint64 size);

private:
    THttpsConnection &m_connection;
    ProgressSink *m_sink;
    qint64 m_total = UnknownTotal;
    qint64 m_received = 0;
};
