#pragma once

#include "link/Reports.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class BridgeControl;
class BridgeList;
class FirmwareImage;
class THidDevice;
class Transport;
class UiPort;

// The "Upgrade Firmware" dialog as a model, and the procedure behind its "Program" button:
// check the HEX file, gate on the bridge's version, send the bridge into its boot loader,
// wait for the boot loader to arrive, probe it, write the 178 blocks, read each one back and
// finish. The procedure runs on the GUI thread and pumps events while it waits; the bridge's
// replies reach it through OnUpgradeReport, installed on the selected bridge's device for the
// run. Views (the dialog widget, taviro-cli) follow it through the signals.
class TUpgradeForm : public QObject
{
    Q_OBJECT

public:
    static constexpr int ProgressMinimum = 2;
    static constexpr int ProgressMaximum = 179;
    // How long a reply of the boot loader may take, and the probe interval.
    static constexpr int ReplyLimitMs = 300;
    // How long the boot loader of a bridge that was sent into it may take to arrive.
    static constexpr int ArrivalLimitMs = 3000;

    // UpgradeState values besides the block numbers 2..179 (180 after the last block).
    enum : quint8 {
        StateProbing = 0,
        StateLoaderPresent = 1,
        StateAwaitingReply = 250,
        StateReplyArrived = 251,
        StateFailed = 255,
    };

    enum class StatusKind { Normal, Error };
    // How the last run ended: the file or the bridge's version refused; a failure, time-out
    // or Exit; another bridge arrived in place of the boot loader; done.
    enum class Ending { None, Refused, Failed, OtherBridge, Done };

    // stopRun is Stop's command: it ends a Repeat or burst capture before the bridge leaves.
    TUpgradeForm(Transport& transport, BridgeList& bridges, BridgeControl& control, UiPort& ui,
                 std::function<void()> stopRun, QObject* parent = nullptr);
    ~TUpgradeForm() override;

    // "File:": the file dialog; a chosen file becomes FirmwareFileName. Edit1 then shows it.
    void Button4Click();
    // What accepting a file in the dialog does (taviro-cli names the file directly).
    void chooseFirmwareFile(const QString& path);
    // Each time the dialog is shown.
    void FormActivate();
    // "Program": the whole procedure; returns when the run has ended.
    void Button1Click();
    // "Exit": ends a run at its next check; the dialog closes once the run has returned.
    void Button3Click();
    // The selected bridge's input reports during a run.
    void OnUpgradeReport(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size);

    // Normal puts the text in Label1 and clears Label2; Error puts it in Label2 (red) and
    // clears Label1.
    void ShowUpgradeStatus(const QString& text, StatusKind kind);

    QString FirmwareFileName() const { return m_firmwareFileName; }
    // The file the next run programs: the last one chosen, else "taviro".
    QString programmedFileName() const { return m_dialogFileName; }
    QString Edit1() const { return m_edit1; }
    void setEdit1(const QString& text) { m_edit1 = text; } // does not change the file programmed
    QString FirmVersion() const { return m_firmVersion; }
    QString BootVersion() const { return m_bootVersion; }
    QString Label1() const { return m_label1; }
    QString Label2() const { return m_label2; }
    int ProgressBar1() const { return m_progress; }
    bool programEnabled() const { return !m_running; }
    bool running() const { return m_running; }
    quint8 UpgradeState() const { return m_state; }
    Ending lastEnding() const { return m_ending; }

Q_SIGNALS:
    void fileNameChanged();
    void statusChanged();       // Label1 or Label2
    void versionTextsChanged(); // FirmVersion or BootVersion
    void progressChanged(int position);
    void programEnabledChanged(bool enabled);
    void closeRequested(); // the dialog closes with the cancel result

private:
    // The steps of a run; each returns how the run ends, or Ending::None to go on.
    Ending sendIntoBootLoader(const FirmwareImage& image, QString& serial);
    Ending awaitBootLoader(const QString& serial);
    Ending probeBootLoader();
    Ending writeBlocks(const FirmwareImage& image);
    Ending verifyBlocks(const FirmwareImage& image);
    Ending finishUpgrade();
    void end(Ending ending);

    // Sends the output report as filled; the run's flag keeps time-outs out of the status
    // window (a watchdog that gave up on the previous exchange has cleared it).
    void send(const std::function<void(OutputReport&)>& fill);
    // Pumps until the write of the exchange just started has completed (true) or the
    // exchange was given up and its thread destroyed (false).
    bool awaitWrite(quint32 writesBefore);
    // Pumps while UpgradeState is awaited, at most ReplyLimitMs; then gives up (state 255).
    void awaitReply(quint8 awaited);
    void installReplyHandler();
    void restoreReportHandler();
    void setProgress(int position);
    void setBootVersion(const QString& text);

    Transport& m_transport;
    BridgeList& m_bridges;
    BridgeControl& m_control;
    UiPort& m_ui;
    std::function<void()> m_stopRun;
    QString m_firmwareFileName;
    QString m_dialogFileName;
    QString m_edit1;
    QString m_firmVersion;
    QString m_bootVersion;
    QString m_label1;
    QString m_label2;
    int m_progress = ProgressMinimum;
    bool m_running = false;
    bool m_closeAfterRun = false;
    bool m_pollWasActive = false;
    quint8 m_state = StateFailed;
    std::array<quint8, ReportPayloadSize> m_reply{};
    Ending m_ending = Ending::None;
};
