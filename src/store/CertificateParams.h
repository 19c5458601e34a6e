#pragma once
// Between the current row of the certificate list (DM.ASQM) and the insert
// parameters of DM.QueryInsM.
#include <cstdint>

class TDM;

// Every insert parameter takes the value of the current list row's column of
// its name (null stays null).
void CopyListRowToInsertParams(TDM &dm);

// Reopens the list at its first row, moves to the certificate with this id
// when it is still listed, and reopens its goods lines.
void ReopenCertificateList(TDM &dm, int64_t id);

// Fills the insert parameters from the current list row for editing: the
// blank number is kept when it lies in the range, else a new one is found
// (nothing is filled when there is none).
void SetEditFields(TDM &dm);
