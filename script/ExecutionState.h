#pragma once

// What the main window is doing (all false at start), and the two hand-over flags through
// which a waiting Send or bus scan learns that its reply arrived or that Reset ended it. Only
// the GUI thread touches them.
struct ExecutionState
{
    bool SendBusy = false;      // a Send is executing
    bool ListBusy = false;      // a bus scan is executing
    bool RepeatRunning = false; // Repeat mode is running
    bool BurstRunning = false;  // burst capture to file is running
    // The reply a Send or bus scan waits for arrived (or the window is closing).
    bool ReplyReceived = false;
    // Reset was pressed while a Send or bus scan ran.
    bool AbortRequested = false;

    bool anyRunning() const { return SendBusy || ListBusy || RepeatRunning || BurstRunning; }
};
