#pragma once
// A list of wide strings with forgiving reads: Get outside the list gives the
// empty text, Delete outside the list raises.
#include <QString>
#include <QStringList>

class TggWideStrings {
public:
    // Stores a copy of S at the end; returns its index.
    int Add(const QString &s);
    // The string at Index; the empty text when Index is outside 0 to Count - 1.
    QString Get(int index) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }
    // Removes the string at Index; an Index outside the list raises AppError
    // "WideString index out of bounds" and changes nothing.
    void Delete(int index);
    void Clear() { m_items.clear(); }

private:
    bool inRange(int index) const { return index >= 0 && index < GetCount(); }

    QStringList m_items;
};
