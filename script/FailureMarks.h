#pragma once

#include <QList>
#include <QStringView>

// The parts of a status-window line that tell of a failure, for the views to show in red: a
// byte that was not acknowledged, with its "-" mark ("A0-", "00-", "FF-"), and the whole of a
// "Timeout", "overload" or " Error - ..." line. A comment echoed after the results is the
// user's own text and is never marked.
struct FailureMark
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const FailureMark&) const = default;
};

QList<FailureMark> findFailureMarks(QStringView line);
