#include "DovDCP.h"

QString BoolToWideDigit(bool value) { return value ? QStringLiteral("0") : QStringLiteral("1"); }
