#pragma once

#include <atomic>

// The flags through which the GUI thread, the transfer thread and the watchdog learn how the
// exchange in flight went. Each is written by more than one thread: atomics. Flags that only
// the GUI thread touches live with their owners.
struct LinkFlags
{
    // An output report was handed to the transport and neither its reply nor a failure has
    // come back. Every caller waits for it to be false before starting a transfer.
    std::atomic<bool> WriteOutstanding{false};
    // The exchange in flight failed, was cancelled or timed out.
    std::atomic<bool> TransferFailed{false};
    // The exchange in flight is a poll-timer exchange (status, command, version) or an upgrade
    // exchange: its reply goes to the poll timer, and a time-out prints no "Timeout".
    std::atomic<bool> ControlReplyExpected{false};
};
