#include "cli/CompileCommand.h"

#include "base/Hex2.h"
#include "base/UiPort.h"
#include "cli/ScriptArguments.h"
#include "link/PacketCodec.h"
#include "script/CheckVerdict.h"
#include "script/LineCompiler.h"

namespace {

// The command reports a failing line with the syntax verdict itself, so the compiler's
// "Syntax ERROR" box is not printed on top of it.
class VerdictOnlyUiPort : public UiPort
{
public:
    Button messageBox(const QString&, const QString&, Icon, Buttons) override { return Button::Ok; }
    QString chooseFile(const FileRequest&) override { return {}; }
    void beep() override {}
};

QString hexBytes(const OutputReport& report, int payloadLength)
{
    QString text;
    text.reserve(payloadLength * 3);
    for (int i = 0; i < payloadLength; ++i) {
        if (i > 0)
            text += u' ';
        text += hex2(report[i + 1]);
    }
    return text;
}

// What the transaction carries besides its report: delay, variable bytes, "+", comment.
QString extras(const TIIC_Packet& p, const VariableDefinitions& variables)
{
    QStringList parts;
    if (p.HasDelay)
        parts << QStringLiteral("delay %1 ms").arg(p.Delay);
    QStringList slots;
    for (int slot = 1; slot <= (p.Count & CountMask) && slot <= MaxSlots; ++slot)
        if (p.IsVariable[slot])
            slots << QStringLiteral("%1=%2.%3")
                         .arg(slot)
                         .arg(variables.Names[p.VariableRef[slot] / 4])
                         .arg(p.VariableRef[slot] % 4);
    if (!slots.isEmpty())
        parts << QStringLiteral("vars ") + slots.join(u' ');
    if (p.Continued)
        parts << QStringLiteral("continued");
    if (p.HasComment)
        parts << p.Comment;
    return parts.join(QStringLiteral("  "));
}

} // namespace

int runCompileCommand(const QStringList& args)
{
    ScriptArguments script;
    if (const std::optional<int> exitCode = script.load(CompileCommand, args))
        return *exitCode;

    VerdictOnlyUiPort ui;
    bool readingState = false;
    LineCompiler compiler(script.variables, ui, readingState);
    TPacketList packets;
    OutputReport report{};
    LineCompiler::Continuation previous;
    QTextStream& out = cli::out();
    for (int i = 0; i < script.lines.size(); ++i) {
        const int lineNumber = i + 1;
        readingState = false;
        const LineCompiler::Result result =
            compiler.CompileLine(script.lines[i], packets, previous, false);
        if (!result.ok) {
            out.flush();
            CheckVerdict verdict;
            verdict.ok = false;
            verdict.line = lineNumber;
            verdict.column = result.errorColumn;
            cli::err() << verdict.panelText() << "\n";
            cli::err().flush();
            return 1;
        }
        if (result.count == 0) {
            out << lineNumber << ".0";
            if (packets[0].HasComment)
                out << "  " << packets[0].Comment;
            out << "\n";
        }
        for (int t = 1; t <= result.count; ++t) {
            const int length = EncodePacket(packets[t], report);
            out << lineNumber << '.' << t << "  " << hexBytes(report, length);
            const QString more = extras(packets[t], script.variables);
            if (!more.isEmpty())
                out << "  " << more;
            out << "\n";
        }
        previous = LineCompiler::continuationAfter(packets, result.count);
    }
    out.flush();
    return 0;
}
