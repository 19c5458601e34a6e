#pragma once
// What the editor's mode (App().EditMode: 1 new, 2 saved project, 3 from a
// template, 4 duplicate) decides: whether the content may be changed and
// which controls follow that, and whether a certificate opens with changes
// pending.
#include <QStringList>
#include <cstdint>

// The content may be changed: a new certificate or one from a template, or
// (unless the program is stopped) a listed project.
bool ContentEditable(bool stopped, bool listOpen, int64_t listedStatus, uint8_t editMode);

// The controls enabled exactly when the content may be changed and no
// duplicate is being prepared. The adders, the number boxes, the cities and
// dates of boxes 11 and 12, boxes 13 and 14, the insert button and the actions
// are not among them.
const QStringList &ContentControls();

// A saved project opens with nothing to save; the other modes open with
// their certificate not yet stored.
bool PendingAtShow(uint8_t editMode);
