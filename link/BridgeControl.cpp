#include "link/BridgeControl.h"

#include "link/BridgeCommands.h"
#include "link/BridgeList.h"
#include "link/LinkFlags.h"
#include "link/Transport.h"

#include <utility>

BridgeControl::BridgeControl(BridgeList& bridges, Transport& transport)
    : m_bridges(bridges), m_transport(transport)
{
    m_timer.setInterval(PollIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &BridgeControl::Timer1Timer);
}

TIIC_Packet BridgeControl::packetForTag(quint8 tag)
{
    switch (tag) {
    case 0:
        return BridgeCommands::statusPoll();
    case 1:
    case 2:
    case 3:
        return BridgeCommands::powerSource(PowerSource(tag - 1));
    case 5:
        return BridgeCommands::busSpeed(BusSpeed::Khz400);
    case 6:
        return BridgeCommands::busSpeed(BusSpeed::Khz50);
    case 7:
        return BridgeCommands::busSpeed(BusSpeed::Khz100);
    default:
        return BridgeCommands::versionQuery();
    }
}

void BridgeControl::Timer1Timer()
{
    if (burstStartRetry && burstStartRetry())
        return;
    LinkFlags& flags = m_transport.flags();
    if (flags.WriteOutstanding || (runActive && runActive()) || m_pollBusy)
        return;
    m_pollBusy = true;
    if (const int entry = m_bridges.selectNextVersionQuery(); entry >= 0)
        m_controlTag = quint8(entry + BridgeList::VersionTagBase);
    else if (m_controlTag >= BridgeList::VersionTagBase)
        // The bridge of the unanswered query went away (or cannot be selected now): another
        // query with its tag would go to whichever bridge is selected. Back to normal polling.
        m_controlTag = 0;
    if (m_controlTag < BridgeList::VersionTagBase) {
        m_bridges.SelectBridge(m_bridges.ChosenBridge());
        m_timer.setInterval(PollIntervalMs);
        m_controlTag = std::exchange(m_pendingCommand, quint8(0));
    }
    flags.ControlReplyExpected = true;
    m_transport.StartTransfer(packetForTag(m_controlTag));
    // Nothing went out without a bridge: no reply is to be expected either.
    if (!m_transport.device())
        flags.ControlReplyExpected = false;
    m_pollBusy = false;
}

void BridgeControl::OnControlReply(const InputReport& reply)
{
    if (m_controlTag >= BridgeList::VersionTagBase) {
        if (m_bridges.OnVersionReply(reply))
            m_controlTag = 0;
    } else if (m_controlTag == 0 && m_pendingCommand == 0) {
        applyStatusReply(reply);
    }
}

void BridgeControl::applyStatusReply(const InputReport& reply)
{
    const StatusReply status = readStatusReply(reply);
    ++m_statusReplies;
    bool changed = false;
    if (status.targetPowered != m_targetPowered) {
        m_targetPowered = status.targetPowered;
        changed = true;
    }
    switch (status.source) {
    case PowerSource::External:
        if (m_power != PowerExternal)
            RBExtClick();
        break;
    case PowerSource::Supply5V:
        if (m_power != Power5V)
            RB5VClick();
        break;
    case PowerSource::Supply3V3:
        if (m_power != Power3V3)
            RB3VClick();
        break;
    case PowerSource::Unknown:
        break;
    }
    switch (status.speed) {
    case BusSpeed::Khz400:
        changed |= m_speed != Speed400K;
        m_speed = Speed400K;
        break;
    case BusSpeed::Khz100:
        changed |= m_speed != Speed100K;
        m_speed = Speed100K;
        break;
    case BusSpeed::Khz50:
        changed |= m_speed != Speed50K;
        m_speed = Speed50K;
        break;
    case BusSpeed::Unknown:
        break;
    }
    if (changed)
        Q_EMIT displayChanged();
}

void BridgeControl::choosePower(PowerChoice choice)
{
    m_power = choice;
    m_pendingCommand = quint8(choice + 1);
    Q_EMIT displayChanged();
}

void BridgeControl::RBExtClick()
{
    choosePower(PowerExternal);
}

void BridgeControl::RB5VClick()
{
    choosePower(Power5V);
}

void BridgeControl::RB3VClick()
{
    choosePower(Power3V3);
}

void BridgeControl::IICSpeed100K1Click(SpeedItem clicked)
{
    // The items form a group of mutually exclusive check items that check themselves.
    m_speed = clicked;
    m_pendingCommand = m_speed == Speed400K ? 5 : m_speed == Speed50K ? 6 : 7;
    Q_EMIT displayChanged();
}

void BridgeControl::checkSpeedItem(SpeedItem item)
{
    if (m_speed == item)
        return;
    m_speed = item;
    Q_EMIT displayChanged();
}

QString BridgeControl::powerPanelText() const
{
    return m_targetPowered ? QStringLiteral("Powered") : QStringLiteral("No power");
}
