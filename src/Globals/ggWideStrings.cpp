#include "ggWideStrings.h"
#include "ggError.h"

int TggWideStrings::Add(const QString &s)
{
    m_items.append(s);
    return GetCount() - 1;
}

QString TggWideStrings::Get(int index) const
{
    return inRange(index) ? m_items.at(index) : QString();
}

void TggWideStrings::Delete(int index)
{
    if (!inRange(index))
        throw AppError(QStringLiteral("WideString index out of bounds"));
    m_items.removeAt(index);
}
