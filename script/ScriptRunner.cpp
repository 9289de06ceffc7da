#include "script/ScriptRunner.h"

#include "base/CommandEditor.h"
#include "base/EventPump.h"
#include "base/StatusWindow.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"
#include "link/LinkFlags.h"
#include "link/Transport.h"
#include "script/Execution.h"
#include "script/TransactionResult.h"
#include "script/TransactionWait.h"

namespace {
// A pause of this many milliseconds or less between Repeat passes means no pause.
constexpr int MinimumScanPeriodMs = 5;
} // namespace

ScriptRunner::ScriptRunner(Execution& execution, Transport& transport, CommandEditor& editor,
                           StatusWindow& statusWindow, LineCompiler& compiler,
                           CaptureState& capture, ChartModel& chart)
    : m_execution(execution), m_transport(transport), m_editor(editor),
      m_statusWindow(statusWindow), m_compiler(compiler), m_capture(capture), m_chart(chart)
{}

void ScriptRunner::setRepeatCount(int count)
{
    m_repeatCount = qBound(0, count, MaxRepeatCount);
}

void ScriptRunner::setScanPeriodMs(int ms)
{
    m_scanPeriodMs = qBound(0, ms, MaxScanPeriodMs);
}

ScriptRunner::Range ScriptRunner::lineRange() const
{
    const int lineCount = m_editor.lineCount();
    if (m_sendAll)
        return {0, lineCount - 1};
    const int first = m_editor.selectionStart().line;
    const int last = qMax(first, m_editor.selectionEnd().line);
    return {first, qMin(last, lineCount - 1)};
}

bool ScriptRunner::compile(int line)
{
    const LineCompiler::Result result =
        m_compiler.CompileLine(m_editor.line(line), m_packets, m_continuation, false);
    m_count = result.count;
    if (!result.ok)
        m_syntaxError = true;
    return result.ok;
}

bool ScriptRunner::waitForTransaction(const TIIC_Packet& packet)
{
    exchangeTransaction(m_transport, m_execution.state(), packet);
    m_continuation = {packet.Continued, packet.Read};
    if (m_transport.flags().TransferFailed.exchange(false))
        m_sawFailure = true;
    return !m_execution.state().AbortRequested;
}

void ScriptRunner::appendResult(int statusLine, const TIIC_Packet& t)
{
    const QString text =
        transactionResultText(t, m_transport.inputReport(), m_acknowledgedState,
                              [this](int slot, quint8 byte) { m_capture.PutByte(slot, byte); });
    if (!m_acknowledgedState)
        m_sawFailure = true;
    if (statusLine < 0)
        m_statusWindow.appendToLastLine(text);
    else
        m_statusWindow.appendToLine(statusLine, text);
}

void ScriptRunner::takeSample()
{
    const qint32 before = m_capture.SampleCount;
    m_capture.TakeSample();
    if (m_capture.SampleCount != before)
        Q_EMIT sampleTaken();
}

void ScriptRunner::endRun()
{
    m_execution.end();
    Q_EMIT runFinished();
}

void ScriptRunner::AcSendExecute()
{
    ExecutionState& e = m_execution.state();
    StatusWindow& status = m_statusWindow;
    m_execution.begin(Execution::Run::Send);
    const Range range = lineRange();
    m_acknowledgedState = false;
    m_sawFailure = false;
    m_syntaxError = false;
    m_continuation = {};

    for (int line = range.first; line <= range.last; ++line) {
        m_compiler.clearReadingState();
        m_capture.ClearPresent();
        m_openLine = status.lineCount();
        status.addLine(QString());
        const int statusLine = m_openLine;
        if (!compile(line)) {
            m_openLine = -1;
            break;
        }
        for (int t = 1; t <= m_count; ++t) {
            if (!waitForTransaction(m_packets[t])) {
                m_openLine = -1;
                endRun();
                return;
            }
            e.ReplyReceived = false;
            appendResult(statusLine, m_packets[t]);
        }
        const TIIC_Packet& last = m_packets[m_count];
        if (last.HasComment)
            status.appendToLine(statusLine, last.Comment);
        status.scrollToEnd();
        m_openLine = -1;
        Q_EMIT statusLinesCompleted();
        if (m_acknowledgedState)
            takeSample();
    }
    m_execution.end(QStringLiteral("ok"));
    Q_EMIT runFinished();
}

void ScriptRunner::AcSendRepeatExecute()
{
    m_continuation = {};
    m_acknowledged = 0;
    m_acknowledgedState = false;
    m_sawFailure = false;
    m_syntaxError = false;
    m_chart.clearAll();
    m_capture.RestartCapture();

    m_execution.begin(Execution::Run::Repeat);
    m_chart.setBottomAxisTitle(m_chart.definitions().AxisX ? QStringLiteral("time, ms")
                                                           : QStringLiteral("samples count"));

    m_range = lineRange();
    m_currentLine = m_range.first;
    m_linesWithoutTransaction = 0;
    m_passCompleted = false;
    m_capture.ClearPresent();
    m_compiler.clearReadingState();
    if (!compile(m_currentLine)) {
        endRun();
        return;
    }
    // A line without a transaction gives the reply-driven loop nothing to wait for.
    if (m_count == 0 && !advanceRepeatLine())
        return;
    m_index = 1;
    pumpUntil([this] { return !m_transport.flags().WriteOutstanding; });
    if (!m_execution.state().RepeatRunning)
        return; // stopped while waiting for the link
    startRepeatTransaction();
}

void ScriptRunner::startRepeatTransaction()
{
    const TIIC_Packet& t = m_packets[m_index];
    m_transport.StartTransfer(t);
    m_continuation = {t.Continued, t.Read};
}

void ScriptRunner::repeatReplyStep()
{
    m_compiler.clearReadingState();
    m_execution.state().ReplyReceived = false;
    appendResult(-1, m_packets[m_index]);
    m_statusWindow.scrollToEnd();
    if (m_acknowledgedState) {
        takeSample();
        ++m_acknowledged;
    }
    if (m_repeatCount == 0 || m_acknowledged < m_repeatCount)
        repeatNextStep();
    else
        endRun();
}

// The current line is done: prints its comment, opens the next status line and compiles the
// next line of the range, passing over lines that hold no transaction. False when Repeat
// ended (compile error, or no line of the range holds a transaction).
bool ScriptRunner::advanceRepeatLine()
{
    const int lineCount = m_range.last - m_range.first + 1;
    for (;;) {
        const TIIC_Packet& last = m_packets[m_count];
        if (last.HasComment)
            m_statusWindow.appendToLastLine(last.Comment);
        if (m_count == 0 && ++m_linesWithoutTransaction >= lineCount) {
            endRun();
            return false;
        }
        if (m_count > 0)
            m_linesWithoutTransaction = 0;
        m_statusWindow.addLine(QString());
        if (++m_currentLine > m_range.last) {
            m_currentLine = m_range.first;
            m_passCompleted = true;
        }
        m_capture.ClearPresent();
        if (!compile(m_currentLine)) {
            endRun();
            return false;
        }
        if (m_count > 0)
            return true;
    }
}

void ScriptRunner::repeatNextStep()
{
    m_passCompleted = false;
    if (m_index < m_count) {
        ++m_index;
    } else {
        if (!advanceRepeatLine())
            return;
        m_index = 1;
    }
    if (m_passCompleted && m_scanPeriodMs > MinimumScanPeriodMs)
        m_transport.setPause(m_scanPeriodMs);
    startRepeatTransaction();
}

void ScriptRunner::stopRepeat()
{
    endRun();
}
