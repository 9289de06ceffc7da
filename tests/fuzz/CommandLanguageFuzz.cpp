// The command language: a script file's bytes through the syntax check and the compiler,
// which must agree. A line the check rejects never compiles; a line it accepts compiles into
// at most 255 transactions (or fails only for needing more), each of at most 32 byte slots
// and each encoded into one report. Compiled on its own with the burst flag, as the burst
// capture compiles its caret line, a line the check accepts alone follows the same rule.

#include "FuzzSupport.h"

#include "data/TVarType.h"
#include "data/VariableDefinitions.h"
#include "link/PacketCodec.h"
#include "script/CheckScript.h"
#include "script/LineCompiler.h"
#include "script/ScriptLines.h"

#include <memory>

namespace {

constexpr int LastEntry = int(std::tuple_size_v<TPacketList>) - 1;

VariableDefinitions makeVariables()
{
    VariableDefinitions v;
    v.declare(0, QStringLiteral("TEMP"), vtInt);
    v.declare(1, QStringLiteral("B"), vtByte);
    v.declare(2, QStringLiteral("LONGVAR"), vtLongInt);
    v.declare(3, QStringLiteral("F"), vtFloat);
    v.declare(15, QStringLiteral("TEMP"), vtByte); // a name used twice: the highest wins
    return v;
}

// The rule every compiled line keeps, whatever the script said.
void checkCompiled(const TPacketList& packets, int count)
{
    FUZZ_CHECK(count >= 0 && count <= LastEntry);
    for (int t = 1; t <= count; ++t) {
        const TIIC_Packet& p = packets[size_t(t)];
        FUZZ_CHECK((p.Count & CountMask) <= MaxSlots);
        FUZZ_CHECK((p.Count & BurstFlag) == 0);
        for (int j = 1; j <= MaxSlots; ++j)
            FUZZ_CHECK(!p.IsVariable[size_t(j)] || p.VariableRef[size_t(j)] < 64);
        OutputReport report{};
        const int announced = EncodePacket(p, report);
        // Flag and count bytes, perhaps the address, the data: one report's payload.
        FUZZ_CHECK(announced >= 2 && announced <= ReportPayloadSize);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const VariableDefinitions variables = makeVariables();
    static SilentUiPort ui;
    static const auto packets = std::make_unique<TPacketList>();

    const QStringList lines = decodeScriptFile(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    const CheckVerdict verdict = CheckScript(lines, variables);
    FUZZ_CHECK(verdict.ok || (verdict.line >= 1 && verdict.line <= lines.size()));
    FUZZ_CHECK(verdict.ok ||
               (verdict.column >= 0 && verdict.column <= lines[verdict.line - 1].size()));
    const int rejected = verdict.ok ? int(lines.size()) : verdict.line - 1;

    // The lines in order, as Send runs them, up to the one the check rejected.
    bool reading = false;
    LineCompiler compiler(variables, ui, reading);
    LineCompiler::Continuation continuation;
    for (int i = 0; i < lines.size() && i <= rejected; ++i) {
        compiler.clearReadingState();
        const LineCompiler::Result result =
            compiler.CompileLine(lines[i], *packets, continuation, false);
        if (i == rejected) {
            // (It may run out of transactions before it reaches its error.)
            FUZZ_CHECK(!result.ok);
            break;
        }
        if (!result.ok) {
            FUZZ_CHECK(result.overflow);
            break;
        }
        checkCompiled(*packets, result.count);
        continuation = LineCompiler::continuationAfter(*packets, result.count);
    }

    // Each line alone with the burst flag.
    for (const QString& line : lines) {
        const bool accepted = CheckScript(QStringList{line}, variables).ok;
        compiler.clearReadingState();
        const LineCompiler::Result result = compiler.CompileLine(line, *packets, {}, true);
        FUZZ_CHECK(accepted || !result.ok);
        FUZZ_CHECK(!accepted || result.ok || result.overflow);
        if (result.ok)
            checkCompiled(*packets, result.count);
    }
    return 0;
}
