#include "script/LineScanner.h"

#include "base/AsciiUpper.h"
#include "data/VariableDefinitions.h"

#include <limits>

namespace {

bool isSeparator(char16_t c)
{
    return c == u' ' || c == u',' || c == u'.' || c == u':';
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

constexpr char16_t EndOfText = 0; // what at() answers past the end of the line

} // namespace

LineScanner::LineScanner(QStringView line, bool continuationLine,
                         const VariableDefinitions& variables)
    : m_line(line), m_variables(variables),
      m_state(continuationLine ? State::ContinuationStart : State::LineStart)
{}

char16_t LineScanner::at(qsizetype i) const
{
    return i < m_line.size() ? asciiUpper(m_line[i].unicode()) : EndOfText;
}

void LineScanner::skipSeparators()
{
    while (!atEnd() && isSeparator(at(m_pos)))
        ++m_pos;
}

ScriptToken LineScanner::finish(ScriptToken token)
{
    m_state = State::Done;
    m_last = token;
    return token;
}

ScriptToken LineScanner::error(qsizetype column)
{
    ScriptToken token;
    token.kind = ScriptToken::Kind::Error;
    token.column = column;
    return finish(token);
}

ScriptToken LineScanner::NextToken()
{
    switch (m_state) {
    case State::Done:
        return m_last;
    case State::LineStart:
        skipSeparators();
        return lineStartToken();
    case State::ContinuationStart:
        skipSeparators();
        return anyToken();
    case State::AfterToken:
    case State::AfterStop: {
        if (!atEnd() && at(m_pos) != u';') {
            // Tokens are separated: "01+" is wrong at the "+", while "01;x" is a comment.
            if (!isSeparator(at(m_pos)))
                return error(m_pos);
            skipSeparators();
        }
        // After a stop only a new address, a comment or the end may follow.
        return m_state == State::AfterStop ? lineStartToken() : anyToken();
    }
    }
    return m_last;
}

ScriptToken LineScanner::lineStartToken()
{
    ScriptToken token;
    token.column = m_pos;
    if (atEnd())
        return finish(token);
    const char16_t c = at(m_pos);
    if (c == u';') {
        token.kind = ScriptToken::Kind::Comment;
        return finish(token);
    }
    if (c == u'S' || c == u'W' || c == u'R')
        return address();
    return error(m_pos);
}

ScriptToken LineScanner::anyToken()
{
    ScriptToken token;
    token.column = m_pos;
    if (atEnd())
        return finish(token);
    const char16_t c = at(m_pos);
    if (hexValue(c) >= 0)
        return dataByte();
    switch (c) {
    case u';':
        token.kind = ScriptToken::Kind::Comment;
        return finish(token);
    case u'X':
        ++m_pos;
        token.kind = ScriptToken::Kind::ReadSlot;
        m_state = State::AfterToken;
        return token;
    case u'P':
        ++m_pos;
        token.kind = ScriptToken::Kind::Stop;
        m_state = State::AfterStop;
        return token;
    case u'@':
        return variableByte();
    case u'S':
    case u'W':
    case u'R':
        return address();
    case u'[':
        return bracketCommand();
    case u'+':
        token.kind = ScriptToken::Kind::Continuation;
        return finish(token);
    default:
        // Anything else, a "]" standing on its own included, means nothing.
        return error(m_pos);
    }
}

ScriptToken LineScanner::address()
{
    ScriptToken token;
    token.kind = ScriptToken::Kind::Address;
    token.column = m_pos;
    token.letter = at(m_pos);
    ++m_pos;
    skipSeparators();
    if (hexValue(at(m_pos)) < 0)
        return error(m_pos);
    token.value = hexByte();
    m_state = State::AfterToken;
    return token;
}

ScriptToken LineScanner::dataByte()
{
    ScriptToken token;
    token.kind = ScriptToken::Kind::DataByte;
    token.column = m_pos;
    token.value = hexByte();
    m_state = State::AfterToken;
    return token;
}

// Consumes the hex digit at the scan position and a second one if it follows.
int LineScanner::hexByte()
{
    int value = hexValue(at(m_pos));
    ++m_pos;
    const int digit = hexValue(at(m_pos));
    if (digit >= 0) {
        value = value * 16 + digit;
        ++m_pos;
    }
    return value;
}

ScriptToken LineScanner::variableByte()
{
    ScriptToken token;
    token.kind = ScriptToken::Kind::VariableByte;
    token.column = m_pos;
    ++m_pos;
    if (atEnd())
        return error(m_pos);
    const char16_t c = at(m_pos);
    if (c >= u'0' && c <= u'3') {
        token.byteIndex = c - u'0';
        ++m_pos;
        if (atEnd())
            return error(m_pos);
    }
    // The name runs to the next separator, whatever it holds (";", "+" and "]" included).
    const qsizetype nameStart = m_pos;
    while (!atEnd() && !isSeparator(at(m_pos)))
        ++m_pos;
    token.variable = m_variables.findActive(m_line.sliced(nameStart, m_pos - nameStart));
    if (token.variable < 0)
        return error(nameStart);
    m_state = State::AfterToken;
    return token;
}

ScriptToken LineScanner::bracketCommand()
{
    static constexpr QStringView DelayKey = u"DELAY";
    ScriptToken token;
    token.kind = ScriptToken::Kind::Delay;
    token.column = m_pos;
    const qsizetype open = m_pos;
    const qsizetype equals = m_line.indexOf(u'=', open + 1);
    if (equals < 0)
        return error(open);
    const qsizetype close = m_line.indexOf(u']', equals + 1);
    if (close < 0)
        return error(open);
    // Blanks are not skipped inside the brackets: "[DELAY = 5]" has the key "DELAY ".
    if (!asciiUpperEquals(m_line.sliced(open + 1, equals - open - 1), DelayKey) ||
        !parseBracketInteger(m_line.sliced(equals + 1, close - equals - 1), token.value))
        return error(open);
    m_pos = close + 1;
    m_state = State::AfterToken;
    return token;
}

bool parseBracketInteger(QStringView text, qint32& value)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto up = [&](qsizetype k) { return k < n ? asciiUpper(text[k].unicode()) : EndOfText; };
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (up(i) == u'+' || up(i) == u'-') {
        negative = up(i) == u'-';
        ++i;
    }
    bool hex = false;
    if (up(i) == u'$' || up(i) == u'X') {
        hex = true;
        i += 1;
    } else if (up(i) == u'0' && up(i + 1) == u'X') {
        hex = true;
        i += 2;
    }
    if (i >= n)
        return false;
    if (hex) {
        if (n - i > 8)
            return false;
        quint32 v = 0;
        for (; i < n; ++i) {
            const int digit = hexValue(up(i));
            if (digit < 0)
                return false;
            v = v * 16 + quint32(digit);
        }
        // Eight hex digits are a 32-bit pattern: above 7FFFFFFF they read as negative.
        value = qint32(negative ? 0u - v : v);
        return true;
    }
    qint64 v = 0;
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min())
                                  : qint64(std::numeric_limits<qint32>::max());
    for (; i < n; ++i) {
        const char16_t c = up(i);
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
        if (v > limit)
            return false;
    }
    value = qint32(negative ? -v : v);
    return true;
}
