#include "link/BridgeList.h"

#include "base/EventPump.h"
#include "link/THidDevice.h"
#include "link/THidDeviceController.h"
#include "link/Transport.h"

#include <utility>

namespace {
// How long a new selection lets the read thread settle before traffic goes on.
constexpr int SelectionSettleMs = 50;
} // namespace

BridgeList::BridgeList(THidDeviceController& controller, Transport& transport)
    : m_controller(controller), m_transport(transport)
{}

BridgeList::~BridgeList()
{
    std::lock_guard lock(m_lock);
    releaseSelected();
    m_selected = nullptr;
    m_chosen = nullptr;
}

bool BridgeList::isBridge(const THidDevice& device)
{
    const THidAttributes& a = device.Attributes();
    return a.VendorID == TAVIRO_BRIDGE_VID && a.ProductID == TAVIRO_BRIDGE_PID &&
           a.VersionNumber == 0x0000;
}

void BridgeList::HIDCtlArrival(THidDevice* HidDev)
{
    if (!HidDev || !isBridge(*HidDev))
        return;
    std::lock_guard lock(m_lock);
    const QString serial = HidDev->SerialNumber();
    for (Entry& e : m_entries) {
        if (e.bridge->Device && e.bridge->Device->SerialNumber() == serial) {
            e.bridge->Device = HidDev;
            return;
        }
    }
    auto bridge = std::make_unique<THIDBridge>();
    bridge->Device = HidDev;
    m_entries.push_back({QStringLiteral("new USB-I2C converter added"), std::move(bridge)});
    if (setPollInterval)
        setPollInterval(50);
    notifyChanged();
    if (m_entries.size() == 1) {
        SelectBridge(m_entries.front().bridge.get());
        m_chosen = m_selected;
    }
    relabel();
    m_bridgeArrived = true;
}

void BridgeList::HIDCtlRemoval(THidDevice* HidDev)
{
    std::lock_guard lock(m_lock);
    std::unique_ptr<THIDBridge> removed;
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->bridge->Device == HidDev) {
            removed = std::move(it->bridge);
            m_entries.erase(it);
            break;
        }
    }
    relabel();
    if (m_selected && m_selected->Device == HidDev) {
        releaseSelected();
        if (m_entries.empty()) {
            m_chosen = nullptr;
            SelectBridge(nullptr);
        } else {
            SelectBridge(m_entries.front().bridge.get());
            m_chosen = m_selected;
        }
        // A selection already in progress (waiting for its bridge to settle) refuses the new
        // one; the removed entry must not stay selected once it is destroyed, and the
        // selection in progress selects the first remaining bridge when its wait is over.
        if (m_selected == removed.get() && removed) {
            m_selected = nullptr;
            m_removedWhileSelecting = true;
            if (UpdateActions)
                UpdateActions();
        }
    }
    if (removed && m_chosen == removed.get())
        m_chosen = m_entries.empty() ? nullptr : m_entries.front().bridge.get();
    notifyChanged();
}

void BridgeList::releaseSelected()
{
    std::lock_guard transferLock(m_transport.TransferLock());
    try {
        m_transport.failOutstandingExchange();
    } catch (...) {
        // Clean-up errors of the link are swallowed.
    }
    m_transport.setDevice(nullptr);
    if (m_lentDevice) {
        THidDevice* lent = m_lentDevice;
        m_lentDevice = nullptr;
        const bool wasEntryDevice = m_selected && m_selected->Device == lent;
        m_controller.ReturnDevice(lent);
        if (wasEntryDevice && !lent)
            m_selected->Device = nullptr;
    }
}

void BridgeList::SelectBridge(THIDBridge* entry)
{
    if (m_selectionBusy)
        return;
    m_selectionBusy = true;
    if (entry == m_selected) {
        m_selectionBusy = false;
        return;
    }
    if (m_selected)
        releaseSelected();
    m_selected = entry;
    if (entry && entry->Device && m_controller.LendDevice(entry->Device)) {
        THidDevice* device = entry->Device;
        m_lentDevice = device;
        m_transport.setDevice(device);
        device->setOnInputReport([this](THidDevice* d, quint8 id, const quint8* data,
                                        quint16 size) { m_transport.OnReport(d, id, data, size); });
        device->setOnReadFailure(
            [this](THidDevice* d, quint32 error) { m_transport.OnReadError(d, error); });
        pumpFor(SelectionSettleMs);
    }
    if (UpdateActions)
        UpdateActions();
    m_selectionBusy = false;
    // The selected bridge went away during the wait, when the removal could not select
    // another one: the first remaining bridge is selected and chosen now, as the removal
    // would have done.
    if (std::exchange(m_removedWhileSelecting, false)) {
        SelectBridge(m_entries.empty() ? nullptr : m_entries.front().bridge.get());
        m_chosen = m_selected;
    }
}

void BridgeList::ListBox1Click(int itemIndex)
{
    std::lock_guard lock(m_lock);
    THIDBridge* e = entry(itemIndex);
    if (!e || e == m_selected)
        return;
    if (m_selectionBusy)
        return;
    SelectBridge(e);
    m_chosen = m_selected;
}

int BridgeList::selectNextVersionQuery()
{
    std::lock_guard lock(m_lock);
    for (int i = 0; i < count() && i < MaxVersionQueries; ++i) {
        THIDBridge* bridge = m_entries[i].bridge.get();
        if (bridge->VersionQueryPending) {
            SelectBridge(bridge);
            // The selection does not take while another one is in progress, and during its
            // wait the bridge may go away (or an entry before it, which moves it up).
            return m_selected == bridge ? indexOf(bridge) : -1;
        }
    }
    return -1;
}

bool BridgeList::OnVersionReply(const InputReport& reply)
{
    if (!(reply[0] & 0x01))
        return false;
    const std::optional<VersionReply> version = readVersionReply(reply);
    if (version && m_selected) {
        m_selected->FirmwareMajor = version->bytes[0];
        m_selected->FirmwareMinor = version->bytes[1];
        m_selected->VersionZero = version->bytes[2];
        m_selected->VersionMarker = version->bytes[3];
        // The entry of the bridge that answered, wherever removals have moved it since.
        std::lock_guard lock(m_lock);
        if (const int index = indexOf(m_selected); index >= 0)
            m_entries[size_t(index)].text = entryText(*m_selected);
        m_selected->VersionQueryPending = false;
        notifyChanged();
    }
    return true;
}

int BridgeList::indexOf(const THIDBridge* bridge) const
{
    for (int i = 0; i < count(); ++i)
        if (m_entries[i].bridge.get() == bridge)
            return i;
    return -1;
}

int BridgeList::selectedIndex() const
{
    return m_selected ? indexOf(m_selected) : -1;
}

QString BridgeList::connectionText() const
{
    if (!m_selected)
        return QStringLiteral("disconnected");
    return QStringLiteral("connected to N=%1").arg(selectedIndex() + 1);
}

THIDBridge* BridgeList::entry(int index) const
{
    return index >= 0 && index < count() ? m_entries[index].bridge.get() : nullptr;
}

QStringList BridgeList::texts() const
{
    QStringList list;
    for (const Entry& e : m_entries)
        list << e.text;
    return list;
}

QString BridgeList::entryText(const THIDBridge& bridge) const
{
    QString text = QStringLiteral("USB-I2C converter N=");
    if (bridge.Device)
        text += bridge.Device->SerialNumber();
    if (bridge.versionKnown())
        text += QStringLiteral(", Ver%1.%2").arg(bridge.FirmwareMajor).arg(bridge.FirmwareMinor);
    return text;
}

void BridgeList::relabel()
{
    for (Entry& e : m_entries)
        e.text = entryText(*e.bridge);
    notifyChanged();
}

void BridgeList::notifyChanged()
{
    if (changed)
        changed();
}
