// Bracket expressions in memo texts: [Name], [Func(arg, ...)] with an optional
// ';' before the closing bracket. Arguments are numbers, quoted strings, names
// or calls. Values are inserted as they are, never evaluated again.
#include "ReportEngine.h"

namespace {

using Resolver = std::function<QString(const QString &name, const QStringList &args, bool isCall)>;

class ExpressionParser {
public:
    ExpressionParser(const QString &text, int pos, const Resolver &resolve)
        : m_text(text), m_pos(pos), m_resolve(resolve) {}

    // Parses "expr [;] ]" from the start position; on success Value holds the
    // result and End the position after the closing bracket.
    bool parseBracket(QString &value, int &end)
    {
        if (!parseExpression(value))
            return false;
        skipSpaces();
        if (peek() == QLatin1Char(';')) {
            ++m_pos;
            skipSpaces();
        }
        if (peek() != QLatin1Char(']'))
            return false;
        end = m_pos + 1;
        return true;
    }

private:
    QChar peek() const { return m_pos < m_text.size() ? m_text.at(m_pos) : QChar(); }
    void skipSpaces()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
    }

    bool parseExpression(QString &value)
    {
        skipSpaces();
        const QChar c = peek();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
            return parseString(value);
        if (c.isDigit() || ((c == QLatin1Char('-') || c == QLatin1Char('+')) && m_pos + 1 < m_text.size()
                            && m_text.at(m_pos + 1).isDigit()))
            return parseNumber(value);
        if (c.isLetter() || c == QLatin1Char('_'))
            return parseNameOrCall(value);
        return false;
    }

    bool parseString(QString &value)
    {
        const QChar quote = m_text.at(m_pos++);
        value.clear();
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos++);
            if (c != quote) {
                value += c;
            } else if (peek() == quote) { // a doubled quote stands for one
                value += c;
                ++m_pos;
            } else {
                return true;
            }
        }
        return false;
    }

    bool parseNumber(QString &value)
    {
        const int start = m_pos;
        ++m_pos;
        while (m_pos < m_text.size() && (m_text.at(m_pos).isDigit() || m_text.at(m_pos) == QLatin1Char('.')))
            ++m_pos;
        value = m_text.mid(start, m_pos - start);
        return true;
    }

    bool parseNameOrCall(QString &value)
    {
        const int start = m_pos;
        while (m_pos < m_text.size()
               && (m_text.at(m_pos).isLetterOrNumber() || m_text.at(m_pos) == QLatin1Char('_')))
            ++m_pos;
        const QString name = m_text.mid(start, m_pos - start);
        skipSpaces();
        if (peek() != QLatin1Char('(')) {
            value = m_resolve(name, {}, false);
            return true;
        }
        ++m_pos;
        QStringList args;
        skipSpaces();
        if (peek() == QLatin1Char(')')) {
            ++m_pos;
        } else {
            for (;;) {
                QString arg;
                if (!parseExpression(arg))
                    return false;
                args << arg;
                skipSpaces();
                if (peek() == QLatin1Char(',')) {
                    ++m_pos;
                    continue;
                }
                if (peek() == QLatin1Char(')')) {
                    ++m_pos;
                    break;
                }
                return false;
            }
        }
        value = m_resolve(name, args, true);
        return true;
    }

    const QString &m_text;
    int m_pos;
    const Resolver &m_resolve;
};

} // namespace

void Report::registerFunction(const QString &name, Function function)
{
    m_functions.insert(name.toUpper(), std::move(function));
}

void Report::setDataSource(const QString &name, ReportDataSource *source)
{
    if (source)
        m_sources.insert(name, source);
    else
        m_sources.remove(name);
}

QString Report::evaluate(const QString &text)
{
    if (!text.contains(QLatin1Char('[')))
        return text;
    const Resolver resolve = [this](const QString &name, const QStringList &args, bool isCall) -> QString {
        const QString key = name.toUpper();
        if (!isCall) {
            const auto variable = m_variables.constFind(key);
            if (variable != m_variables.constEnd())
                return *variable;
        }
        const auto function = m_functions.constFind(key);
        if (function == m_functions.constEnd() || !*function)
            return QString();
        return (*function)(args);
    };
    QString result;
    result.reserve(text.size());
    int pos = 0;
    while (pos < text.size()) {
        const int open = text.indexOf(QLatin1Char('['), pos);
        if (open < 0) {
            result += QStringView(text).mid(pos);
            break;
        }
        result += QStringView(text).mid(pos, open - pos);
        ExpressionParser parser(text, open + 1, resolve);
        QString value;
        int end = 0;
        if (parser.parseBracket(value, end)) {
            result += value;
            pos = end;
        } else { // not an expression: the bracket is plain text
            result += QLatin1Char('[');
            pos = open + 1;
        }
    }
    return result;
}
