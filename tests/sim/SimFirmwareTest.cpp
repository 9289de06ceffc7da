#include "sim/SimFirmware.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

QByteArray payload(const std::vector<int>& bytes)
{
    QByteArray p(SimFirmware::PayloadSize, 0);
    int i = 0;
    for (int b : bytes)
        p[i++] = char(b);
    return p;
}

// Sends one report and returns the only reply (empty when none came).
QByteArray exchange(SimFirmware& fw, const std::vector<int>& bytes)
{
    const QByteArray p = payload(bytes);
    const auto response = fw.receive(reinterpret_cast<const quint8*>(p.constData()), int(p.size()));
    EXPECT_LE(response.replies.size(), 1);
    return response.replies.isEmpty() ? QByteArray() : response.replies.first();
}

int at(const QByteArray& r, int i)
{
    return quint8(r.at(i));
}

TEST(SimFirmware, WritesAndReadsTheEepromWithAcknowledgements)
{
    SimFirmware fw;
    // S A0 10 11 22 33 P: address 0x50, pointer 0x10, three data bytes.
    QByteArray r = exchange(fw, {0x0A, 0x04, 0x50, 0x10, 0x11, 0x22, 0x33});
    EXPECT_EQ(at(r, 0) & 1, 1);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(at(r, i) & 1, 1) << "data byte " << i;
    // Pointer write without stop, then a repeated start reading three bytes.
    exchange(fw, {0x02, 0x01, 0x50, 0x10});
    r = exchange(fw, {0x0D, 0x03, 0x50});
    EXPECT_EQ(r.mid(0, 4), QByteArray("\x01\x11\x22\x33", 4));
    EXPECT_EQ(fw.eeprom().mid(0x10, 3), QByteArray("\x11\x22\x33", 3));
}

TEST(SimFirmware, ContinuationSegmentsGoToTheTargetInProgress)
{
    SimFirmware fw;
    exchange(fw, {0x02, 0x02, 0x50, 0x00, 0xAB});          // S A0 00 AB (no stop)
    QByteArray r = exchange(fw, {0x08, 0x02, 0xCD, 0xEF}); // continuation: CD EF P
    EXPECT_EQ(at(r, 1) & 1, 1);
    EXPECT_EQ(at(r, 2) & 1, 1);
    EXPECT_EQ(fw.eeprom().left(3), QByteArray("\xAB\xCD\xEF", 3));
    EXPECT_EQ(fw.log().last(), QStringLiteral("08 02 CD EF"));
}

TEST(SimFirmware, AbsentOrUnpoweredTargetsNackAndRead0xFF)
{
    SimFirmware fw;
    QByteArray r = exchange(fw, {0x0B, 0x02, 0x33});
    EXPECT_EQ(at(r, 0) & 1, 0);
    EXPECT_EQ(r.mid(1, 2), QByteArray("\xFF\xFF", 2));

    fw.setExternalPower(false);
    r = exchange(fw, {0x0B, 0x01, 0x50});
    EXPECT_EQ(at(r, 0) & 1, 0) << "no power on External";
    exchange(fw, {0x02, 0x01, 0x80, 0x01}); // power source +5 V
    r = exchange(fw, {0x0B, 0x01, 0x50});
    EXPECT_EQ(at(r, 0) & 1, 1);

    fw.clearTargets();
    fw.addAckTarget(0x68);
    EXPECT_EQ(at(exchange(fw, {0x0B, 0x01, 0x50}), 0) & 1, 0);
    EXPECT_EQ(at(exchange(fw, {0x0B, 0x01, 0x68}), 0) & 1, 1);
    fw.removeTarget(0x68);
    EXPECT_EQ(at(exchange(fw, {0x0B, 0x01, 0x68}), 0) & 1, 0);
}

TEST(SimFirmware, StatusPowerSpeedAndVersionRegisters)
{
    SimFirmware fw;
    QByteArray r = exchange(fw, {0x03, 0x02, 0x80});
    EXPECT_EQ(at(r, 0) & 0x04, 0x04) << "external power present";
    EXPECT_EQ(at(r, 1), 0);
    EXPECT_EQ(at(r, 2), 0x00);

    fw.setExternalPower(false);
    exchange(fw, {0x02, 0x01, 0x80, 0x02}); // +3.3 V
    exchange(fw, {0x24, 0x00, 0x00});       // 400 kHz
    r = exchange(fw, {0x03, 0x02, 0x80});
    EXPECT_EQ(at(r, 0) & 0x04, 0x04);
    EXPECT_EQ(at(r, 1), 2);
    EXPECT_EQ(at(r, 2), 0x04);
    exchange(fw, {0x28, 0x00});
    EXPECT_EQ(fw.busSpeedCode(), 0x08);
    exchange(fw, {0x24, 0x00, 0x00});
    exchange(fw, {0x19, 0x00}); // reset: back to 100 kHz
    EXPECT_EQ(fw.busSpeedCode(), 0x00);

    r = exchange(fw, {0x03, 0x08, 0x81});
    EXPECT_EQ(at(r, 0) & 1, 1);
    EXPECT_EQ(at(r, 5), 2);
    EXPECT_EQ(at(r, 6), 5);
    EXPECT_EQ(at(r, 7), 0x00);
    EXPECT_EQ(at(r, 8), 0xA5);
}

TEST(SimFirmware, LogsTheBytesEachReportCarries)
{
    SimFirmware fw;
    const std::pair<std::vector<int>, const char*> cases[] = {
        {{0x28, 0x00, 0x77}, "28 00"},
        {{0x20, 0x00}, "20 00"},
        {{0x24, 0x00, 0x00}, "24 00 00"},
        {{0x02, 0x01, 0x80, 0x01, 0x99}, "02 01 80 01"},
        {{0x03, 0x02, 0x80, 0x55}, "03 02 80"},
        {{0x19, 0x00}, "19 00"},
        {{0x0A, 0x03, 0x50, 0x01, 0x02, 0x03, 0x04}, "0A 03 50 01 02 03"},
        {{0x0B, 0x45, 0x48}, "0B 45 48"},
        {{0x00, 0x00}, "00 00"},
    };
    for (const auto& [bytes, expected] : cases) {
        const QByteArray p = payload(bytes);
        fw.receive(reinterpret_cast<const quint8*>(p.constData()), int(p.size()));
        EXPECT_EQ(fw.log().last(), QLatin1String(expected));
    }
    EXPECT_EQ(fw.rawLog().size(), int(std::size(cases)));
    EXPECT_EQ(fw.rawLog().first().size(), 64);
}

TEST(SimFirmware, TheSineSourceAndTheTemperatureSensor)
{
    SimFirmware fw;
    std::vector<int> samples;
    for (int i = 0; i < 100; ++i) {
        const QByteArray r = exchange(fw, {0x0B, 0x02, 0x49});
        samples.push_back(qint16(quint8(r[1]) | (quint8(r[2]) << 8)));
    }
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[25], 10000);
    EXPECT_EQ(samples[75], -10000);

    exchange(fw, {0x0A, 0x01, 0x48, 0x00});
    for (int i = 0; i < 20; ++i) {
        const QByteArray r = exchange(fw, {0x0B, 0x02, 0x48});
        const double celsius = qint16((quint8(r[1]) << 8) | quint8(r[2])) / 256.0;
        EXPECT_NEAR(celsius, 25.0, 1.0);
    }
}

TEST(SimFirmware, ABurstOfMoreBytesThanAReportCarriesStreamsRecordsOf62)
{
    SimFirmware fw;
    fw.setBurstCounter(true);
    exchange(fw, {0x0B, 0x40 + 63, 0x48});
    ASSERT_TRUE(fw.streaming());
    const QByteArray r = fw.nextBurstReport();
    EXPECT_EQ(r[0] & 1, 1) << "a record of a status byte and 62 bytes";
    EXPECT_EQ(fw.burstRecordsStreamed(), 1u);
}

TEST(SimFirmware, BurstStreamsRecordsUntilTheBurstEnd)
{
    SimFirmware fw;
    fw.setBurstCounter(true);
    EXPECT_FALSE(exchange(fw, {0x0B, 0x45, 0x48}).size()) << "the stream is the answer";
    ASSERT_TRUE(fw.streaming());
    const int n = 5, perReport = 63 / (n + 1);
    quint32 expected = 0;
    for (int report = 0; report < 3; ++report) {
        const QByteArray r = fw.nextBurstReport();
        for (int k = 0; k < perReport; ++k) {
            const char* rec = r.constData() + k * (n + 1);
            EXPECT_EQ(rec[0] & 1, 1);
            const quint32 counter = quint8(rec[1]) | quint8(rec[2]) << 8 | quint8(rec[3]) << 16 |
                                    quint32(quint8(rec[4])) << 24;
            EXPECT_EQ(counter, expected++);
        }
    }
    EXPECT_EQ(fw.burstReportsStreamed(), 3u);
    EXPECT_EQ(fw.burstRecordsStreamed(), quint64(3 * perReport));
    EXPECT_EQ(exchange(fw, {0x00, 0x00}).size(), 64) << "the burst end is answered";
    EXPECT_FALSE(fw.streaming());
}

// --- boot loader

QByteArray block(int n)
{
    QByteArray b(64, 0);
    for (int i = 0; i < 64; ++i)
        b[i] = char((n * 7 + i) & 0xFF);
    if (n == SimFirmware::LastBlock) { // the version block at 0x2CC4: 3.1
        b[4] = 3;
        b[5] = 1;
        b[6] = 0;
        b[7] = char(0xA5);
    }
    return b;
}

QByteArray send(SimFirmware& fw, const QByteArray& p)
{
    const auto response = fw.receive(reinterpret_cast<const quint8*>(p.constData()), int(p.size()));
    return response.replies.isEmpty() ? QByteArray() : response.replies.first();
}

TEST(SimFirmware, BootLoaderProgramsVerifiesAndRunsTheNewImage)
{
    SimFirmware fw;
    fw.setProbeBusyReplies(2);
    fw.setVersionRequestBusyReplies(1);
    const QByteArray enter = payload({0x02, 0x00, 0x82});
    const auto left = fw.receive(reinterpret_cast<const quint8*>(enter.constData()), 64);
    EXPECT_TRUE(left.leaveBus);
    EXPECT_TRUE(left.replies.isEmpty());
    ASSERT_EQ(fw.mode(), SimFirmware::Mode::BootLoader);

    EXPECT_EQ(at(exchange(fw, {0xFF}), 0), 0x01);
    EXPECT_EQ(at(exchange(fw, {0xFF}), 0), 0x01);
    EXPECT_EQ(at(exchange(fw, {0xFF}), 0), 0xFF);
    EXPECT_EQ(at(exchange(fw, {0xAA}), 0), 0xFF) << "not ready yet";
    EXPECT_EQ(at(exchange(fw, {0xAA}), 0), 0x66);
    for (int n = SimFirmware::FirstBlock; n <= SimFirmware::LastBlock; ++n) {
        const QByteArray r = send(fw, block(n));
        ASSERT_EQ(at(r, 0), 0x00);
        ASSERT_EQ(at(r, 1), n);
    }
    EXPECT_EQ(fw.blocksWritten(), 178);
    for (int n = SimFirmware::FirstBlock; n <= SimFirmware::LastBlock; n += 59)
        EXPECT_EQ(exchange(fw, {0x00, n}), block(n));
    const QByteArray finish = payload({0x99});
    EXPECT_TRUE(fw.receive(reinterpret_cast<const quint8*>(finish.constData()), 64).leaveBus);
    EXPECT_EQ(fw.mode(), SimFirmware::Mode::Application);
    EXPECT_EQ(fw.versionMajor(), 3);
    EXPECT_EQ(fw.versionMinor(), 1);
    EXPECT_EQ(fw.log().mid(0, 6), QStringList({"02 00 82", "FF", "FF", "FF", "AA", "AA"}));
}

TEST(SimFirmware, BootLoaderFaultKnobs)
{
    SimFirmware fw;
    fw.setWrongBlockAckAt(4);
    fw.setCorruptVerifyAt(3);
    fw.setBootLoaderVersionCode(0x77);
    exchange(fw, {0x02, 0x00, 0x82});
    exchange(fw, {0xFF});
    EXPECT_EQ(at(exchange(fw, {0xAA}), 0), 0x77);
    EXPECT_EQ(at(send(fw, block(2)), 1), 2);
    EXPECT_EQ(at(send(fw, block(3)), 1), 3);
    EXPECT_EQ(at(send(fw, block(4)), 1), 5) << "the wrong acknowledgement";
    for (int n = 5; n <= SimFirmware::LastBlock; ++n)
        send(fw, block(n));
    EXPECT_NE(exchange(fw, {0x00, 3}), block(3));
    EXPECT_EQ(exchange(fw, {0x00, 2}), block(2));
    fw.setVerifyReplies(false);
    EXPECT_TRUE(exchange(fw, {0x00, 2}).isEmpty());
}

} // namespace
