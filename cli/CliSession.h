#pragma once

#include "app/DeviceOptions.h"
#include "app/MainModel.h"
#include "base/MemoryCommandEditor.h"
#include "base/MemoryStatusWindow.h"
#include "cli/TerminalUiPort.h"

#include <QObject>

#include <memory>

// The main-window model behind a command that talks to bridges: the platform chosen by the
// device options, an in-memory editor and status window, and the terminal as the UI port.
// Status-window lines are printed on stdout as each one is completed.
class CliSession : public QObject
{
    Q_OBJECT

public:
    explicit CliSession(const DeviceOptions& options);
    ~CliSession() override;

    MainModel& model() { return *m_model; }
    MemoryCommandEditor& editor() { return m_editor; }
    MemoryStatusWindow& statusWindow() { return m_status; }
    TerminalUiPort& ui() { return m_ui; }

    // Waits until the bridges are listed with their versions (at most deadlineMs) and, with
    // --bridge, selects that one. False, with the reason on stderr, when there is none.
    bool waitForBridge(int deadlineMs = 3000);

    // Prints the status lines not printed yet (the last one too, complete or not).
    void flushStatus();
    // Prints completed status lines as they are completed.
    void setEcho(bool on) { m_echo = on; }

    // SIGINT once: onInterrupt; twice: exit(130).
    std::function<void()> onInterrupt;

private:
    void printLines(int upTo);
    void interrupted();

    DeviceOptions m_options;
    std::unique_ptr<HidPlatform> m_platform;
    TerminalUiPort m_ui;
    MemoryCommandEditor m_editor;
    MemoryStatusWindow m_status;
    std::unique_ptr<MainModel> m_model;
    int m_printed = 0;
    bool m_echo = true;
    int m_interrupts = 0;
};
