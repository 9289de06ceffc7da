#pragma once

#include "link/HidPlatform.h"
#include "link/THidTypes.h"

#include <atomic>
#include <memory>
#include <mutex>

class THidDeviceReadThread;

// One HID interface. Owned by the controller's list; lent to the application between
// THidDeviceController::LendDevice and ReturnDevice. GUI thread unless noted.
//
// A device is accessible (may open handles) only while it is plugged in and either lent or
// inside its own OnArrival/OnRemoval call. Handles: a query handle opened around each query,
// and one read and one write handle opened on the first transfer in their direction and kept
// until the device is returned, unplugged or destroyed.
class THidDevice
{
public:
    // Opens the interface once to identify it. Throws EControllerError "device cannot be
    // opened" or "device cannot be identified". The device keeps no handle open afterwards.
    THidDevice(THidDeviceController* controller, HidPlatform& platform, THidPnPInfo pnpInfo);
    // Public so that the holder of a lent device can delete it once its controller is gone.
    ~THidDevice();

    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    const THidAttributes& Attributes() const { return m_attributes; }
    // The USB serial number, once it differs from the language list (string descriptor 0);
    // cached on success, empty and tried again on the next call otherwise.
    QString SerialNumber();
    // Report lengths, fetched once while accessible; all zero while unavailable. Safe to call
    // from the transfer thread once the device is lent.
    THidCaps Caps();

    // Transfer thread: starts an asynchronous write (the buffer is copied); false = not started.
    bool WriteOverlapped(const quint8* buffer, quint16 length);
    // Transfer thread: true when the pending write has completed (or none is pending), false
    // on time-out. CancelTransfer(Write) from another thread completes the pending write.
    bool WaitWrite(int timeoutMs);
    // Transfer thread: bytes the device took by the last write that WaitWrite saw complete;
    // 0 when it failed or was cancelled.
    quint32 OverlappedWriteResult();

    // Read thread: starts an asynchronous read into buffer; false, with error, when not started.
    bool ReadOverlapped(quint8* buffer, quint16 length, quint32& error);
    // Read thread: true when the pending read has completed (or none is pending).
    bool WaitRead(int timeoutMs);
    // Read thread: bytes of the last completed read, 0 on failure or when the handle is closed.
    quint32 OverlappedReadResult();

    // Any thread. False when that direction's handle was never opened or is closed.
    bool CancelTransfer(THidTransfer direction);

    // An empty handler stops the read thread; the start conditions are checked after storing.
    void setOnInputReport(THidDataEvent handler);
    void setOnReadFailure(THidDataErrorEvent handler);
    void setOnUnplugged(THidPlugEvent handler);
    const THidDataEvent& OnInputReport() const { return m_onInputReport; }

    bool PluggedIn() const { return m_pluggedIn; }
    bool Lent() const { return m_lent; }
    bool InPlugEvent() const { return m_inPlugEvent; }
    bool ReadWriteAllowed() const { return m_readWriteAllowed; }
    // errno of the last failed read/write open (0 after a successful one).
    quint32 OpenError() const { return m_openError; }
    bool HasReadThread() const { return m_readThread != nullptr; }

    int ReadSliceMs() const { return m_readSliceMs; }
    void setReadSliceMs(int ms); // 10..10000, other values are ignored

    const THidPnPInfo& PnPInfo() const { return m_pnpInfo; }

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;

    bool accessible() const;
    std::unique_ptr<HidConnection> openQuery();
    std::shared_ptr<HidConnection> transferConnection(THidTransfer direction, quint32& error);
    void closeHandles();
    void markUnplugged();
    void startReadThreadIfAllowed();
    void stopReadThread();
    // GUI thread, from the read thread's hand-offs.
    void deliverInputReport(THidDeviceReadThread& from, quint8 reportId, const quint8* data,
                            quint16 size);
    void deliverReadFailure(THidDeviceReadThread& from, quint32 error);

    THidDeviceController* m_controller;
    HidPlatform& m_platform;
    THidPnPInfo m_pnpInfo;
    THidAttributes m_attributes;
    QString m_serialNumber;

    std::atomic<bool> m_pluggedIn{true};
    std::atomic<bool> m_lent{false};
    std::atomic<bool> m_inPlugEvent{false};
    std::atomic<bool> m_readWriteAllowed{false};
    std::atomic<quint32> m_openError{0};
    std::atomic<int> m_readSliceMs{100};

    std::mutex m_capsMutex; // protects m_caps and m_capsFetched
    THidCaps m_caps;
    bool m_capsFetched = false;

    std::mutex m_handleMutex; // protects m_readHandle, m_writeHandle and m_writing
    std::shared_ptr<HidConnection> m_readHandle;
    std::shared_ptr<HidConnection> m_writeHandle;
    std::shared_ptr<HidConnection> m_writing; // the handle of the write in flight
    std::atomic<quint32> m_writeResult{0};    // of the last write waited for

    THidDataEvent m_onInputReport;
    THidDataErrorEvent m_onReadFailure;
    THidPlugEvent m_onUnplugged;

    std::unique_ptr<THidDeviceReadThread> m_readThread;
};
