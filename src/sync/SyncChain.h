#pragma once
// The synchronisation as a chain of Restavo runs (the page's second "Старт"):
// hello, a new workstation file, hello again, the choice of server, the
// server's changes applied to mcod, the certificates posted day by day, the
// attached files uploaded one by one, the update packages downloaded and
// handed to the updater. The server sees the same requests as from the
// in-process synchronisation, one Restavo run for each; see RestavoChain.
#include "RestavoChain.h"

#include <cstdint>
#include <optional>

class SyncChain : public RestavoChain {
public:
    // The messages of the steps, in the order they run.
    static constexpr quint32 WSync1Message = 0x402;
    static constexpr quint32 WSyncCodMessage = 0x403;
    static constexpr quint32 WSync2Message = 0x404;
    static constexpr quint32 WSyncVersionMessage = 0x405;
    static constexpr quint32 WSyncChangeMessage = 0x406;
    static constexpr quint32 WSyncPostDayMessage = 0x407;
    static constexpr quint32 WSyncPostFileMessage = 0x410;
    static constexpr quint32 WSyncUpdateMessage = 0x408;
    static constexpr quint32 WSyncFinishMessage = 0x409;

    SyncChain(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output, RestavoChainPorts ports);

    // aStart2Execute: the page busy, the stop request cleared, the first step posted.
    void start();

    // The first day of the day-by-day posting of the last run; 0 before it is known.
    int64_t SyncStartDay = 0;

private:
    void WSyncChange(qint32 wParam);
    void WSyncPostDay(qint32 wParam);
    void WSyncPostFile(qint32 wParam);
    void WSyncUpdate(qint32 wParam);
    void WSyncFinish();

    // The replies that end the day walk and the upload loop: -3 (the run
    // failed) ends the chain, -1 (nothing left) posts Next with -2; else the
    // stop request is tested. True when the step goes no further.
    bool walkEnds(qint32 wParam, quint32 next);
    void applyChanges();
    // The day the posting starts at, from version.xml and the table; nothing
    // when the chain ends here.
    std::optional<int64_t> startDay();
    // Fills UpdateList from version.xml; false when the chain ends here.
    bool listUpdates();
    void startUpdater();
    void updateFailed(const QString &message);
};
