#include "script/FailureMarks.h"

#include <gtest/gtest.h>

namespace {

TEST(FailureMarks, FindsUnacknowledgedBytesAndFailureLines)
{
    struct Case
    {
        QString line;
        QList<FailureMark> marks;
    };
    const std::vector<Case> cases = {
        {"s A0+ 00+ 01+ p ", {}},
        {"s A0- 00- 01- p ", {{2, 3}, {6, 3}, {10, 3}}},
        {"s A1+ FF- FF- p ", {{6, 3}, {10, 3}}},
        {"s A0+ 00+ 01- p ;WRITE-", {{10, 3}}},
        {"01+ 02- p ", {{4, 3}}},
        {";A0- IN A COMMENT", {}},
        {"Timeout", {{0, 7}}},
        {"overload", {{0, 8}}},
        {" Error - can't start Burst mode", {{0, 31}}},
        {"Devices list:  8bit  7bit  ", {}},
        {"  address :    A0    50", {}},
        {"RESET Device", {}},
        {"Ct=5000 Rate=500 smp/s", {}},
        {"", {}},
        {"- A- G0- 100-", {{9, 4}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(findFailureMarks(c.line), c.marks) << c.line.toStdString();
}

} // namespace
