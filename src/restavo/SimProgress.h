#pragma once
// A download's progress on the wait window, fed by the connection's size
// events: the whole size first, then each portion received. The bar moves in
// steps of 10 per mille; a download whose size is unknown or 0 shows the
// window without a bar.
#include <QtGlobal>

class ProgressSink;
class THttpsConnection;

class DownloadProgress {
public:
    // Opens the sink at 0 and takes the connection's size events.
    DownloadProgress(THttpsConnection &connection, ProgressSink &sink);
    // Gives the events back and closes the sink.
    ~DownloadProgress();
    DownloadProgress(const DownloadProgress &) = delete;
    DownloadProgress &operator=(const DownloadProgress &) = delete;

    void iSizeResourceExecute(THttpsConnection *sender, qint64 size);
    void iSizePortionExecute(THttpsConnection *sender, qint64 size);

    // Per mille of Received out of Total in steps of 10; -1 when Total is not above 0.
    static int Permille(qint64 received, qint64 total);

private:
    THttpsConnection &m_connection;
    ProgressSink &m_sink;
    qint64 m_total = 0;
    qint64 m_received = 0;
};
