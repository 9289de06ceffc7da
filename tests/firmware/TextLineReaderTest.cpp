#include "firmware/TextLineReader.h"

#include "ScriptedDevice.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

QStringList readAll(QIODevice& device, TextLineReader::Result& last)
{
    TextLineReader reader(device);
    QStringList lines;
    QString line;
    while ((last = reader.next(line)) == TextLineReader::Result::Line)
        lines.append(line);
    return lines;
}

TEST(TextLineReader, EitherLineEndInAnyChunking)
{
    struct Case
    {
        QByteArray bytes;
        QStringList lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"\n", {""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"caf\xc3\xa9\n", {QStringLiteral("café")}},
    };
    for (const Case& c : cases) {
        for (qint64 chunk : {1, 2, 3, 1 << 20}) {
            ScriptedDevice device(c.bytes, -1, chunk);
            TextLineReader::Result last;
            EXPECT_EQ(readAll(device, last), c.lines)
                << c.bytes.toStdString() << " in chunks of " << chunk;
            EXPECT_EQ(last, TextLineReader::Result::End);
        }
    }

    // A CR LF across the reader's own 16 KiB chunks is one line end.
    const QByteArray first(16 * 1024 - 1, 'x');
    ScriptedDevice big(first + "\r\nlast");
    TextLineReader::Result last;
    EXPECT_EQ(readAll(big, last), QStringList({QString::fromLatin1(first), "last"}));
}

TEST(TextLineReader, FailedReadKeepsTheLinesBeforeIt)
{
    ScriptedDevice device("one\r\ntwo\r\nthr", 12, 4);
    TextLineReader reader(device);
    QString line;
    ASSERT_EQ(reader.next(line), TextLineReader::Result::Line);
    EXPECT_EQ(line, QStringLiteral("one"));
    ASSERT_EQ(reader.next(line), TextLineReader::Result::Line);
    EXPECT_EQ(line, QStringLiteral("two"));
    EXPECT_EQ(reader.next(line), TextLineReader::Result::Error);
    EXPECT_EQ(reader.errorString(), QStringLiteral("Input/output error"));
    EXPECT_EQ(reader.next(line), TextLineReader::Result::Error);
}

} // namespace
