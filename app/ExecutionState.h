#pragma once

// What the main window is doing; all false at start. Only the GUI thread touches them.
struct ExecutionState
{
    bool SendBusy = false;      // a Send is executing
    bool ListBusy = false;      // a bus scan is executing
    bool RepeatRunning = false; // Repeat mode is running
    bool BurstRunning = false;  // burst capture to file is running

    bool anyRunning() const { return SendBusy || ListBusy || RepeatRunning || BurstRunning; }
};
