#include "script/ScriptRunner.h"

#include "app/MainModel.h"
#include "base/CommandEditor.h"
#include "base/EventPump.h"
#include "base/StatusWindow.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "script/TransactionResult.h"
#include "script/TransactionWait.h"

namespace {
// A pause of this many milliseconds or less between Repeat passes means no pause.
constexpr int MinimumScanPeriodMs = 5;
} // namespace

ScriptRunner::ScriptRunner(MainModel& model) : m_model(model) {}

ScriptRunner::Range ScriptRunner::lineRange() const
{
    const CommandEditor& editor = m_model.editor();
    const int lineCount = int(editor.lines().size());
    if (m_model.sendAllStrings())
        return {0, lineCount - 1};
    const int first = editor.selectionStart().line;
    const int last = qMax(first, editor.selectionEnd().line);
    return {first, qMin(last, lineCount - 1)};
}

bool ScriptRunner::compile(int line)
{
    const QStringList lines = m_model.editor().lines();
    const QString text = line >= 0 && line < lines.size() ? lines[line] : QString();
    const LineCompiler::Result result =
        m_model.compiler().CompileLine(text, m_packets, m_continuation, false);
    m_count = result.count;
    if (!result.ok)
        m_syntaxError = true;
    return result.ok;
}

bool ScriptRunner::waitForTransaction(const TIIC_Packet& packet)
{
    LinkFlags& flags = m_model.flags();
    exchangeTransaction(flags, m_model.transport(), packet);
    m_continuation = {packet.Continued, packet.Read};
    if (flags.TransferFailed.exchange(false))
        m_sawFailure = true;
    return !flags.AbortRequested;
}

void ScriptRunner::appendResult(int statusLine, const TIIC_Packet& t)
{
    CaptureState& capture = m_model.capture();
    const QString text =
        transactionResultText(t, m_model.transport().inputReport(), m_acknowledgedState,
                              [&](int slot, quint8 byte) { capture.PutByte(slot, byte); });
    if (!m_acknowledgedState)
        m_sawFailure = true;
    StatusWindow& status = m_model.statusWindow();
    if (statusLine < 0)
        status.appendToLastLine(text);
    else
        status.appendToLine(statusLine, text);
}

void ScriptRunner::takeSample()
{
    CaptureState& capture = m_model.capture();
    const qint32 before = capture.SampleCount;
    capture.TakeSample();
    if (capture.SampleCount != before)
        Q_EMIT sampleTaken();
}

void ScriptRunner::endRun()
{
    m_model.ClearRunFlags();
    m_model.focusEditorIfShown();
    m_model.UpdateActions();
    Q_EMIT runFinished();
}

void ScriptRunner::AcSendExecute()
{
    ExecutionState& e = m_model.execution();
    LinkFlags& flags = m_model.flags();
    StatusWindow& status = m_model.statusWindow();
    e.SendBusy = true;
    m_model.UpdateActions();
    m_model.setPanel(2, QStringLiteral("wait..."));
    const Range range = lineRange();
    m_acknowledgedState = false;
    m_sawFailure = false;
    m_syntaxError = false;
    m_continuation = {};

    for (int line = range.first; line <= range.last; ++line) {
        m_model.readingState() = false;
        m_model.capture().ClearPresent();
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
            flags.ReplyReceived = false;
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
    e.SendBusy = false;
    m_model.UpdateActions();
    m_model.setPanel(2, QStringLiteral("ok"));
    m_model.focusEditorIfShown();
    Q_EMIT runFinished();
}

void ScriptRunner::AcSendRepeatExecute()
{
    m_continuation = {};
    m_acknowledged = 0;
    m_acknowledgedState = false;
    m_sawFailure = false;
    m_syntaxError = false;
    m_model.chart().clearAll();
    m_model.capture().RestartCapture();

    m_model.execution().RepeatRunning = true;
    m_model.UpdateActions();
    m_model.setPanel(2, QStringLiteral("wait..."));
    m_model.chart().setBottomAxisTitle(m_model.variables().AxisX ? QStringLiteral("time, ms")
                                                                 : QStringLiteral("samples count"));

    m_range = lineRange();
    m_currentLine = m_range.first;
    m_linesWithoutTransaction = 0;
    m_passCompleted = false;
    m_model.capture().ClearPresent();
    m_model.readingState() = false;
    if (!compile(m_currentLine)) {
        endRun();
        return;
    }
    // A line without a transaction gives the reply-driven loop nothing to wait for.
    if (m_count == 0 && !advanceRepeatLine())
        return;
    m_index = 1;
    pumpUntil([this] { return !m_model.flags().WriteOutstanding; });
    if (!m_model.execution().RepeatRunning)
        return; // stopped while waiting for the link
    startRepeatTransaction();
}

void ScriptRunner::startRepeatTransaction()
{
    const TIIC_Packet& t = m_packets[m_index];
    m_model.transport().StartTransfer(t);
    m_continuation = {t.Continued, t.Read};
}

void ScriptRunner::repeatReplyStep()
{
    m_model.readingState() = false;
    m_model.flags().ReplyReceived = false;
    appendResult(-1, m_packets[m_index]);
    m_model.statusWindow().scrollToEnd();
    if (m_acknowledgedState) {
        takeSample();
        ++m_acknowledged;
    }
    const int limit = m_model.repeatCount();
    if (limit == 0 || m_acknowledged < limit)
        repeatNextStep();
    else
        endRun();
}

// The current line is done: prints its comment, opens the next status line and compiles the
// next line of the range, passing over lines that hold no transaction. False when Repeat
// ended (compile error, or no line of the range holds a transaction).
bool ScriptRunner::advanceRepeatLine()
{
    StatusWindow& status = m_model.statusWindow();
    const int lineCount = m_range.last - m_range.first + 1;
    for (;;) {
        const TIIC_Packet& last = m_packets[m_count];
        if (last.HasComment)
            status.appendToLastLine(last.Comment);
        if (m_count == 0 && ++m_linesWithoutTransaction >= lineCount) {
            endRun();
            return false;
        }
        if (m_count > 0)
            m_linesWithoutTransaction = 0;
        status.addLine(QString());
        if (++m_currentLine > m_range.last) {
            m_currentLine = m_range.first;
            m_passCompleted = true;
        }
        m_model.capture().ClearPresent();
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
    const int period = m_model.scanPeriodMs();
    if (m_passCompleted && period > MinimumScanPeriodMs)
        m_model.transport().setPause(period);
    startRepeatTransaction();
}

void ScriptRunner::stopRepeat()
{
    endRun();
}
