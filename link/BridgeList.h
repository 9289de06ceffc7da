#pragma once

#include "link/PacketCodec.h"
#include "link/THIDBridge.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class THidDevice;
class THidDeviceController;
class Transport;

// The attached bridges in the order they arrived, the selected bridge all traffic goes to,
// and the bridge the user last chose. Runs on the GUI thread.
class BridgeList
{
public:
    // First control tag of a version query: the query of entry i carries tag i + 10.
    static constexpr int VersionTagBase = 10;
    // Entries that can carry a version query tag (the tag is one byte).
    static constexpr int MaxVersionQueries = 256 - VersionTagBase;

    BridgeList(THidDeviceController& controller, Transport& transport);
    ~BridgeList();

    // Set by the main-window model.
    std::function<void()> UpdateActions;
    std::function<void(int ms)> setPollInterval;
    std::function<void()> changed; // texts or selection changed

    // The controller's plug events.
    void HIDCtlArrival(THidDevice* HidDev);
    void HIDCtlRemoval(THidDevice* HidDev);

    void SelectBridge(THIDBridge* entry);
    void ListBox1Click(int itemIndex);

    // Poll tick: selects the first entry still waiting for its version and returns its index
    // (its query's tag is index + VersionTagBase); -1 when none waits or it could not be
    // selected.
    int selectNextVersionQuery();
    // The version reply of the selected bridge. False when the bridge did not acknowledge the
    // query: the query's tag stays, so the next tick asks again.
    bool OnVersionReply(const InputReport& reply);

    // A new bridge was appended since the flag was last cleared (the firmware upgrade waits
    // for its boot loader this way).
    bool BridgeArrived() const { return m_bridgeArrived; }
    void clearBridgeArrived() { m_bridgeArrived = false; }

    // Connection display: the panel text ("connected to N=2" / "disconnected") and the list
    // line that shows the selection (-1 when none).
    bool connected() const { return m_selected != nullptr; }
    int selectedIndex() const;
    QString connectionText() const;

    THIDBridge* SelectedBridge() const { return m_selected; }
    THIDBridge* ChosenBridge() const { return m_chosen; }
    int count() const { return int(m_entries.size()); }
    THIDBridge* entry(int index) const;
    QStringList texts() const;
    QString entryText(const THIDBridge& bridge) const;

    // Whether a HID interface is a bridge (vendor, product, version 0x0000).
    static bool isBridge(const THidDevice& device);

    std::recursive_mutex& BridgeListLock() { return m_lock; }

private:
    struct Entry
    {
        QString text;
        std::unique_ptr<THIDBridge> bridge;
    };

    int indexOf(const THIDBridge* bridge) const;
    void relabel();
    void releaseSelected();
    void notifyChanged();

    THidDeviceController& m_controller;
    Transport& m_transport;

    std::recursive_mutex m_lock; // BridgeListLock: guards m_entries and their records; taken
                                 // before TransferLock when both are needed
    std::vector<Entry> m_entries;
    THIDBridge* m_selected = nullptr;
    THIDBridge* m_chosen = nullptr;
    THidDevice* m_lentDevice = nullptr;   // the device SelectBridge lent, returned on release
    bool m_selectionBusy = false;         // SelectBridge is running (it pumps events)
    bool m_removedWhileSelecting = false; // the selected bridge went away during that wait
    bool m_bridgeArrived = false;
};
