#pragma once

#include "link/TIIC_Packet.h"
#include "script/LineCompiler.h"

#include <QObject>

class CaptureState;
class ChartModel;
class CommandEditor;
class Execution;
class StatusWindow;
class Transport;

// Runs the command editor's lines on the selected bridge: Send (once, waiting in the event
// loop for each reply) and Repeat (driven by the replies), with every result in the status
// window and the variable bytes handed to sample decoding.
class ScriptRunner : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxRepeatCount = 10'000'000;
    static constexpr int MaxScanPeriodMs = 32'000;

    ScriptRunner(Execution& execution, Transport& transport, CommandEditor& editor,
                 StatusWindow& statusWindow, LineCompiler& compiler, CaptureState& capture,
                 ChartModel& chart);

    // The controls of the button panel: "Send all strings", the Repeat count (0: until Stop)
    // and the pause between Repeat passes.
    bool sendAllStrings() const { return m_sendAll; }
    void setSendAllStrings(bool on) { m_sendAll = on; }
    int repeatCount() const { return m_repeatCount; }
    void setRepeatCount(int count);
    int scanPeriodMs() const { return m_scanPeriodMs; }
    void setScanPeriodMs(int ms);

    // The line range (0-based, inclusive) a run covers: every line with "Send all strings",
    // otherwise the lines from the selection start to the position just after it.
    struct Range
    {
        int first = 0;
        int last = -1;
    };
    Range lineRange() const;

    void AcSendExecute();
    void AcSendRepeatExecute();
    // The reply step of Repeat, run by the report handler for each transaction reply.
    void repeatReplyStep();
    // Stop's Repeat branch.
    void stopRepeat();

    // Since the run started: a transaction was not acknowledged or its exchange failed.
    bool sawFailure() const { return m_sawFailure; }
    // The run ended at a line that did not compile.
    bool syntaxError() const { return m_syntaxError; }
    bool PassCompleted() const { return m_passCompleted; }
    // The status line a Send is still filling, or -1: lines from there on are not complete.
    int openStatusLine() const { return m_openLine; }
    int acknowledgedCount() const { return m_acknowledged; }

Q_SIGNALS:
    // A sample went onto the chart (SampleCount grew).
    void sampleTaken();
    // Send finished a script line: every status line so far is complete.
    void statusLinesCompleted();
    // A Send or Repeat run ended (normally, by abort, by a compile error or by Stop).
    void runFinished();

private:
    bool compile(int line);
    bool waitForTransaction(const TIIC_Packet& packet);
    void appendResult(int statusLine, const TIIC_Packet& t);
    void takeSample();
    void endRun();
    void repeatNextStep();
    bool advanceRepeatLine();
    void startRepeatTransaction();

    Execution& m_execution;
    Transport& m_transport;
    CommandEditor& m_editor;
    StatusWindow& m_statusWindow;
    LineCompiler& m_compiler;
    CaptureState& m_capture;
    ChartModel& m_chart;

    bool m_sendAll = false;
    int m_repeatCount = 0;
    int m_scanPeriodMs = 0;

    TPacketList m_packets;
    int m_count = 0;
    LineCompiler::Continuation m_continuation;
    bool m_acknowledgedState = false;
    bool m_sawFailure = false;
    bool m_syntaxError = false;
    int m_openLine = -1;

    // Repeat
    Range m_range;
    int m_currentLine = 0;
    int m_index = 0;
    int m_acknowledged = 0;
    int m_linesWithoutTransaction = 0;
    bool m_passCompleted = false;
};
