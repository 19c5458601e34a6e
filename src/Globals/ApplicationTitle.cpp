#include "ApplicationTitle.h"

namespace {

QString &Title()
{
    static QString title = QStringLiteral("Tessal");
    return title;
}

} // namespace

QString ApplicationTitle()
{
    return Title();
}

void SetApplicationTitle(const QString &title)
{
    Title() = title.isEmpty() ? QStringLiteral("Tessal") : title;
}
