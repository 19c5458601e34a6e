#include "EditorModes.h"

#include "GoodsLines.h"

bool ContentEditable(bool stopped, bool listOpen, int64_t listedStatus, uint8_t editMode)
{
    bool editable = !stopped && listOpen && listedStatus == 6;
    if (editMode == 1 || editMode == 3)
        editable = true;
    return editable;
}

const QStringList &ContentControls()
{
    static const QStringList controls = [] {
        QStringList list = {"p1",          "p2",           "p3",           "p4",          "pCountry5",
                            "p6",          "pCountry12",   "p8",           "p9",          "p10",
                            "pDel",        "ButtonAdd",    "dbeSender",    "dbeExporter", "dbeRecipient",
                            "dbeImporter", "dbm3",         "dbm4",         "dbm6",        "EditCountry5",
                            "EditDovName", "ImportingCountry"};
        for (const GoodsField &f : GoodsFields())
            list.append(f.memo);
        return list;
    }();
    return controls;
}

bool PendingAtShow(uint8_t editMode)
{
    return editMode != 2;
}
