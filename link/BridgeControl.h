#pragma once

#include "link/PacketCodec.h"
#include "link/TIIC_Packet.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class BridgeList;
class LinkFlags;
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

    BridgeControl(BridgeList& bridges, Transport& transport, LinkFlags& flags);

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
    LinkFlags& m_flags;
    QTimer m_timer;
    PowerChoice m_power = PowerExternal;
    SpeedItem m_speed = Speed100K;
    int m_statusReplies = 0;
};
