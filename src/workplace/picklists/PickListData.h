#pragma once
// What the two pick lists (parties and phrases) do with their data, apart
// from their windows: the shared query of the data module shows the entries of
// one language and kind, the cursor is searched, entries are added and deleted
// in one transaction each, and the current entry's texts are read.
#include "SqlQuery.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

class TDM;

// A table of stored pick-list texts: its name and its wide-text name columns.
struct PickListTable {
    QString name;
    QStringList nameFields;
};
const PickListTable &ContragentTable(); // Contragent: nameT, nameB
const PickListTable &PhraseTable();     // Phrase: name

// A language the pick lists can store under: exactly two characters.
inline bool IsPickListLanguage(const QByteArray &lang) { return lang.size() == 2; }

// The entries of one language and kind; of every language when the language
// is not two characters. The values are bound, never pasted into the text.
SqlFragment PickListFilter(const QByteArray &lang, uint8_t stype);

class PickListData {
public:
    PickListData(TDM &dm, SqlQuery &query, const PickListTable &table);

    SqlQuery &query() const { return m_query; }
    const PickListTable &table() const { return m_table; }

    // Closes the shared query, filters it to the language and kind and opens it.
    // The filter stays on the query after the pick list is gone.
    void show(const QByteArray &lang, uint8_t stype);
    // Closes and opens the shared query: it reads the table again.
    void reopen();

    // Moves to the first entry whose field starts with (or, anywhere, contains)
    // the text in any case; the cursor stays when nothing matches.
    bool search(const QString &fieldName, const QString &text, bool anywhere);
    // Moves to the entry whose field is exactly the text; the cursor stays when none is.
    bool locateExact(const QString &fieldName, const QString &text);

    bool hasCurrentEntry() const;
    // The current entry's texts, one per name column; empty texts without an entry.
    QStringList currentNames() const;

    // Deletes every entry of the current entry's language, the kind and the
    // current entry's name bytes, in one transaction, then reopens the query.
    // A database error rolls back and is not reported: the list shows the
    // unchanged table. False when nothing was deleted.
    bool deleteCurrent(uint8_t stype);

    // Stores the texts (one per name column) for the language and kind,
    // replacing an identical entry, in one transaction, then reopens the query.
    // A database error rolls back and is not reported. The language must be
    // two characters (see IsPickListLanguage).
    bool addEntry(const QByteArray &lang, uint8_t stype, const QStringList &names);
    // The same inside the caller's transaction, with the names as the bytes
    // to store (one per name column), and without reopening the query.
    // Raises AppError on failure.
    void storeEntry(const QByteArray &lang, uint8_t stype, const QList<QByteArray> &nameBytes);

private:
    // The scratch query of the data module, closed, unfiltered, with the statement.
    SqlQuery &work(const QString &sql) const;
    QString keyCondition(const QString &comparison) const;
    void reopenQuietly();

    TDM &m_dm;
    SqlQuery &m_query;
    PickListTable m_table;
};
