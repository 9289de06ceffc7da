#include "data/VariableDefinitions.h"
#include "script/CheckScript.h"
#include "script/LineCompiler.h"
#include "support/RecordingUiPort.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// One transaction as text: "S"/"Sr"/"-" (start, restart, continuation), direction, address,
// the slots in brackets (hex value, or @variable.byte), then P (stop), + (continued),
// D=delay and C=comment when set.
QString describe(const TIIC_Packet& p)
{
    QStringList parts;
    parts << (p.Start     ? QStringLiteral("S")
              : p.Restart ? QStringLiteral("Sr")
                          : QStringLiteral("-"));
    parts << (p.Read ? QStringLiteral("R") : QStringLiteral("W"));
    parts << QStringLiteral("%1").arg(p.Address, 2, 16, QLatin1Char('0')).toUpper();
    QStringList slots;
    for (int s = 1; s <= p.Count; ++s)
        slots << (p.IsVariable[s]
                      ? QStringLiteral("@%1.%2").arg(p.VariableRef[s] / 4).arg(p.VariableRef[s] % 4)
                      : QStringLiteral("%1").arg(p.Data[s], 2, 16, QLatin1Char('0')).toUpper());
    parts << QLatin1Char('[') + slots.join(u' ') + QLatin1Char(']');
    if (p.Stop)
        parts << QStringLiteral("P");
    if (p.Continued)
        parts << QStringLiteral("+");
    if (p.HasDelay)
        parts << QStringLiteral("D=%1").arg(p.Delay);
    if (p.HasComment)
        parts << QStringLiteral("C=") + p.Comment;
    return parts.join(u' ');
}

QString repeated(const QString& item, int times)
{
    QStringList items;
    for (int i = 0; i < times; ++i)
        items << item;
    return items.join(u' ');
}

// Readable in a failure message, unlike a QStringList.
std::string joined(const QStringList& transactions)
{
    return transactions.join(QStringLiteral(" | ")).toStdString();
}

class CompileLineTest : public ::testing::Test
{
protected:
    CompileLineTest() { vars.declare(2, QStringLiteral("Temp"), 1); }

    // Compiles the lines in turn as Send does: reading state cleared before each line, the
    // continuation pair carried on. Returns the last line's transactions.
    QStringList compile(const QStringList& lines, bool burst = false)
    {
        LineCompiler::Continuation previous;
        for (const QString& line : lines) {
            readingState = false;
            result = compiler.CompileLine(line, *packets, previous, burst);
            if (!result.ok)
                return {};
            previous = LineCompiler::continuationAfter(*packets, result.count);
        }
        QStringList described;
        for (int t = 1; t <= result.count; ++t)
            described << describe((*packets)[t]);
        return described;
    }

    VariableDefinitions vars;
    RecordingUiPort ui;
    bool readingState = false;
    LineCompiler compiler{vars, ui, readingState};
    std::unique_ptr<TPacketList> packets = std::make_unique<TPacketList>();
    LineCompiler::Result result;
};

struct Case
{
    QStringList lines; // the last one is looked at
    QStringList transactions;
};

TEST_F(CompileLineTest, TransactionsOfALine)
{
    const QString bytes32 = repeated(QStringLiteral("AA"), 32);
    const std::vector<Case> cases = {
        {{"S A0 00 01"}, {"S W 50 [00 01] P"}},
        {{"S A0"}, {"S W 50 [] P"}},
        {{"W 50 00 R 50 X X"}, {"S W 50 [00]", "Sr R 50 [00 00] P"}},
        {{"W 50 00 P R 50 X"}, {"S W 50 [00] P", "S R 50 [00] P"}},
        {{"S A1 @TEMP @1TEMP"}, {"S R 50 [@2.0 @2.1] P"}},
        {{"W 50 @TEMP"}, {"S W 50 [] P"}},
        {{"S A0 00 [DELAY=100] ;X"}, {"S W 50 [00] P D=100 C=;X"}},
        {{"s a0 00 ;mixed Case"}, {"S W 50 [00] P C=;MIXED CASE"}},
        {{""}, {}},
        {{"R A1"}, {"S R A1 [] P"}},
        {{"W FF 01"}, {"S W FF [01] P"}},
        {{"R 48 12 X"}, {"S R 48 [12 00] P"}},
        {{"S A0 01 S A1 X P S A0 03"}, {"S W 50 [01]", "Sr R 50 [00] P", "S W 50 [03] P"}},
        {{"S A0 00 +"}, {"S W 50 [00] +"}},
        {{"W 50 " + bytes32}, {"S W 50 [" + bytes32 + "] P"}},
        {{"W 50 " + bytes32 + " 01 02"}, {"S W 50 [" + bytes32 + "]", "- W 50 [01 02] P"}},
        {{"W 50 " + bytes32 + " 01 [DELAY=7] R 48 X"},
         {"S W 50 [" + bytes32 + "]", "- W 50 [01] D=7", "Sr R 48 [00] P"}},
        {{"R 48 " + repeated("X", 32) + " @TEMP"},
         {"S R 48 [" + repeated("00", 32) + "]", "- R 48 [@2.0] P"}},
        // Continuation lines.
        {{"W 50 00 +", "01 02"}, {"- W 00 [01 02] P"}},
        {{"W 50 00 +", "S A0 01"}, {"- W 00 []", "S W 50 [01] P"}},
        {{"R 48 X +", "X @TEMP S A0 01 R 48 @1TEMP"},
         {"- R 00 [00]", "S W 50 [01]", "Sr R 48 [@2.1] P"}},
        {{"R 48 X +", "X +", "X"}, {"- R 00 [00] P"}},
        {{"W 50 00 +", ";only a comment"}, {"- W 00 [] P C=;ONLY A COMMENT"}},
        {{"W 50 00 +", ""}, {"- W 00 [] P"}},
        {{"W 50 00 +", "S A0 01", "S A0 02"}, {"S W 50 [02] P"}},
    };
    for (const Case& c : cases) {
        const QStringList got = compile(c.lines);
        EXPECT_TRUE(result.ok) << c.lines.join(u'|').toStdString();
        EXPECT_EQ(joined(got), joined(c.transactions)) << c.lines.join(u'|').toStdString();
    }
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(CompileLineTest, BurstCaptureMapsVariablesWhateverTheReadingState)
{
    EXPECT_EQ(joined(compile({"R 48 X +", "X @TEMP"}, true)), "- R 00 [00 @2.0] P");
    EXPECT_EQ(joined(compile({"W 50 @1TEMP"}, true)), "S W 50 [@2.1] P");
}

TEST_F(CompileLineTest, CommentOfALineWithoutTransactionGoesToEntryZero)
{
    compile({";hello"});
    EXPECT_EQ(result.count, 0);
    EXPECT_TRUE((*packets)[0].HasComment);
    EXPECT_EQ((*packets)[0].Comment, QStringLiteral(";HELLO"));
    compile({"S A0"});
    EXPECT_FALSE((*packets)[0].HasComment);
    EXPECT_TRUE((*packets)[0].Comment.isEmpty());
}

TEST_F(CompileLineTest, EveryOpenedEntryStartsClean)
{
    compile({"R 48 @TEMP @1TEMP X [DELAY=5] ;c R 48 " + repeated("X", 40)});
    compile({"W 50 01"});
    const TIIC_Packet& p = (*packets)[1];
    EXPECT_EQ(describe(p).toStdString(), "S W 50 [01] P");
    EXPECT_FALSE(p.IsVariable[1] || p.IsVariable[2]);
    EXPECT_EQ(p.VariableRef[1], 0);
    EXPECT_EQ(p.Data[2], 0);
}

TEST_F(CompileLineTest, ReadingStateFollowsTheLastAddress)
{
    compile({"W 50 00 R 48"});
    EXPECT_TRUE(readingState);
    compile({"R 48 X W 50"});
    EXPECT_FALSE(readingState);
    compile({"S A1"});
    EXPECT_TRUE(readingState);
}

TEST_F(CompileLineTest, SyntaxErrorShowsTheBoxAndYieldsNothing)
{
    EXPECT_TRUE(compile({"S A0 01 S A0 02+"}).isEmpty());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.count, 0);
    EXPECT_EQ(result.errorColumn, 15);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, QStringLiteral("Syntax ERROR"));
    EXPECT_EQ(ui.boxes[0].caption, QStringLiteral("Syntax"));
    EXPECT_EQ(ui.boxes[0].buttons, int(UiPort::Button::Ok));
}

TEST_F(CompileLineTest, LineNeedingMoreThan255TransactionsIsRefused)
{
    const struct
    {
        QString line;
        bool fits;
    } cases[] = {
        {repeated(QStringLiteral("S A0"), 255), true},
        {repeated(QStringLiteral("S A0"), 256), false},
        {"W 50 " + repeated(QStringLiteral("01"), 255 * 32), true},
        {"W 50 " + repeated(QStringLiteral("01"), 255 * 32 + 1), false},
        {"R 48 " + repeated(QStringLiteral("@TEMP"), 255 * 32 + 1), false},
    };
    for (const auto& c : cases) {
        ui.boxes.clear();
        compile({c.line});
        EXPECT_EQ(result.ok, c.fits) << c.line.size();
        EXPECT_EQ(result.count, c.fits ? 255 : 0);
        EXPECT_EQ(ui.boxes.size(), c.fits ? 0 : 1);
        if (!c.fits) {
            EXPECT_EQ(ui.boxes[0].text, QStringLiteral("Syntax ERROR"));
        }
    }
}

// The compiler refuses exactly the lines the check refuses, at the same column.
TEST_F(CompileLineTest, AgreesWithTheCheck)
{
    const char* lines[] = {
        "",
        "S A0 01+",
        "S A0 123",
        "S A0 XX",
        "S",
        "Q",
        "01 02",
        "S A0 P 01",
        "S A0 P S A0 1",
        "R 48 @temp;x",
        "R 48 @OFF",
        "S A0 [DELAY=1O]",
        "S A0 [DELAY=$a]",
        "S A0 ] 01",
        "S A0\t01",
        "S A0 01 ; comment ] +",
        "W 50 @1 ",
        "R 48 @3TEMP P",
    };
    for (const char* line : lines) {
        const CheckVerdict verdict = CheckScript({QString::fromLatin1(line)}, vars);
        compile({QString::fromLatin1(line)});
        EXPECT_EQ(result.ok, verdict.ok) << line;
        if (!verdict.ok) {
            EXPECT_EQ(result.errorColumn, verdict.column) << line;
        }
    }
}

} // namespace
