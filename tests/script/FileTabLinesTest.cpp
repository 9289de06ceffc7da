#include "script/FileTabLines.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(FileTabLines, LinesAreRenderedFromTheRecordBytesOnDemand)
{
    FileTabLines lines;
    QSignalSpy appended(&lines, &FileTabLines::appended);
    // Records of four bytes, the last one partial; then a capture with two-byte records.
    lines.appendRecords(QByteArray("\x01\x12\x34\x56\x00\xFA\xFB\xFC\x01\x02", 10), 4);
    lines.appendRecords(QByteArray("\x81\x0F\x00\x00", 4), 2);
    struct Case
    {
        qsizetype index;
        const char* text;
    };
    const Case cases[] = {
        {0, "01 12 34 56 "}, {1, "00 FA FB FC "}, {2, "81 0F "}, {3, "00 00 "}, {4, ""}, {-1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lines.line(c.index), QString::fromLatin1(c.text)) << c.index;
    EXPECT_EQ(lines.lineCount(), 4);
    EXPECT_EQ(lines.longestLine(), 12);
    ASSERT_EQ(appended.size(), 2);
    EXPECT_EQ(appended[1].at(0).value<qsizetype>(), 2);
    EXPECT_EQ(appended[1].at(1).value<qsizetype>(), 2);

    QSignalSpy cleared(&lines, &FileTabLines::cleared);
    lines.clear();
    EXPECT_EQ(cleared.size(), 1);
    EXPECT_EQ(lines.lineCount(), 0);
    EXPECT_EQ(lines.longestLine(), 0);
    EXPECT_EQ(lines.line(0), QString());
}
