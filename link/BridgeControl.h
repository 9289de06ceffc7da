#pragma once

#include "link/PacketCodec.h"
#include "link/TIIC_Packet.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class BridgeList;
class Transport;

// The poll timer and what it sends while no command runs (a pending power or bus-speed
// command, a version query of a new bridge, or a status poll), and the display of what the
// bridge reports: target power, power source and bus speed.
class BridgeControl : public QObject
{
    Q_OBJECT

public:
    enum PowerChoice { PowerExternal = 0, Power5V = 1, Power3V3 = 2 };
    enum SpeedItem { Speed400K = 0, Speed100K = 1, Speed50K = 2 };

    static constexpr int PollIntervalMs = 250;
    static constexpr int VersionPollIntervalMs = 50;

    BridgeControl(BridgeList& bridges, Transport& transport);

    // Set by the main-window model: whether a Send, bus scan, Repeat or burst runs, and the
    // burst-start retry, which returns true when it used the tick.
    std::function<bool()> runActive;
    std::function<bool()> burstStartRetry;

    void Timer1Timer();
    QTimer& pollTimer() { return m_timer; }

    // The "Power" radio buttons and the three "IIC Speed" check items.
    void RBExtClick();
    void RB5VClick();
    void RB3VClick();
    void IICSpeed100K1Click(SpeedItem clicked);
    // Checks an item without queueing a command (Reset, a status reply).
    void checkSpeedItem(SpeedItem item);

    // OnReport's hand-over while ControlReplyExpected was set.
    void OnControlReply(const InputReport& reply);

    PowerChoice powerChoice() const { return m_power; }
    SpeedItem checkedSpeed() const { return m_speed; }
    bool speedChecked(SpeedItem item) const { return m_speed == item; }
    // Status replies applied so far (a front end waits for the next one to confirm a choice).
    int statusRepliesApplied() const { return m_statusReplies; }
    // The bridge command chosen and not yet sent: 0 none, 1..3 power source, 5..7 bus speed.
    quint8 PendingCommand() const { return m_pendingCommand; }
    void setPendingCommand(quint8 command) { m_pendingCommand = command; }
    // The kind of the control exchange the poll timer sent last: 0 status, 1..3 power,
    // 5..7 speed, from BridgeList::VersionTagBase on the version query of list entry
    // ControlTag - VersionTagBase.
    quint8 ControlTag() const { return m_controlTag; }
    void setControlTag(quint8 tag) { m_controlTag = tag; }
    // The target power state the bridge reported last.
    bool TargetPowered() const { return m_targetPowered; }
    // Panel 4: "Powered" or "No power".
    QString powerPanelText() const;

    // The report the poll timer sends for a control tag.
    static TIIC_Packet packetForTag(quint8 tag);

Q_SIGNALS:
    void displayChanged();

private:
    void choosePower(PowerChoice choice);
    void applyStatusReply(const InputReport& reply);

    BridgeList& m_bridges;
    Transport& m_transport;
    QTimer m_timer;
    bool m_pollBusy = false; // Timer1Timer is running (a selection inside it pumps events)
    quint8 m_pendingCommand = 0;
    quint8 m_controlTag = 0;
    bool m_targetPowered = false;
    PowerChoice m_power = PowerExternal;
    SpeedItem m_speed = Speed100K;
    int m_statusReplies = 0;
};
