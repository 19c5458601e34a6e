#pragma once
// The "row" elements of the certificate packet: one certificate head of mcod
// with its attributes in the packet's fixed order, and under it "uGoodsList"
// with one "commodity" per goods line of dcod.
#include <QString>

#include <pugixml.hpp>

#include <memory>
#include <vector>

class SqliteDatabase;
class SqliteStatement;

// Where the kinds of packet differ in their rows.
struct PacketRowRules {
    bool fileFields = false;         // fileComment and fileName after fSize12
    bool exporterLineBreaks = false; // the exporter's line breaks as "&#xA;" as well
    QString actFailure;              // the error that a failure to write the act becomes
};

class PacketRowBuilder {
public:
    // Head is a prepared "select * from mcod ..." statement; its goods lines
    // are read from Db.
    PacketRowBuilder(SqliteDatabase &db, SqliteStatement &head, const PacketRowRules &rules);
    ~PacketRowBuilder();

    // Fills Row from the head's current row and that certificate's goods lines.
    void build(pugi::xml_node row);
    // The current head's id.
    qint64 id() const;

private:
    void fontSizes(pugi::xml_node row);
    void act(pugi::xml_node row, int presentColumn);
    void goods(pugi::xml_node list);
    QString wide(int column) const;
    int64_t requiredDay(int column, const char *name) const;

    SqliteStatement &m_head;
    std::unique_ptr<SqliteStatement> m_goods;
    PacketRowRules m_rules;
    std::vector<int> m_headColumns;
    std::vector<int> m_fontSizeColumns;
    int m_idColumn = -1;
    int m_actDateColumn = -1;
    int m_actNumberColumn = -1;
    std::vector<int> m_goodsColumns;
};
