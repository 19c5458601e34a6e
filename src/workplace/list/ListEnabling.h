#pragma once
// Which of the certificate list's actions a row offers to a user.
#include <QString>

// What the rule looks at.
struct ListFacts {
    bool stopped = false;       // the stop flag
    bool listOpen = false;      // ASQM
    bool goodsOpen = false;     // ASQD
    int rowCount = 0;           // rows of ASQM
    int status = -1;            // status of the current row, -1 when unreadable
    QString expert;             // Expert of the current row
    QString goDuplicate;        // reference of the row's duplicate
    QString goTrue;             // reference of a duplicate's original
    QString userName;           // the user logged on
    int userId = -1;            // 1 is the administrator
    bool duplicateInProgress = false;
};

struct ListEnabling {
    bool complete = false;
    bool newCert = false;
    bool cancel = false;
    bool duplicate = false;
    bool del = false;
    bool badPaper = false;
    bool buttonMyOnly = false;
    bool edit = false;
    bool templ = false;
    bool goDuplicate = false;
    bool goTrue = false;
    bool filterMyOnly = false;      // only the administrator chooses
    bool filterMyOnlyForced = false; // every other user always sees only their own
    bool clearsDuplicateInProgress = false; // the row is no duplicate in preparation
};

// The row belongs to the user, or the user is the administrator.
bool IsRowOwner(const ListFacts &facts);
ListEnabling DecideListEnabling(const ListFacts &facts);
