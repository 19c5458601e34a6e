#include "ListEnabling.h"

bool IsRowOwner(const ListFacts &facts)
{
    return facts.expert == facts.userName || facts.userId == 1;
}

ListEnabling DecideListEnabling(const ListFacts &f)
{
    const bool open = !f.stopped && f.goodsOpen;
    const bool row = open && f.rowCount >= 1;
    const bool owner = IsRowOwner(f);
    const bool issued = f.status == 7 || f.status == 5 || f.status == 10;

    ListEnabling e;
    e.complete = row && f.listOpen && f.status == 6 && owner;
    e.newCert = open && f.listOpen;
    e.cancel = row && issued;
    e.duplicate = row && f.status == 7;
    e.del = row && f.status == 6 && owner;
    e.badPaper = row && issued && owner;
    e.buttonMyOnly = open && f.userId == 1;
    e.edit = open && f.rowCount != 0 && (f.status == 6 || f.duplicateInProgress);
    e.templ = open && f.rowCount != 0;
    e.goDuplicate = row && f.status == 7 && owner && !f.goDuplicate.isEmpty();
    e.goTrue = row && f.status == 10 && owner && !f.goTrue.isEmpty();
    e.filterMyOnly = f.userId == 1;
    e.filterMyOnlyForced = f.userId != 1;
    e.clearsDuplicateInProgress = f.status != 10;
    return e;
}
