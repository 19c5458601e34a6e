#pragma once
// The restore download as a chain of Restavo runs (the page's second "Данные
// из ЦБД"): hello, a new workstation file, hello again, the choice of server,
// then the restore file, which Restavo saves where the operator says. See
// RestavoChain.
#include "RestavoChain.h"

class RestoreDownloadChain : public RestavoChain {
public:
    static constexpr quint32 WLF1Message = 0x40a;
    static constexpr quint32 WLFCodMessage = 0x40b;
    static constexpr quint32 WLF2Message = 0x40c;
    static constexpr quint32 WLFVersionMessage = 0x40d;
    static constexpr quint32 WRestoreMessage = 0x40e;
    static constexpr quint32 WLFFinishMessage = 0x40f;

    RestoreDownloadChain(TDM &dm, SyncWindowCore &core, SyncWindowOutput &output, RestavoChainPorts ports);

    // aLoadFromFile2Execute: the page busy, the stop request cleared, the first step posted.
    void start();

private:
    void WRestore(qint32 wParam);
    void WLFFinish();
};
