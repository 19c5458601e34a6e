#pragma once
// The foundation's name for the one exception type; it lives with the
// platform stand-ins, which raise it too.
#include "AppError.h"
