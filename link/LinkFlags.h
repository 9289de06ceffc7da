#pragma once

#include <QtGlobal>

#include <atomic>

// The flags through which the GUI thread, the transfer thread, the watchdog and the read
// thread learn how the exchange in flight went. Written by more than one thread: atomics.
struct LinkFlags
{
    // An output report was handed to the transport and neither its reply nor a failure has
    // come back. Every caller waits for it to be false before starting a transfer.
    std::atomic<bool> WriteOutstanding{false};
    // The exchange in flight failed, was cancelled or timed out.
    std::atomic<bool> TransferFailed{false};
    // The reply arrived while a Send or a bus scan waits for it.
    std::atomic<bool> ReplyReceived{false};
    // Reset was pressed while a Send, bus scan or Repeat ran.
    std::atomic<bool> AbortRequested{false};
    // The exchange in flight is a poll-timer exchange (status, command, version) or an upgrade
    // exchange: its reply goes to the poll timer, and a time-out prints no "Timeout".
    std::atomic<bool> ControlReplyExpected{false};
    // OnReport is running.
    std::atomic<bool> ReportHandlerBusy{false};
    // SelectBridge is running.
    std::atomic<bool> SelectionBusy{false};
    // The poll tick is running.
    std::atomic<bool> PollBusy{false};
    // A new bridge was appended to the bridge list (the firmware upgrade waits for it).
    std::atomic<bool> BridgeArrived{false};
    // Last reported target power state.
    std::atomic<bool> TargetPowered{false};
    // Bridge command chosen by the user and not yet sent (0 none, 1..3 power, 5..7 speed).
    std::atomic<quint8> PendingCommand{0};
    // Kind of the control exchange the poll timer sent last (0 status, 1..3 power, 5..7 speed,
    // 10.. version query of list entry ControlTag - 10).
    std::atomic<quint8> ControlTag{0};
};
