#pragma once
// The operations Restavo carries out, one table entry per operation code.
#include "RestavoDispatcher.h"

OperationTable RestavoOperationTable();
