#pragma once

#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

#include <chrono>
#include <map>
#include <memory>
#include <mutex>

class SimTarget;

// The bridge's own firmware, as the host sees it through 64-byte report payloads: the I2C
// master with its targets, the registers at 0x80 (status, power source) and 0x81 (version
// block), bus speed, reset, burst streaming, and the boot loader that rewrites the image.
//
// It decodes every report itself and does not care how reports reach it: a transport feeds
// receive() with each output payload (without the report-ID byte) and sends the payloads it
// returns as input reports; while streaming() it sends nextBurstReport() at its own pace.
// Thread-safe: tests change the knobs while a transport thread feeds reports.
class SimFirmware
{
public:
    static constexpr int PayloadSize = 64;
    static constexpr int FirstBlock = 2;
    static constexpr int LastBlock = 179;
    static constexpr quint8 EepromAddress = 0x50;
    static constexpr quint8 TemperatureAddress = 0x48;
    static constexpr quint8 SineAddress = 0x49;

    enum class Mode { Application, BootLoader };

    struct Response
    {
        QList<QByteArray> replies; // input payloads to send, in order, each PayloadSize bytes
        bool leaveBus = false;     // detach from USB and come back; mode() says as what
    };

    SimFirmware();
    ~SimFirmware();

    Response receive(const quint8* payload, int size);
    bool streaming() const;
    QByteArray nextBurstReport();
    // Power lost: ends a stream and the transaction in progress; a boot loader stays one.
    void reboot();

    // --- state the host can change, readable by tests
    Mode mode() const;
    quint8 powerSource() const;  // 0 external, 1 +5 V, 2 +3.3 V
    quint8 busSpeedCode() const; // 0x04 400 kHz, 0x00 100 kHz, 0x08 50 kHz
    bool targetPowered() const;
    quint8 versionMajor() const;
    quint8 versionMinor() const;
    QByteArray eeprom() const; // the 256 bytes of the EEPROM at 0x50

    // --- test controls
    void setExternalPower(bool present);         // default present
    void setVersion(quint8 major, quint8 minor); // factory 2.5
    void addAckTarget(quint8 address);           // ACKs everything, reads 0x00
    void removeTarget(quint8 address);
    void clearTargets();
    void restoreDefaultTargets(); // EEPROM 0x50, temperature 0x48, sine source 0x49
    bool hasTarget(quint8 address) const;
    // Burst records carry their running number (little endian, cut to n bytes) instead of
    // target data, so a test can prove that no record was lost.
    void setBurstCounter(bool on);
    // false: burst requests are logged and go unanswered, as by firmware without burst mode.
    void setBurstSupported(bool supported);
    quint64 burstReportsStreamed() const;
    quint64 burstRecordsStreamed() const;

    // --- boot loader knobs
    void setProbeBusyReplies(int count);          // answer the probe with 0x01 this often
    void setBootLoaderVersionCode(quint8 code);   // default 0x66 ("v2.0")
    void setVersionRequestBusyReplies(int count); // answer the version request with 0xFF
    void setWrongBlockAckAt(int block);           // acknowledge this block with a wrong number
    void setVerifyReplies(bool on);               // false: verify requests go unanswered
    void setCorruptVerifyAt(int block);           // read back this block with one byte changed
    int blocksWritten() const;
    QByteArray flashBlock(int block) const;

    // --- every output payload received, oldest first
    // As hex text of the bytes the report carries ("28 00", "24 00 00", "02 01 80 01").
    QStringList log() const;
    QList<QByteArray> rawLog() const; // full payloads
    void clearLog();

private:
    Response receiveApplication(const quint8* p);
    Response receiveBootLoader(const quint8* p);
    QByteArray transaction(const quint8* p, QByteArray& significant);
    SimTarget* target(quint8 address) const;
    bool powered() const;
    QByteArray reply(quint8 p0) const;
    void enterApplication();

    mutable std::mutex m_mutex; // protects every member below
    Mode m_mode = Mode::Application;
    bool m_externalPower = true;
    quint8 m_powerSource = 0;
    quint8 m_busSpeed = 0x00;
    QByteArray m_image; // blocks 0..179 of 64 bytes; the version block sits at 0x2CC0
    std::map<quint8, std::unique_ptr<SimTarget>> m_targets;
    SimTarget* m_current = nullptr; // target of the transaction in progress, for continuations
    bool m_currentAcked = false;

    bool m_streaming = false;
    quint8 m_burstAddress = 0;
    int m_burstCount = 0;
    bool m_burstCounter = false;
    bool m_burstSupported = true;
    quint64 m_reportsStreamed = 0;
    quint64 m_recordsStreamed = 0;

    enum class LoaderStage { Probe, Writing, Written };
    LoaderStage m_stage = LoaderStage::Probe;
    int m_nextBlock = FirstBlock;
    int m_blocksWritten = 0;
    std::chrono::steady_clock::time_point m_lastLoaderReport;
    QByteArray m_flash;
    int m_probeBusy = 0;
    quint8 m_loaderCode = 0x66;
    int m_versionBusy = 0;
    int m_wrongAckAt = -1;
    bool m_verifyReplies = true;
    int m_corruptVerifyAt = -1;

    QStringList m_log;
    QList<QByteArray> m_rawLog;
};
