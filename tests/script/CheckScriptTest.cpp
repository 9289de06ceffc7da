#include "script/CheckScript.h"
#include "data/VariableDefinitions.h"
#include "script/LineScanner.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

VariableDefinitions testVariables()
{
    VariableDefinitions v;
    v.declare(2, QStringLiteral("Temp"), 1);
    v.Names[4] = QStringLiteral("OFF"); // named but not active
    return v;
}

struct LineCase
{
    const char* line;
    int errorColumn; // -1: OK
};

// Single-line scripts: OK, or the column of the error.
TEST(CheckScript, SingleLineVerdicts)
{
    const std::vector<LineCase> cases = {
        {"", -1},
        {"    ", -1},
        {"; only a comment", -1},
        {"s a0 01", -1},
        {"SA0 01", -1},
        {"S A0 01;note", -1},
        {"S,A0.01:02", -1},
        {"S A0 01 ", -1},
        {"S A0 01 +", -1},
        {"S A0 00 + anything ] at all", -1},
        {"S A0 01+", 7},
        {"S A0 123", 7},
        {"S A0 XX", 6},
        {"S", 1},
        {"S   ", 4},
        {"S G0", 2},
        {"Q", 0},
        {"  Q", 2},
        {"01 02", 0},
        {"S A0 P 01", 7},
        {"S A0 P S A0 01", -1},
        {"S A0 P;x", -1},
        {"S A0 P +", 7},
        {"S A0 PX", 6},
        {"W 50 00 R 50 X X", -1},
        {"R 48 @TEMP", -1},
        {"R 48 @1temp", -1},
        {"R 48 @3Temp @0TEMP", -1},
        {"R 48 @OFF", 6},
        {"R 48 @NONE", 6},
        {"R 48 @2NONE", 7},
        {"R 48 @", 6},
        {"R 48 @1", 7},
        {"R 48 @TEMP;x", 6},
        {"S A0 [DELAY=10]", -1},
        {"S A0 [delay=$0A]", -1},
        {"S A0 [DELAY=0x10] 01", -1},
        {"S A0 [DELAY=X10]", -1},
        {"S A0 [DELAY=-5]", -1},
        {"S A0 [DELAY= 5]", -1},
        {"S A0 [DELAY=10", 5},
        {"S A0 [DELAY", 5},
        {"S A0 [PAUSE=10]", 5},
        {"S A0 [DELAY=1O]", 5},
        {"S A0 [DELAY = 5]", 5},
        {"S A0 [DELAY=5 ]", 5},
        {"S A0 [DELAY=]", 5},
        {"S A0 [DELAY=10]01", 15},
        {"S A0 ]", 5},
        {"S A0 01 ] 02", 8},
        {"S A0\t01", 4},
        {"S A0 +", -1},
        {"+", 0},
    };
    const VariableDefinitions vars = testVariables();
    for (const LineCase& c : cases) {
        const CheckVerdict v = CheckScript({QString::fromLatin1(c.line)}, vars);
        if (c.errorColumn < 0) {
            EXPECT_TRUE(v.ok) << '"' << c.line << "\" failed at " << v.column;
        } else {
            EXPECT_FALSE(v.ok) << '"' << c.line << '"';
            EXPECT_EQ(v.line, 1) << c.line;
            EXPECT_EQ(v.column, c.errorColumn) << '"' << c.line << '"';
        }
    }
}

TEST(CheckScript, ContinuationLinesMayStartWithAnyToken)
{
    const VariableDefinitions vars = testVariables();
    struct Case
    {
        QStringList lines;
        int line, column; // line 0: OK
    };
    const std::vector<Case> cases = {
        {{"W 50 00 +", "01 02"}, 0, 0},   {{"W 50 00 +", "X @TEMP P"}, 0, 0},
        {{"W 50 00 +", "S A0 01"}, 0, 0}, {{"W 50 00 +", "[DELAY=1] 01"}, 0, 0},
        {{"W 50 00 +", ";note"}, 0, 0},   {{"W 50 00 +", "+", "01"}, 0, 0},
        {{"W 50 00 +", ""}, 0, 0},        {{"W 50 00 +", "", "01"}, 3, 0},
        {{"W 50 00", "01 02"}, 2, 0},     {{"W 50 00 +", "01+"}, 2, 2},
        {{"W 50 00 +", "]"}, 2, 0},       {{"S A0 01", "S A0 02", "S A0 P 03"}, 3, 7},
    };
    for (const Case& c : cases) {
        const CheckVerdict v = CheckScript(c.lines, vars);
        EXPECT_EQ(v.ok, c.line == 0) << c.lines.join(u'|').toStdString();
        EXPECT_EQ(v.line, c.line) << c.lines.join(u'|').toStdString();
        EXPECT_EQ(v.column, c.column) << c.lines.join(u'|').toStdString();
    }
}

TEST(CheckScript, PositionCountsLineBreaksAsTwoAndPanelTextShowsLineAndColumn)
{
    const CheckVerdict v = CheckScript({"S A0 01", "", "S A0 P 01"}, VariableDefinitions());
    ASSERT_FALSE(v.ok);
    EXPECT_EQ(v.line, 3);
    EXPECT_EQ(v.column, 7);
    EXPECT_EQ(v.position, (7 + 2) + (0 + 2) + 7);
    EXPECT_EQ(v.panelText(), QStringLiteral("  Syntax : ERROR  [ 3 : 7 ]"));

    const CheckVerdict ok = CheckScript({"S A0 01"}, VariableDefinitions());
    EXPECT_EQ(ok.panelText(), QStringLiteral("  Syntax : OK"));
    EXPECT_EQ(CheckScript({"Q"}, VariableDefinitions()).panelText(),
              QStringLiteral("  Syntax : ERROR  [ 1 : 0 ]"));
}

TEST(CheckScript, CommentRangesRunFromTheFirstSemicolonInEveryLine)
{
    // The ";" inside the variable name is no comment to the scanner, but the editor styles
    // from the first ";" on; lines after an error are styled too.
    const CheckVerdict v =
        CheckScript({"S A0 ; a ; b", "no comment", "Q ;after the error"}, VariableDefinitions());
    EXPECT_FALSE(v.ok);
    ASSERT_EQ(v.comments.size(), 2u);
    EXPECT_EQ(v.comments[0].lineIndex, 0);
    EXPECT_EQ(v.comments[0].column, 5);
    EXPECT_EQ(v.comments[0].length, 7);
    EXPECT_EQ(v.comments[1].lineIndex, 2);
    EXPECT_EQ(v.comments[1].column, 2);
}

TEST(CheckScript, NameLookupTakesTheHighestActiveDuplicate)
{
    VariableDefinitions vars;
    vars.declare(0, QStringLiteral("dup"), 0);
    vars.declare(5, QStringLiteral("DUP"), 0);
    vars.declare(9, QStringLiteral("Dup"), 0);
    vars.DataVars[9].Active = false;
    LineScanner scanner(u"R 48 @2dup", false, vars);
    EXPECT_EQ(scanner.NextToken().kind, ScriptToken::Kind::Address);
    const ScriptToken t = scanner.NextToken();
    ASSERT_EQ(t.kind, ScriptToken::Kind::VariableByte);
    EXPECT_EQ(t.variable, 5);
    EXPECT_EQ(t.byteIndex, 2);
}

TEST(BracketInteger, DecimalAndHexForms)
{
    struct Case
    {
        const char* text;
        bool ok;
        qint32 value;
    };
    const std::vector<Case> cases = {
        {"10", true, 10},
        {"  7", true, 7},
        {"+7", true, 7},
        {"-7", true, -7},
        {"$0A", true, 10},
        {"$0a", true, 10},
        {"X1F", true, 31},
        {"0X1F", true, 31},
        {"-$10", true, -16},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, qint32(-2147483647 - 1)},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"$7FFFFFFF", true, 2147483647},
        {"$FFFFFFFF", true, -1},
        {"$80000000", true, qint32(-2147483647 - 1)},
        {"$100000000", false, 0},
        {"", false, 0},
        {" ", false, 0},
        {"-", false, 0},
        {"$", false, 0},
        {"0X", false, 0},
        {"1O", false, 0},
        {"5 ", false, 0},
        {"$G", false, 0},
        {"1.5", false, 0},
    };
    for (const Case& c : cases) {
        qint32 value = 12345;
        EXPECT_EQ(parseBracketInteger(QString::fromLatin1(c.text), value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

} // namespace
