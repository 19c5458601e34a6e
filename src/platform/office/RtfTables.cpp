#include "RtfTables.h"

#include "AppError.h"
#include "Windows1251.h"

#include <QHash>
#include <QSet>

namespace {

const QString LineBreak = QStringLiteral("\r\n");

enum class Destination { Text, Skipped, FontTable };

struct GroupState {
    Destination destination = Destination::Text;
    bool inTable = false;
    int unicodeSkip = 1; // \uc: fallback characters after each \u
    int font = -1;
};

struct CellDefinition {
    bool mergedIntoPrevious = false; // \clmrg
    bool continuesAbove = false;     // \clvmrg
};

const QSet<QByteArray> &SkippedDestinations()
{
    static const QSet<QByteArray> names = {
        "colortbl", "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "atnid", "atnauthor", "fldinst",
        "listtable", "listoverridetable", "rsidtbl", "revtbl", "filetbl", "xmlnstbl", "themedata",
        "colorschememapping", "latentstyles", "datastore", "shp", "nonshppict", "generator", "pgdsctbl", "xe",
        "tc", "txe", "private", "listtext", "pntext", "bkmkstart", "bkmkend", "fchars", "lchars", "userprops", "docvar",
    };
    return names;
}

const QHash<QByteArray, QString> &SymbolWords()
{
    static const QHash<QByteArray, QString> symbols = {
        {"emdash", QStringLiteral("\u2014")}, {"endash", QStringLiteral("\u2013")},
        {"emspace", QStringLiteral("\u2003")}, {"enspace", QStringLiteral("\u2002")},
        {"qmspace", QStringLiteral("\u2005")}, {"bullet", QStringLiteral("\u2022")},
        {"lquote", QStringLiteral("\u2018")}, {"rquote", QStringLiteral("\u2019")},
        {"ldblquote", QStringLiteral("\u201C")}, {"rdblquote", QStringLiteral("\u201D")},
        {"tab", QStringLiteral("\t")}, {"line", LineBreak}, {"nestcell", LineBreak}, {"nestrow", LineBreak},
    };
    return symbols;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

int HexDigit(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int CodePageOfCharset(int charset)
{
    return charset == 204 ? 1251 : 0;
}

class RtfTableReader {
public:
    explicit RtfTableReader(const QByteArray &rtf) : m_rtf(rtf) {}

    OfficeTables read()
    {
        if (!m_rtf.startsWith("{\\rtf"))
            throw AppError(QStringLiteral("not an RTF document"));
        while (m_at < m_rtf.size() && !m_finished) {
            const char c = m_rtf[m_at++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                readControl();
                break;
            case '\r':
            case '\n':
                break;
            default:
                putByte(uchar(c));
            }
        }
        if (!m_finished)
            throw AppError(QStringLiteral("the RTF document ends inside a group"));
        for (; m_at < m_rtf.size(); ++m_at)
            if (!IsBlank(m_rtf[m_at]))
                throw AppError(QStringLiteral("the RTF document goes on after its last group closed"));
        return m_tables.finish();
    }

private:
    GroupState &state() { return m_groups.back(); }

    void openGroup()
    {
        if (m_groups.size() >= size_t(MaxRtfGroupDepth))
            throw AppError(QStringLiteral("RTF groups nested more than %1 deep").arg(MaxRtfGroupDepth));
        m_groups.push_back(m_groups.empty() ? GroupState() : state());
        m_fallbackLeft = 0;
    }

    void closeGroup()
    {
        if (m_groups.empty())
            throw AppError(QStringLiteral("the RTF document closes a group it never opened"));
        m_groups.pop_back();
        m_fallbackLeft = 0;
        if (m_groups.empty())
            m_finished = true; // only blanks may follow
    }

    void readControl()
    {
        if (m_at >= m_rtf.size())
            return;
        const char c = m_rtf[m_at];
        if (!IsLetter(c)) {
            ++m_at;
            readSymbol(c);
            return;
        }
        const qsizetype start = m_at;
        while (m_at < m_rtf.size() && IsLetter(m_rtf[m_at]) && m_at - start < 32)
            ++m_at;
        const QByteArray word = m_rtf.mid(start, m_at - start);
        bool hasParameter = false;
        qint64 parameter = 0;
        bool negative = false;
        if (m_at < m_rtf.size() && m_rtf[m_at] == '-') {
            negative = true;
            ++m_at;
        }
        const qsizetype digits = m_at;
        while (m_at < m_rtf.size() && IsDigit(m_rtf[m_at]) && m_at - digits < 10) {
            parameter = parameter * 10 + (m_rtf[m_at] - '0');
            ++m_at;
            hasParameter = true;
        }
        if (negative)
            parameter = -parameter;
        if (m_at < m_rtf.size() && m_rtf[m_at] == ' ')
            ++m_at;
        if (!m_groups.empty())
            controlWord(word, hasParameter, parameter);
    }

    void readSymbol(char c)
    {
        if (m_groups.empty())
            return;
        switch (c) {
        case '\'': {
            const int high = m_at < m_rtf.size() ? HexDigit(m_rtf[m_at]) : -1;
            const int low = m_at + 1 < m_rtf.size() ? HexDigit(m_rtf[m_at + 1]) : -1;
            if (high >= 0 && low >= 0) {
                m_at += 2;
                putByte(uchar(high * 16 + low));
            }
            break;
        }
        case '*':
            state().destination = Destination::Skipped;
            break;
        case '\\':
        case '{':
        case '}':
            putByte(uchar(c));
            break;
        case '~':
            putText(QStringLiteral("\u00A0"));
            break;
        case '_':
            putText(QStringLiteral("-"));
            break;
        case '\r':
        case '\n':
            endParagraph();
            break;
        default:
            break; // \- (optional hyphen), \: and anything unknown
        }
    }

    void controlWord(const QByteArray &word, bool hasParameter, qint64 parameter)
    {
        GroupState &group = state();
        if (group.destination == Destination::FontTable) {
            fontTableWord(word, parameter);
            return;
        }
        if (word == "bin") {
            m_at = std::min(m_at + qsizetype(std::max<qint64>(parameter, 0)), m_rtf.size());
            return;
        }
        if (word == "fonttbl") {
            group.destination = Destination::FontTable;
        } else if (SkippedDestinations().contains(word)) {
            group.destination = Destination::Skipped;
        } else if (word == "ansicpg") {
            m_codePage = int(parameter);
        } else if (word == "deff") {
            m_defaultFont = int(parameter);
        } else if (word == "f") {
            group.font = int(parameter);
        } else if (word == "plain") {
            group.font = m_defaultFont;
        } else if (word == "uc") {
            group.unicodeSkip = int(std::clamp<qint64>(parameter, 0, 16));
        } else if (word == "u" && hasParameter) {
            putText(QString(QChar(char16_t(parameter < 0 ? parameter + 65536 : parameter))));
            m_fallbackLeft = group.unicodeSkip;
        } else if (word == "pard") {
            group.inTable = false;
        } else if (word == "intbl") {
            group.inTable = true;
        } else if (word == "itap") {
            group.inTable = parameter > 0;
        } else if (word == "par" || word == "sect") {
            endParagraph();
        } else if (word == "cell") {
            endCell();
        } else if (word == "row") {
            endRow();
        } else if (word == "trowd") {
            m_definitions.clear();
            m_pending = CellDefinition();
        } else if (word == "clmrg") {
            m_pending.mergedIntoPrevious = true;
        } else if (word == "clvmrg") {
            m_pending.continuesAbove = true;
        } else if (word == "cellx") {
            m_definitions.append(m_pending);
            m_pending = CellDefinition();
        } else if (const auto symbol = SymbolWords().constFind(word); symbol != SymbolWords().constEnd()) {
            putText(*symbol);
        }
    }

    void fontTableWord(const QByteArray &word, qint64 parameter)
    {
        if (word == "f")
            m_fontBeingDefined = int(parameter);
        else if (word == "fcharset" && CodePageOfCharset(int(parameter)))
            m_fontCodePages.insert(m_fontBeingDefined, CodePageOfCharset(int(parameter)));
        else if (word == "cpg")
            m_fontCodePages.insert(m_fontBeingDefined, int(parameter));
    }

    // A character byte: ASCII as it is, others through the code page in use.
    void putByte(uchar byte)
    {
        if (byte < 0x80) {
            putText(QString(QLatin1Char(char(byte))));
            return;
        }
        const int codePage = m_fontCodePages.value(state().font, m_codePage);
        putText(codePage == 1251 ? FromWindows1251(QByteArray(1, char(byte))) : QString(QChar(byte)));
    }

    void putText(const QString &text)
    {
        if (m_groups.empty() || state().destination != Destination::Text)
            return;
        if (m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return;
        }
        m_cellText += text;
    }

    void endParagraph()
    {
        if (state().destination != Destination::Text)
            return;
        if (state().inTable) {
            m_cellText += LineBreak;
            return;
        }
        m_cellText.clear();
        m_tables.endTable();
        m_cellIndex = 0;
    }

    void endCell()
    {
        if (state().destination != Destination::Text)
            return;
        const CellDefinition definition = m_cellIndex < m_definitions.size() ? m_definitions[m_cellIndex] : CellDefinition();
        ++m_cellIndex;
        if (!definition.mergedIntoPrevious)
            m_tables.addCell(definition.continuesAbove ? QString() : m_cellText);
        m_cellText.clear();
    }

    void endRow()
    {
        if (state().destination != Destination::Text)
            return;
        m_tables.endRow();
        m_cellText.clear();
        m_cellIndex = 0;
    }

    const QByteArray &m_rtf;
    qsizetype m_at = 0;
    bool m_finished = false;
    std::vector<GroupState> m_groups;
    int m_fallbackLeft = 0;
    int m_codePage = 1252;
    int m_defaultFont = -1;
    int m_fontBeingDefined = -1;
    QHash<int, int> m_fontCodePages;
    QList<CellDefinition> m_definitions;
    CellDefinition m_pending;
    int m_cellIndex = 0;
    QString m_cellText;
    OfficeTablesBuilder m_tables;
};

} // namespace

OfficeTables ReadRtfTables(const QByteArray &rtf)
{
    return RtfTableReader(rtf).read();
}
