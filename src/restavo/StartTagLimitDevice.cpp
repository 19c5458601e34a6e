#include "StartTagLimitDevice.h"

#include <cstring>

StartTagLimitDevice::StartTagLimitDevice(QIODevice &source) : m_source(source)
{
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 StartTagLimitDevice::readData(char *data, qint64 maxSize)
{
    if (!m_refusal.isEmpty())
        return 0;
    const qint64 got = m_source.read(data, maxSize);
    return got <= 0 ? 0 : scan(data, got);
}

void StartTagLimitDevice::until(const char *terminator, State after)
{
    m_state = State::Until;
    m_terminator = terminator;
    m_afterUntil = after;
    m_recent[0] = m_recent[1] = 0;
}

bool StartTagLimitDevice::openValue(char c, State after)
{
    if (c != '"' && c != '\'')
        return false;
    m_state = State::Value;
    m_quote = c;
    m_afterValue = after;
    return true;
}

qint64 StartTagLimitDevice::scan(const char *data, qint64 size)
{
    for (qint64 i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n')
            ++m_line;
        switch (m_state) {
        case State::Text:
            if (c == '<') {
                m_state = State::Open;
                m_tagLine = m_line;
            }
            break;
        case State::Open:
            if (c == '/') {
                m_state = State::EndTag;
            } else if (c == '?') {
                until("?>", State::Text);
            } else if (c == '!') {
                m_state = State::Bang;
                m_inSubset = false;
            } else {
                m_state = State::StartTag;
                m_inStartTag = true;
                m_attributes = 0;
                m_tagBytes = 1; // the "<"
            }
            break;
        case State::StartTag:
            if (openValue(c, State::StartTag))
                break;
            if (c == '=' && ++m_attributes > MaxAttributes) {
                m_refusal = QStringLiteral("the start tag on line %1 has more than %2 attributes")
                                .arg(m_tagLine)
                                .arg(MaxAttributes);
                return i;
            }
            if (c == '>') {
                m_state = State::Text;
                m_inStartTag = false;
            }
            break;
        case State::Value:
            if (c == m_quote)
                m_state = m_afterValue;
            break;
        case State::EndTag:
            if (c == '>')
                m_state = State::Text;
            break;
        case State::Bang:
            if (c == '-')
                m_state = State::BangDash;
            else if (c == '[' && !m_inSubset)
                until("]]>", State::Text);
            else
                m_state = m_inSubset ? State::Declaration : State::Doctype;
            break;
        case State::BangDash:
            if (c == '-')
                until("-->", m_inSubset ? State::Subset : State::Text);
            else
                m_state = m_inSubset ? State::Declaration : State::Doctype;
            break;
        case State::Until: {
            const size_t n = std::strlen(m_terminator);
            const bool ends = c == m_terminator[n - 1] && m_recent[1] == m_terminator[n - 2]
                && (n < 3 || m_recent[0] == m_terminator[0]);
            if (ends)
                m_state = m_afterUntil;
            m_recent[0] = m_recent[1];
            m_recent[1] = c;
            break;
        }
        case State::Doctype:
            if (openValue(c, State::Doctype))
                break;
            if (c == '[')
                m_state = State::Subset;
            else if (c == '>')
                m_state = State::Text;
            break;
        case State::Subset:
            if (c == ']')
                m_state = State::Doctype;
            else if (c == '<')
                m_state = State::SubsetOpen;
            break;
        case State::SubsetOpen:
            if (c == '!') {
                m_state = State::Bang;
                m_inSubset = true;
            } else if (c == '?') {
                until("?>", State::Subset);
            } else {
                m_state = State::Declaration;
            }
            break;
        case State::Declaration:
            if (!openValue(c, State::Declaration) && c == '>')
                m_state = State::Subset;
            break;
        }
        if (m_inStartTag && ++m_tagBytes > MaxTagBytes) {
            m_refusal =
                QStringLiteral("the start tag on line %1 is longer than %2 bytes").arg(m_tagLine).arg(MaxTagBytes);
            return i;
        }
    }
    return size;
}
