#include "script/TransactionResult.h"
#include "data/TVarType.h"
#include "data/VariableDefinitions.h"
#include "script/LineCompiler.h"
#include "support/RecordingUiPort.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// Compiles one line and gives the result text of its first transaction over a reply, with the
// bytes handed on to the variables.
class TransactionResultTest : public ::testing::Test
{
protected:
    TransactionResultTest()
    {
        variables.declare(0, QStringLiteral("FIRST"), vtByte);
        variables.declare(2, QStringLiteral("TEMP"), vtByte);
    }

    const TIIC_Packet& compile(const QString& line)
    {
        bool reading = false;
        LineCompiler compiler(variables, ui, reading);
        const LineCompiler::Result result = compiler.CompileLine(line, *packets, {}, false);
        EXPECT_TRUE(result.ok) << line.toStdString();
        return (*packets)[1];
    }

    QString resultText(const TIIC_Packet& t, const InputReport& reply)
    {
        bool acknowledged = false;
        return transactionResultText(t, reply, acknowledged, [this](int slot, quint8 byte) {
            handed.emplace_back(slot, byte);
        });
    }

    VariableDefinitions variables;
    RecordingUiPort ui;
    std::unique_ptr<TPacketList> packets = std::make_unique<TPacketList>();
    std::vector<std::pair<int, quint8>> handed;
};

TEST_F(TransactionResultTest, AThirtyTwoByteReadShowsEveryByte)
{
    QString line = QStringLiteral("R 50");
    InputReport reply{0x01};
    QString expected = QStringLiteral("s A1+ ");
    for (int j = 1; j <= 32; ++j) {
        line += QStringLiteral(" X");
        reply[size_t(j)] = quint8(j);
        expected += QStringLiteral("%1+ ").arg(j, 2, 16, QLatin1Char('0')).toUpper();
    }
    const TIIC_Packet& t = compile(line);
    ASSERT_EQ(t.Count, 32);
    EXPECT_EQ(resultText(t, reply).toStdString(), (expected + QStringLiteral("p ")).toStdString());
}

TEST_F(TransactionResultTest, AThirtyTwoByteWriteShowsEveryAcknowledgement)
{
    QString line = QStringLiteral("W 50");
    InputReport reply{0x01};
    QString expected = QStringLiteral("s A0+ ");
    for (int j = 1; j <= 32; ++j) {
        line += QStringLiteral(" %1").arg(j, 2, 16, QLatin1Char('0'));
        reply[size_t(j)] = j == 32 ? 0x00 : 0x01; // the last byte is not acknowledged
        expected += QStringLiteral("%1%2 ")
                        .arg(j, 2, 16, QLatin1Char('0'))
                        .arg(QChar(j == 32 ? u'-' : u'+'))
                        .toUpper();
    }
    const TIIC_Packet& t = compile(line);
    ASSERT_EQ(t.Count, 32);
    EXPECT_EQ(resultText(t, reply).toStdString(), (expected + QStringLiteral("p ")).toStdString());
}

TEST_F(TransactionResultTest, OnlyVariableBytesReachTheirVariables)
{
    // A plain slot after a variable byte: its byte must not land in any variable.
    struct Case
    {
        const char* line;
        std::vector<std::pair<int, quint8>> handed; // (slot, byte)
    };
    const Case cases[] = {
        {"R 48 @TEMP X", {{8, 0x19}}},
        {"R 48 X @TEMP X", {{8, 0x80}}},
        {"R 48 @FIRST X @TEMP", {{0, 0x19}, {8, 0x42}}},
        {"R 48 X X", {}},
    };
    const InputReport reply{0x01, 0x19, 0x80, 0x42};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        handed.clear();
        resultText(compile(QString::fromLatin1(c.line)), reply);
        EXPECT_EQ(handed, c.handed);
    }
}

TEST_F(TransactionResultTest, ANotAcknowledgedReadHandsFFToItsVariablesOnly)
{
    const InputReport reply{0x00, 0x19, 0x80};
    EXPECT_EQ(resultText(compile(QStringLiteral("R 48 X @TEMP")), reply).toStdString(),
              "s 91- FF- FF- p ");
    EXPECT_EQ(handed, (std::vector<std::pair<int, quint8>>{{8, 0xFF}}));
}

} // namespace
