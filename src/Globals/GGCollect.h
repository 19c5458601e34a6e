#pragma once
// Small lists of the foundation: a named pointer list and a list of integers
// with minimum, maximum and search.
#include <QByteArray>
#include <QList>
#include <cstdint>

// A list of pointers with a name. It does not own what its items point to.
class TGGCollect : public QList<void *> {
public:
    QByteArray Name;
};

// A list of 32-bit integers (record ids, certificate numbers, font sizes).
// Items are compared as unsigned numbers.
class TqlListNumeric {
public:
    // With NoCompare every comparison says "equal", so IndexOfMin and
    // IndexOfMax give 0 for any non-empty list.
    explicit TqlListNumeric(bool noCompare = false) : NoCompare(noCompare) {}

    QByteArray Name;
    bool NoCompare;

    // Stores Value at the end; returns its index.
    int Add(int32_t value);
    int Count() const { return static_cast<int>(m_items.size()); }
    // The item at Index (0 to Count - 1).
    int32_t Items(int index) const { return m_items.at(index); }
    void Delete(int index) { m_items.removeAt(index); }
    void Clear() { m_items.clear(); }

    // 1 when item I is smaller than item J, 2 when equal, 3 when larger.
    int CompareItems(int i, int j) const;
    // Index of the first smallest / first largest item; -1 for an empty list.
    int IndexOfMin() const;
    int IndexOfMax() const;
    // Index of the first item equal to Value; -1 when there is none.
    int IndexOf(int32_t value) const;

private:
    int indexOfExtreme(int wanted) const;

    QList<int32_t> m_items;
};
