#include "script/FailureMarks.h"

namespace {

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F');
}

// A result byte without acknowledgement: two or more hex digits and the "-" mark.
bool isNotAcknowledged(QStringView token)
{
    if (token.size() < 3 || token.back() != u'-')
        return false;
    for (qsizetype i = 0; i + 1 < token.size(); ++i)
        if (!isHexDigit(token[i]))
            return false;
    return true;
}

} // namespace

QList<FailureMark> findFailureMarks(QStringView line)
{
    if (line == u"Timeout" || line == u"overload" || line.startsWith(u" Error - "))
        return {{0, line.size()}};
    QList<FailureMark> marks;
    qsizetype i = 0;
    while (i < line.size()) {
        if (line[i] == u' ') {
            ++i;
            continue;
        }
        if (line[i] == u';')
            break;
        qsizetype end = i;
        while (end < line.size() && line[end] != u' ')
            ++end;
        if (isNotAcknowledged(line.mid(i, end - i)))
            marks.append({i, end - i});
        i = end;
    }
    return marks;
}
