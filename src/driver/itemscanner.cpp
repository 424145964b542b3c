#include "itemscanner.h"

namespace {

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool ItemScanner::readDigits(int &value)
{
    const int start = m_pos;
    value = 0;
    while (m_pos < m_text.size() && isDigit(m_text[m_pos])) {
        value = value * 10 + (m_text[m_pos] - '0');
        ++m_pos;
        if (value > kItemValueCap)
            return false;
    }
    return m_pos > start;
}

bool ItemScanner::getSizeDp(int defaultSize, int &size, int &dp)
{
    size = defaultSize;
    dp = -1;
    if (m_pos < m_text.size() && isDigit(m_text[m_pos]) && !readDigits(size))
        return false;
    if (m_pos < m_text.size() && m_text[m_pos] == '.') {
        ++m_pos;
        if (!readDigits(dp))
            return false;
    }
    return true;
}

bool ItemScanner::getIdent(QByteArray &ident)
{
    if (m_pos >= m_text.size() || !isLetter(m_text[m_pos]))
        return false;
    const int start = m_pos;
    while (m_pos < m_text.size()
           && (isLetter(m_text[m_pos]) || isDigit(m_text[m_pos]) || m_text[m_pos] == '_'))
        ++m_pos;
    if (m_pos - start > kIdentMaxLen)
        return false;
    ident = m_text.mid(start, m_pos - start);
    return true;
}

bool ItemScanner::take(char c)
{
    if (m_pos < m_text.size() && m_text[m_pos] == c) {
        ++m_pos;
        return true;
    }
    return false;
}
