#pragma once
// Which of the main window's certificate and administrator actions are
// offered, from one snapshot of the run's state and the list's current row.
#include <QByteArray>
#include <QString>
#include <cstdint>

struct MainActionInput {
    bool stopFlag = false;
    bool listOpen = false;        // both list queries are open
    bool listHasRows = false;
    int32_t currentStatus = 0;    // status of the list's current row
    QByteArray referenceNo;       // of the list's current row
    bool duplicateInProgress = false;
    int32_t currentUserId = -1;
    QString applicationTitle;
};

struct MainActionStates {
    bool edit = false;
    bool mayPrintOriginal = false;
    bool viewAndPrint = false;
    bool administration = false; // administrator menu, users, archive export and import, synchronisation
    bool options = false;
    QString caption;
};

MainActionStates ComputeMainActionStates(const MainActionInput &input);
