#include "script/LineCompiler.h"

#include "base/AsciiUpper.h"
#include "base/UiPort.h"
#include "script/LineScanner.h"

namespace {
constexpr int LastEntry = int(std::tuple_size_v<TPacketList>) - 1;
}

LineCompiler::LineCompiler(const VariableDefinitions& variables, UiPort& ui, bool& readingState)
    : m_variables(variables), m_ui(ui), m_readingState(readingState)
{}

LineCompiler::Result LineCompiler::fail(qsizetype column, bool overflow)
{
    m_ui.messageBox(QStringLiteral("Syntax ERROR"), QStringLiteral("Syntax"), UiPort::Icon::Error,
                    int(UiPort::Button::Ok));
    return {false, 0, column, overflow};
}

LineCompiler::Result LineCompiler::CompileLine(QStringView line, TPacketList& packets,
                                               Continuation previous, bool burst)
{
    packets[0].HasComment = false;
    packets[0].Comment.clear();
    int n = 0;
    bool startIssued = false;
    qsizetype commentColumn = -1;

    // Every entry is cleared when it is opened, so nothing of an earlier line survives in it.
    auto open = [&]() {
        if (n == LastEntry)
            return false;
        packets[++n] = TIIC_Packet{};
        return true;
    };
    // A full segment goes on in a continuation segment: same direction and address, which is
    // not sent again.
    auto takeSlot = [&]() -> int {
        if (packets[n].Count == MaxSlots) {
            const TIIC_Packet& full = packets[n];
            const bool read = full.Read;
            const quint8 address = full.Address;
            if (!open())
                return 0;
            packets[n].Read = read;
            packets[n].Address = address;
        }
        return ++packets[n].Count;
    };

    if (previous.Continued) {
        // Opened even when the line begins with an address; it then stays empty.
        open();
        packets[n].Read = previous.Read;
    }

    LineScanner scanner(line, previous.Continued, m_variables);
    for (bool more = true; more;) {
        const ScriptToken token = scanner.NextToken();
        switch (token.kind) {
        case ScriptToken::Kind::EndOfLine:
            more = false;
            break;
        case ScriptToken::Kind::Comment:
            commentColumn = token.column;
            more = false;
            break;
        case ScriptToken::Kind::Continuation:
            packets[n].Continued = true;
            more = false;
            break;
        case ScriptToken::Kind::Error:
            return fail(token.column);
        case ScriptToken::Kind::Address: {
            if (!open())
                return fail(token.column, true);
            TIIC_Packet& p = packets[n];
            if (startIssued) {
                p.Restart = true;
            } else {
                p.Start = true;
                startIssued = true;
            }
            if (token.letter == u'S') {
                p.Read = token.value & 1;
                p.Address = quint8(token.value >> 1);
            } else {
                p.Read = token.letter == u'R';
                p.Address = quint8(token.value);
            }
            m_readingState = p.Read;
            break;
        }
        case ScriptToken::Kind::DataByte:
        case ScriptToken::Kind::ReadSlot: {
            const int slot = takeSlot();
            if (slot == 0)
                return fail(token.column, true);
            packets[n].Data[slot] =
                token.kind == ScriptToken::Kind::DataByte ? quint8(token.value) : 0;
            break;
        }
        case ScriptToken::Kind::VariableByte: {
            if (!m_readingState && !burst)
                break; // accepted, but a write has no use for it
            const int slot = takeSlot();
            if (slot == 0)
                return fail(token.column, true);
            packets[n].IsVariable[slot] = true;
            packets[n].VariableRef[slot] = quint8(token.variable * 4 + token.byteIndex);
            break;
        }
        case ScriptToken::Kind::Stop:
            packets[n].Stop = true;
            startIssued = false;
            break;
        case ScriptToken::Kind::Delay:
            packets[n].HasDelay = true;
            packets[n].Delay = token.value;
            break;
        }
    }

    if (n > 0)
        packets[n].Stop = !packets[n].Continued;
    if (commentColumn >= 0) {
        packets[n].HasComment = true;
        packets[n].Comment = asciiUpper(line.sliced(commentColumn).toString());
    }
    return {true, n};
}

LineCompiler::Continuation LineCompiler::continuationAfter(const TPacketList& packets, int count)
{
    if (count <= 0)
        return {};
    return {packets[count].Continued, packets[count].Read};
}
