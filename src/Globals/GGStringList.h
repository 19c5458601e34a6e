#pragma once
// The foundation's string list: a plain list of wide strings that can also be
// written as one comma text.
#include <QString>
#include <QStringList>

// The items joined by ",". An item that holds a blank, a control character, a
// comma or a double quote is enclosed in double quotes with its inner quotes
// doubled; other items, the empty one included, are written as they are. A
// list of one empty item gives "\"\"" so that it is not read as no item.
QString CommaText(const QStringList &items);

class TGGStringList : public QStringList {
public:
    using QStringList::QStringList;

    QString CommaText() const { return ::CommaText(*this); }
};
