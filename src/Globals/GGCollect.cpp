#include "GGCollect.h"

namespace {
constexpr int Smaller = 1;
constexpr int Equal = 2;
constexpr int Larger = 3;
} // namespace

int TqlListNumeric::Add(int32_t value)
{
    m_items.append(value);
    return Count() - 1;
}

int TqlListNumeric::CompareItems(int i, int j) const
{
    if (NoCompare)
        return Equal;
    const auto a = static_cast<uint32_t>(m_items.at(i));
    const auto b = static_cast<uint32_t>(m_items.at(j));
    return a < b ? Smaller : a == b ? Equal : Larger;
}

int TqlListNumeric::indexOfExtreme(int wanted) const
{
    if (m_items.isEmpty())
        return -1;
    int best = 0;
    for (int i = 1; i < Count(); ++i) {
        if (CompareItems(i, best) == wanted)
            best = i;
    }
    return best;
}

int TqlListNumeric::IndexOfMin() const { return indexOfExtreme(Smaller); }
int TqlListNumeric::IndexOfMax() const { return indexOfExtreme(Larger); }

int TqlListNumeric::IndexOf(int32_t value) const { return static_cast<int>(m_items.indexOf(value)); }
