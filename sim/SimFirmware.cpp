#include "sim/SimFirmware.h"

#include <QtMath>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

namespace {

constexpr int ImageSize = (SimFirmware::LastBlock + 1) * SimFirmware::PayloadSize;
constexpr int VersionBlockOffset = 0x2CC0; // 8 bytes: ..., major, minor, 0x00, 0xA5
constexpr auto LoaderIdleReset = std::chrono::milliseconds(1000);

// Flag bits of byte 0 of an output report.
constexpr quint8 FlagRead = 0x01;
constexpr quint8 FlagStart = 0x02;
constexpr quint8 FlagRestart = 0x04;
constexpr quint8 FlagStop = 0x08;
constexpr quint8 FlagReset = 0x10;
constexpr quint8 FlagSetSpeed = 0x20;
constexpr quint8 CountBurst = 0x40;

QString hex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

// A device on the simulated bus. start() is called after its address was acknowledged.
class SimTarget
{
public:
    virtual ~SimTarget() = default;
    virtual void start(bool read) { Q_UNUSED(read); }
    virtual bool write(quint8 byte)
    {
        Q_UNUSED(byte);
        return true;
    }
    virtual quint8 read() { return 0x00; }
    virtual void stop() {}
};

namespace {

// 256 bytes, one address byte, auto-incrementing pointer (wraps).
class EepromTarget : public SimTarget
{
public:
    EepromTarget() { m_memory.fill(0xFF); }
    void start(bool read) override { m_expectPointer = !read; }
    bool write(quint8 byte) override
    {
        if (m_expectPointer)
            m_pointer = byte;
        else
            m_memory[m_pointer++] = byte;
        m_expectPointer = false;
        return true;
    }
    quint8 read() override { return m_memory[m_pointer++]; }
    QByteArray contents() const
    {
        return QByteArray(reinterpret_cast<const char*>(m_memory.data()), int(m_memory.size()));
    }

private:
    std::array<quint8, 256> m_memory{};
    quint8 m_pointer = 0;
    bool m_expectPointer = false;
};

// A temperature sensor: register 0 holds the temperature in 1/256 degC, MSB first, slowly
// varying around 25 degC from one read to the next; registers 1..3 hold fixed settings.
class TemperatureTarget : public SimTarget
{
public:
    void start(bool read) override
    {
        m_expectPointer = !read;
        m_byte = 0;
        if (read && m_pointer == 0) {
            const double t = 25.0 + 0.5 * std::sin(2 * M_PI * m_reads++ / 600.0);
            m_value = static_cast<quint16>(std::lround(t * 256));
        }
    }
    bool write(quint8 byte) override
    {
        if (m_expectPointer)
            m_pointer = byte & 0x03;
        m_expectPointer = false;
        return true;
    }
    quint8 read() override
    {
        static const quint16 settings[] = {0, 0x0000, 0x4B00, 0x5000};
        const quint16 value = m_pointer == 0 ? m_value : settings[m_pointer];
        const quint8 byte = (m_byte++ % 2 == 0) ? quint8(value >> 8) : quint8(value);
        return byte;
    }

private:
    quint8 m_pointer = 0;
    bool m_expectPointer = false;
    int m_byte = 0;
    quint64 m_reads = 0;
    quint16 m_value = 25 * 256;
};

// Each two bytes read are the next 16-bit little-endian sample of a sine wave of amplitude
// 10000, one period per 100 samples.
class SineTarget : public SimTarget
{
public:
    void start(bool read) override
    {
        if (read && m_byte != 0) {
            ++m_sample;
            m_byte = 0;
        }
    }
    quint8 read() override
    {
        const auto value =
            static_cast<qint16>(std::lround(10000 * std::sin(2 * M_PI * (m_sample % 100) / 100.0)));
        const quint8 byte = m_byte == 0 ? quint8(value & 0xFF) : quint8((value >> 8) & 0xFF);
        if (++m_byte == 2) {
            m_byte = 0;
            ++m_sample;
        }
        return byte;
    }

private:
    quint64 m_sample = 0;
    int m_byte = 0;
};

} // namespace

SimFirmware::SimFirmware() : m_image(ImageSize, char(0xFF)), m_flash(ImageSize, char(0xFF))
{
    for (int i = 0; i < 8; ++i)
        m_image[VersionBlockOffset + i] = 0;
    m_image[VersionBlockOffset + 4] = 2;
    m_image[VersionBlockOffset + 5] = 5;
    m_image[VersionBlockOffset + 7] = char(0xA5);
    restoreDefaultTargets();
}

SimFirmware::~SimFirmware() = default;

QByteArray SimFirmware::reply(quint8 p0) const
{
    QByteArray r(PayloadSize, 0);
    r[0] = char(p0);
    return r;
}

SimTarget* SimFirmware::target(quint8 address) const
{
    const auto it = m_targets.find(address);
    return it == m_targets.end() ? nullptr : it->second.get();
}

SimFirmware::Response SimFirmware::receive(const quint8* payload, int size)
{
    std::array<quint8, PayloadSize> p{};
    std::copy_n(payload, std::clamp(size, 0, PayloadSize), p.begin());
    std::lock_guard lock(m_mutex);
    m_rawLog.append(QByteArray(reinterpret_cast<const char*>(p.data()), PayloadSize));
    return m_mode == Mode::Application ? receiveApplication(p.data()) : receiveBootLoader(p.data());
}

SimFirmware::Response SimFirmware::receiveApplication(const quint8* p)
{
    Response response;
    const quint8 flags = p[0];
    const quint8 count = p[1];
    const bool addressed = flags & (FlagStart | FlagRestart);
    QByteArray significant(reinterpret_cast<const char*>(p), 2);

    if (flags & FlagSetSpeed) {
        if (flags & FlagRestart)
            significant.append(char(p[2]));
        m_busSpeed = (flags & FlagRestart) ? 0x04 : (flags & FlagStop) ? 0x08 : 0x00;
        response.replies.append(reply(0x00));
    } else if (flags & FlagReset) {
        m_streaming = false;
        m_current = nullptr;
        m_busSpeed = 0x00;
        response.replies.append(reply(0x00));
    } else if ((count & CountBurst) && addressed && (flags & FlagRead)) {
        significant.append(char(p[2]));
        m_streaming = m_burstSupported;
        m_burstAddress = p[2];
        // A record of 63 bytes and its status byte would not fit into a report at all.
        m_burstCount = std::clamp(count & 0x3F, 1, 62);
    } else if (addressed && p[2] == 0x82 && !(flags & FlagRead) && (count & 0x3F) == 0) {
        significant.append(char(p[2]));
        m_streaming = false;
        m_mode = Mode::BootLoader;
        m_stage = LoaderStage::Probe;
        m_flash = m_image;
        response.leaveBus = true;
    } else {
        // Any other report ends a stream first (the burst end is the all-zero report).
        m_streaming = false;
        response.replies.append(transaction(p, significant));
    }
    m_log.append(hex(significant));
    return response;
}

QByteArray SimFirmware::transaction(const quint8* p, QByteArray& significant)
{
    const quint8 flags = p[0];
    const bool read = flags & FlagRead;
    const bool addressed = flags & (FlagStart | FlagRestart);
    int data = 2;
    int n = p[1] & 0x3F;
    QByteArray r = reply(0x00);

    if (addressed) {
        const quint8 address = p[2];
        significant.append(char(address));
        data = 3;
        if (m_current && m_currentAcked)
            m_current->stop(); // a repeated start ends the previous segment's transfer
        m_current = nullptr;
        m_currentAcked = false;
        const bool hasPower = powered();
        if (address == 0x80) {
            // The bridge's status register and power source selector.
            r[0] = char(0x01 | (hasPower ? 0x04 : 0) | (m_externalPower ? 0x02 : 0));
            if (read) {
                const quint8 bytes[] = {m_powerSource, m_busSpeed};
                for (int i = 0; i < std::min(n, 63); ++i)
                    r[1 + i] = char(i < 2 ? bytes[i] : 0);
            } else {
                n = std::min(n, PayloadSize - data);
                significant.append(reinterpret_cast<const char*>(p + data), n);
                if (n >= 1 && p[data] <= 2)
                    m_powerSource = p[data];
                for (int i = 0; i < n; ++i)
                    r[1 + i] = char(i == 0 && p[data] <= 2 ? 1 : 0);
            }
            return r;
        }
        if (address == 0x81 && read) {
            r[0] = 0x01;
            for (int i = 0; i < std::min(n, 63); ++i)
                r[1 + i] = i < 8 ? m_image[VersionBlockOffset + i] : char(0);
            return r;
        }
        SimTarget* t = hasPower ? target(address) : nullptr;
        if (t) {
            m_current = t;
            m_currentAcked = true;
            t->start(read);
        }
    }

    const bool acked = m_current && m_currentAcked;
    r[0] = char(acked ? 0x01 : 0x00);
    if (read) {
        for (int i = 0; i < std::min(n, 63); ++i)
            r[1 + i] = char(acked ? m_current->read() : 0xFF);
    } else {
        n = std::min(n, PayloadSize - data);
        significant.append(reinterpret_cast<const char*>(p + data), n);
        for (int i = 0; i < n; ++i)
            r[1 + i] = char(acked && m_current->write(p[data + i]) ? 0x01 : 0x00);
    }
    if ((flags & FlagStop) && m_current) {
        m_current->stop();
        m_current = nullptr;
        m_currentAcked = false;
    }
    return r;
}

bool SimFirmware::streaming() const
{
    std::lock_guard lock(m_mutex);
    return m_mode == Mode::Application && m_streaming;
}

QByteArray SimFirmware::nextBurstReport()
{
    std::lock_guard lock(m_mutex);
    QByteArray r(PayloadSize, 0);
    const int n = m_burstCount;
    const int records = 63 / (n + 1);
    SimTarget* t = powered() ? target(m_burstAddress) : nullptr;
    for (int k = 0; k < records; ++k) {
        char* record = r.data() + k * (n + 1);
        record[0] = char(t ? 0x01 : 0x00);
        if (t)
            t->start(true);
        for (int i = 0; i < n; ++i) {
            if (m_burstCounter)
                record[1 + i] = char(i < 8 ? (m_recordsStreamed >> (8 * i)) & 0xFF : 0);
            else
                record[1 + i] = char(t ? t->read() : 0xFF);
        }
        if (t)
            t->stop();
        ++m_recordsStreamed;
    }
    ++m_reportsStreamed;
    return r;
}

SimFirmware::Response SimFirmware::receiveBootLoader(const quint8* p)
{
    Response response;
    const auto now = std::chrono::steady_clock::now();
    // A host that gave up half-way starts again with a probe; after a pause the loader
    // listens for one instead of taking it as the next block.
    if (m_stage == LoaderStage::Writing && now - m_lastLoaderReport > LoaderIdleReset)
        m_stage = LoaderStage::Probe;
    m_lastLoaderReport = now;

    if (m_stage == LoaderStage::Writing) {
        const QByteArray block(reinterpret_cast<const char*>(p), PayloadSize);
        m_log.append(hex(block));
        m_flash.replace(m_nextBlock * PayloadSize, PayloadSize, block);
        const int ack = m_nextBlock == m_wrongAckAt ? m_nextBlock + 1 : m_nextBlock;
        QByteArray r = reply(0x00);
        r[1] = char(ack);
        response.replies.append(r);
        if (++m_nextBlock > LastBlock)
            m_stage = LoaderStage::Written;
        m_blocksWritten = m_nextBlock - FirstBlock;
        return response;
    }

    switch (p[0]) {
    case 0xFF:
        m_log.append(QStringLiteral("FF"));
        m_stage = LoaderStage::Probe;
        if (m_probeBusy > 0) {
            --m_probeBusy;
            response.replies.append(reply(0x01));
        } else {
            response.replies.append(reply(0xFF));
        }
        break;
    case 0xAA:
        m_log.append(QStringLiteral("AA"));
        if (m_versionBusy > 0) {
            --m_versionBusy;
            response.replies.append(reply(0xFF));
        } else {
            response.replies.append(reply(m_loaderCode));
            m_stage = LoaderStage::Writing;
            m_nextBlock = FirstBlock;
            m_blocksWritten = 0;
        }
        break;
    case 0x00: {
        m_log.append(hex(QByteArray(reinterpret_cast<const char*>(p), 2)));
        const int block = p[1];
        if (!m_verifyReplies)
            break;
        QByteArray r(PayloadSize, 0);
        if (block >= FirstBlock && block <= LastBlock)
            r = m_flash.mid(block * PayloadSize, PayloadSize);
        if (block == m_corruptVerifyAt)
            r[10] = char(r[10] ^ 0x01);
        response.replies.append(r);
        break;
    }
    case 0x99:
        m_log.append(QStringLiteral("99"));
        if (m_stage == LoaderStage::Written)
            m_image.replace(FirstBlock * PayloadSize, (LastBlock - FirstBlock + 1) * PayloadSize,
                            m_flash.mid(FirstBlock * PayloadSize));
        enterApplication();
        response.leaveBus = true;
        break;
    default:
        m_log.append(hex(QByteArray(1, char(p[0]))));
        response.replies.append(reply(0x01));
        break;
    }
    return response;
}

void SimFirmware::reboot()
{
    std::lock_guard lock(m_mutex);
    m_streaming = false;
    m_current = nullptr;
    m_busSpeed = 0x00;
    m_stage = LoaderStage::Probe;
}

void SimFirmware::enterApplication()
{
    m_mode = Mode::Application;
    m_stage = LoaderStage::Probe;
    m_current = nullptr;
    m_streaming = false;
    m_busSpeed = 0x00;
}

SimFirmware::Mode SimFirmware::mode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

quint8 SimFirmware::powerSource() const
{
    std::lock_guard lock(m_mutex);
    return m_powerSource;
}

quint8 SimFirmware::busSpeedCode() const
{
    std::lock_guard lock(m_mutex);
    return m_busSpeed;
}

bool SimFirmware::targetPowered() const
{
    std::lock_guard lock(m_mutex);
    return powered();
}

bool SimFirmware::powered() const
{
    return m_powerSource != 0 || m_externalPower;
}

quint8 SimFirmware::versionMajor() const
{
    std::lock_guard lock(m_mutex);
    return quint8(m_image[VersionBlockOffset + 4]);
}

quint8 SimFirmware::versionMinor() const
{
    std::lock_guard lock(m_mutex);
    return quint8(m_image[VersionBlockOffset + 5]);
}

QByteArray SimFirmware::eeprom() const
{
    std::lock_guard lock(m_mutex);
    const auto* e = dynamic_cast<const EepromTarget*>(target(EepromAddress));
    return e ? e->contents() : QByteArray();
}

void SimFirmware::setExternalPower(bool present)
{
    std::lock_guard lock(m_mutex);
    m_externalPower = present;
}

void SimFirmware::setVersion(quint8 major, quint8 minor)
{
    std::lock_guard lock(m_mutex);
    m_image[VersionBlockOffset + 4] = char(major);
    m_image[VersionBlockOffset + 5] = char(minor);
}

void SimFirmware::addAckTarget(quint8 address)
{
    std::lock_guard lock(m_mutex);
    m_current = nullptr;
    m_targets[address] = std::make_unique<SimTarget>();
}

void SimFirmware::removeTarget(quint8 address)
{
    std::lock_guard lock(m_mutex);
    m_current = nullptr;
    m_targets.erase(address);
}

void SimFirmware::clearTargets()
{
    std::lock_guard lock(m_mutex);
    m_current = nullptr;
    m_targets.clear();
}

void SimFirmware::restoreDefaultTargets()
{
    std::lock_guard lock(m_mutex);
    m_current = nullptr;
    m_targets.clear();
    m_targets[EepromAddress] = std::make_unique<EepromTarget>();
    m_targets[TemperatureAddress] = std::make_unique<TemperatureTarget>();
    m_targets[SineAddress] = std::make_unique<SineTarget>();
}

bool SimFirmware::hasTarget(quint8 address) const
{
    std::lock_guard lock(m_mutex);
    return target(address) != nullptr;
}

void SimFirmware::setBurstCounter(bool on)
{
    std::lock_guard lock(m_mutex);
    m_burstCounter = on;
}

void SimFirmware::setBurstSupported(bool supported)
{
    std::lock_guard lock(m_mutex);
    m_burstSupported = supported;
}

quint64 SimFirmware::burstReportsStreamed() const
{
    std::lock_guard lock(m_mutex);
    return m_reportsStreamed;
}

quint64 SimFirmware::burstRecordsStreamed() const
{
    std::lock_guard lock(m_mutex);
    return m_recordsStreamed;
}

void SimFirmware::setProbeBusyReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_probeBusy = count;
}

void SimFirmware::setBootLoaderVersionCode(quint8 code)
{
    std::lock_guard lock(m_mutex);
    m_loaderCode = code;
}

void SimFirmware::setVersionRequestBusyReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_versionBusy = count;
}

void SimFirmware::setWrongBlockAckAt(int block)
{
    std::lock_guard lock(m_mutex);
    m_wrongAckAt = block;
}

void SimFirmware::setVerifyReplies(bool on)
{
    std::lock_guard lock(m_mutex);
    m_verifyReplies = on;
}

void SimFirmware::setCorruptVerifyAt(int block)
{
    std::lock_guard lock(m_mutex);
    m_corruptVerifyAt = block;
}

int SimFirmware::blocksWritten() const
{
    std::lock_guard lock(m_mutex);
    return m_blocksWritten;
}

QByteArray SimFirmware::flashBlock(int block) const
{
    std::lock_guard lock(m_mutex);
    if (block < 0 || block > LastBlock)
        return {};
    return m_flash.mid(block * PayloadSize, PayloadSize);
}

// Copies that share no data with the lists the firmware thread appends to, so that a test may
// read the log while reports arrive (ThreadSanitizer cannot see the reference counting inside
// an uninstrumented Qt).
QStringList SimFirmware::log() const
{
    std::lock_guard lock(m_mutex);
    QStringList copy;
    copy.reserve(m_log.size());
    for (const QString& line : m_log)
        copy.append(QString(line.constData(), line.size()));
    return copy;
}

QList<QByteArray> SimFirmware::rawLog() const
{
    std::lock_guard lock(m_mutex);
    QList<QByteArray> copy;
    copy.reserve(m_rawLog.size());
    for (const QByteArray& report : m_rawLog)
        copy.append(QByteArray(report.constData(), report.size()));
    return copy;
}

void SimFirmware::clearLog()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
    m_rawLog.clear();
}
