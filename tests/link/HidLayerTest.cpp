#include "FakeHidPlatform.h"

#include "base/Clock.h"
#include "link/THidDevice.h"
#include "link/THidDeviceController.h"
#include "link/Transport.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QString nameOf(THidDevice* d)
{
    return d->PnPInfo().DevicePath.section(u'/', -1);
}

class HidLayer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        controller = std::make_unique<THidDeviceController>(platform);
        controller->setOnArrival([this](THidDevice* d) {
            events << QStringLiteral("+") + nameOf(d);
            inPlugEventSeen = inPlugEventSeen && d->InPlugEvent();
        });
        controller->setOnRemoval([this](THidDevice* d) {
            events << QStringLiteral("-") + nameOf(d);
            inPlugEventSeen = inPlugEventSeen && d->InPlugEvent();
            if (onRemoval)
                onRemoval(d);
        });
        controller->setOnDeviceChange([this](THidDeviceController*) { events << "change"; });
    }

    // A device still lent when its controller goes is left to its holder to delete: what a
    // test holds goes back first.
    void TearDown() override
    {
        if (!controller)
            return;
        const QList<THidDevice*> devices = controller->Devices();
        for (THidDevice* device : devices) {
            if (!device->Lent())
                continue;
            THidDevice* held = device;
            controller->ReturnDevice(held);
        }
    }

    void plug(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            platform.plug(FakeHidPlatform::iface(QString::fromLatin1(n)));
    }

    void startAndEnumerate()
    {
        controller->start();
        ASSERT_TRUE(waitFor([&] { return controller->EnumerationCount() > 0; }));
    }

    THidDevice* device(const char* name) const
    {
        for (THidDevice* d : controller->Devices())
            if (nameOf(d) == QLatin1String(name))
                return d;
        return nullptr;
    }

    QStringList listed() const
    {
        QStringList names;
        for (THidDevice* d : controller->Devices())
            names << nameOf(d);
        return names;
    }

    FakeHidPlatform platform;
    std::unique_ptr<THidDeviceController> controller;
    QStringList events;
    bool inPlugEventSeen = true;
    std::function<void(THidDevice*)> onRemoval;
};

TEST_F(HidLayer, FirstEnumerationIsPostedAndArrivalsComeInEnumerationOrder)
{
    plug({"a", "b", "c"});
    controller->start();
    EXPECT_TRUE(events.isEmpty()) << "arrivals must wait for the event loop";
    ASSERT_TRUE(waitFor([&] { return events.size() == 4; }));
    EXPECT_EQ(events, QStringList({"+a", "+b", "+c", "change"}));
    EXPECT_TRUE(inPlugEventSeen);
    for (THidDevice* d : controller->Devices())
        EXPECT_FALSE(d->InPlugEvent());
    EXPECT_EQ(controller->IdleDeviceCount(), 3);
}

TEST_F(HidLayer, ANotificationThatChangesNothingFiresNothing)
{
    plug({"a"});
    startAndEnumerate();
    events.clear();
    platform.change();
    EXPECT_EQ(controller->EnumerationCount(), 2);
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(HidLayer, RemovalsComeFirstFromTheEndBackwardsThenArrivalsThenOneChange)
{
    plug({"a", "b", "c", "d"});
    startAndEnumerate();
    events.clear();
    platform.unplug("b");
    platform.unplug("d");
    plug({"e", "f"});
    platform.change();
    EXPECT_EQ(events, QStringList({"-d", "-b", "+e", "+f", "change"}));
    EXPECT_EQ(listed(), QStringList({"a", "c", "e", "f"}));
}

TEST_F(HidLayer, InterfacesThatCannotBeOpenedOrIdentifiedAreSkipped)
{
    auto unopenable = FakeHidPlatform::iface("x");
    unopenable.openable = false;
    auto unidentifiable = FakeHidPlatform::iface("y");
    unidentifiable.identifiable = false;
    auto queryOnly = FakeHidPlatform::iface("z");
    queryOnly.dataAccess = false;
    plug({"a"});
    platform.plug(unopenable);
    platform.plug(unidentifiable);
    platform.plug(queryOnly);
    plug({"b"});
    startAndEnumerate();
    EXPECT_EQ(listed(), QStringList({"a", "z", "b"}));
    EXPECT_TRUE(device("a")->ReadWriteAllowed());
    EXPECT_FALSE(device("z")->ReadWriteAllowed());
    EXPECT_EQ(device("z")->OpenError(), quint32(EACCES));
}

TEST_F(HidLayer, APlatformThatCannotStartNeverDeliversADevice)
{
    platform.startFails = true;
    plug({"a"});
    controller->start();
    EXPECT_FALSE(controller->PlatformStarted());
    controller->DeviceChange();
    EXPECT_TRUE(controller->Devices().isEmpty());
    EXPECT_TRUE(events.isEmpty());
}

TEST_F(HidLayer, OnlyOneControllerPerProgram)
{
    FakeHidPlatform other;
    try {
        THidDeviceController second(other);
        FAIL() << "a second controller was created";
    } catch (const EControllerError& e) {
        EXPECT_STREQ(e.what(), "Only one THidDeviceController allowed per program");
    }
    controller.reset();
    EXPECT_NO_THROW(THidDeviceController again(other));
}

TEST_F(HidLayer, SettingOnDeviceChangeAfterStartRunsAChangeAtOnce)
{
    startAndEnumerate();
    plug({"a"});
    controller->setOnDeviceChange([this](THidDeviceController*) { events << "new handler"; });
    EXPECT_EQ(events, QStringList({"+a", "new handler"}));
}

TEST_F(HidLayer, LendingOnlyListedIdleDevicesAndTheCounters)
{
    plug({"a", "b"});
    startAndEnumerate();
    THidDevice* a = device("a");
    EXPECT_FALSE(controller->LendDevice(nullptr));
    EXPECT_TRUE(controller->LendDevice(a));
    EXPECT_FALSE(controller->LendDevice(a));
    EXPECT_TRUE(a->Lent());
    EXPECT_EQ(controller->IdleDeviceCount(), 1);
    EXPECT_EQ(controller->LentDeviceCount(), 1);
    controller->ReturnDevice(a);
    ASSERT_EQ(a, device("a")) << "a plugged-in device stays valid";
    EXPECT_FALSE(a->Lent());
    EXPECT_EQ(controller->IdleDeviceCount(), 2);
    EXPECT_EQ(controller->LentDeviceCount(), 0);
}

TEST_F(HidLayer, UnpluggingALentDeviceClosesItsHandlesBeforeOnRemovalAndReturningDestroysIt)
{
    plug({"a", "b"});
    startAndEnumerate();
    THidDevice* held = device("a");
    ASSERT_TRUE(controller->LendDevice(held));
    const quint8 report[65] = {};
    ASSERT_TRUE(held->WriteOverlapped(report, sizeof report));
    EXPECT_TRUE(held->CancelTransfer(THidTransfer::Write));
    bool pluggedInSeen = true;
    bool cancelSeen = true;
    onRemoval = [&](THidDevice* d) {
        pluggedInSeen = d->PluggedIn();
        cancelSeen = d->CancelTransfer(THidTransfer::Write);
        controller->ReturnDevice(held);
    };
    events.clear();
    platform.unplug("a");
    platform.change();
    EXPECT_EQ(events, QStringList({"-a", "change"}));
    EXPECT_FALSE(pluggedInSeen);
    EXPECT_FALSE(cancelSeen);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(listed(), QStringList({"b"}));
    EXPECT_EQ(controller->LentDeviceCount(), 0);
    EXPECT_EQ(controller->UnpluggedDeviceCount(), 0);
}

TEST_F(HidLayer, ADeviceKeptLentAfterUnplugStaysListedAndIsReportedAtEveryChange)
{
    plug({"a", "b"});
    startAndEnumerate();
    THidDevice* held = device("a");
    ASSERT_TRUE(controller->LendDevice(held));
    platform.unplug("a");
    platform.unplug("b");
    events.clear();
    platform.change();
    EXPECT_EQ(events, QStringList({"-b", "-a", "change"}));
    EXPECT_EQ(listed(), QStringList({"a"})) << "the idle one is dropped, the lent one kept";
    EXPECT_EQ(controller->UnpluggedDeviceCount(), 1);
    EXPECT_EQ(controller->LentDeviceCount(), 0);
    EXPECT_EQ(controller->IdleDeviceCount(), 0);

    // Plugged in again while still held: a new device object, not a duplicate of the orphan.
    plug({"a"});
    events.clear();
    platform.change();
    EXPECT_EQ(events, QStringList({"-a", "+a", "change"}));
    ASSERT_EQ(controller->Devices().size(), 2);
    EXPECT_NE(controller->Devices().at(1), held);

    controller->ReturnDevice(held);
    EXPECT_EQ(held, nullptr);
    EXPECT_EQ(controller->Devices().size(), 1);
    EXPECT_EQ(controller->UnpluggedDeviceCount(), 0);
}

struct SerialCase
{
    const char* what;
    std::optional<std::u16string> serial;
    std::optional<std::u16string> languages;
    QString expected;
};

TEST_F(HidLayer, SerialNumberRule)
{
    const std::u16string us(1, char16_t(0x0409));
    const std::u16string usDe = {char16_t(0x0409), char16_t(0x0407)};
    const SerialCase cases[] = {
        {"plain serial", u"SIM0001", us, QStringLiteral("SIM0001")},
        {"starts with string 0", us + u"XYZ", us, QString()},
        {"string 0 unreadable", u"SIM0001", std::nullopt, QString()},
        {"string 0 empty", u"SIM0001", std::u16string(), QString()},
        {"differs in the second language", std::u16string{char16_t(0x0409), u'X'}, usDe,
         QString::fromStdU16String(std::u16string{char16_t(0x0409), u'X'})},
        {"repeats the whole list", usDe + u"AB", usDe, QString()},
        {"cut at the first NUL", std::u16string(u"AB\0CD", 5), us, QStringLiteral("AB")},
        {"serial unreadable", std::nullopt, us, QString()},
    };
    int n = 0;
    for (const SerialCase& c : cases) {
        auto i = FakeHidPlatform::iface(QStringLiteral("d%1").arg(n++));
        i.serial = c.serial;
        i.languages = c.languages;
        platform.plug(i);
    }
    QStringList serials;
    controller->setOnArrival([&](THidDevice* d) { serials << d->SerialNumber(); });
    startAndEnumerate();
    ASSERT_EQ(serials.size(), int(std::size(cases)));
    for (size_t k = 0; k < std::size(cases); ++k)
        EXPECT_EQ(serials[k], cases[k].expected) << cases[k].what;
}

TEST_F(HidLayer, SerialNumberIsCachedOnSuccessAndRetriedAfterAFailure)
{
    auto i = FakeHidPlatform::iface("a");
    i.serial = std::nullopt;
    platform.plug(i);
    startAndEnumerate();
    THidDevice* a = device("a");
    ASSERT_TRUE(controller->LendDevice(a));
    EXPECT_EQ(a->SerialNumber(), QString());
    // The same interface now answers: the next call reads it and keeps it.
    platform.unplug("a");
    i.serial = u"LATER";
    platform.plug(i);
    EXPECT_EQ(a->SerialNumber(), QStringLiteral("LATER"));
    platform.unplug("a");
    i.serial = u"CHANGED";
    platform.plug(i);
    EXPECT_EQ(a->SerialNumber(), QStringLiteral("LATER"));
}

TEST_F(HidLayer, QueriesNeedTheDeviceToBeAccessible)
{
    plug({"a"});
    startAndEnumerate();
    THidDevice* a = device("a");
    EXPECT_EQ(a->SerialNumber(), QString()) << "neither lent nor in a plug event";
    EXPECT_EQ(a->Caps().InputReportByteLength, 0);
    ASSERT_TRUE(controller->LendDevice(a));
    EXPECT_EQ(a->SerialNumber(), QStringLiteral("a"));
    EXPECT_EQ(a->Caps().InputReportByteLength, 65);
    EXPECT_EQ(a->Caps().OutputReportByteLength, 65);
    controller->ReturnDevice(a);
    EXPECT_EQ(a->Caps().OutputReportByteLength, 65) << "fetched once, kept";
}

TEST_F(HidLayer, AWriteCancelledByTerminationDoesNotCountAsCompleted)
{
    plug({"a"});
    startAndEnumerate();
    THidDevice* a = device("a");
    ASSERT_TRUE(controller->LendDevice(a));
    {
        LinkFlags flags;
        Transport transport(flags, SteadyClock::instance());
        transport.setDevice(a);
        // The device takes no report; the exchange is given up while the write is pending.
        platform.holdWrites = true;
        transport.StartRawTransfer();
        ASSERT_TRUE(waitFor([&] { return transport.transferMode() == TUSBThread::Writing; }));
        transport.destroyTransferThread();
        EXPECT_EQ(transport.writesCompleted(), 0u) << "a cancelled write counted as gone out";
        EXPECT_TRUE(platform.written().isEmpty());

        platform.holdWrites = false;
        transport.StartRawTransfer();
        EXPECT_TRUE(waitFor([&] { return transport.writesCompleted() == 1u; }));
        EXPECT_EQ(platform.written().size(), 1);
        transport.setDevice(nullptr);
    }
    controller->ReturnDevice(a);
}

TEST_F(HidLayer, ReadSliceMsAcceptsOnlyTenToTenThousand)
{
    plug({"a"});
    startAndEnumerate();
    THidDevice* a = device("a");
    const std::pair<int, int> cases[] = {
        {9, 100}, {10, 10}, {10001, 10}, {10000, 10000}, {-1, 10000}};
    for (const auto& [set, expected] : cases) {
        a->setReadSliceMs(set);
        EXPECT_EQ(a->ReadSliceMs(), expected) << "after setting " << set;
    }
}

TEST_F(HidLayer, CancelTransferIsFalseForADirectionThatWasNeverOpened)
{
    plug({"a"});
    startAndEnumerate();
    THidDevice* a = device("a");
    ASSERT_TRUE(controller->LendDevice(a));
    EXPECT_FALSE(a->CancelTransfer(THidTransfer::Read));
    EXPECT_FALSE(a->CancelTransfer(THidTransfer::Write));
    const quint8 report[65] = {0, 0x03, 0x02, 0x80};
    ASSERT_TRUE(a->WriteOverlapped(report, sizeof report));
    EXPECT_TRUE(a->WaitWrite(100));
    EXPECT_TRUE(a->CancelTransfer(THidTransfer::Write));
    EXPECT_FALSE(a->CancelTransfer(THidTransfer::Read));
    ASSERT_EQ(platform.written().size(), 1);
    EXPECT_EQ(platform.written().at(0).left(4), QByteArray("\x00\x03\x02\x80", 4));
    controller->ReturnDevice(a);
    EXPECT_FALSE(a->CancelTransfer(THidTransfer::Write)) << "returning closes the handles";
    EXPECT_FALSE(a->WriteOverlapped(report, sizeof report)) << "no longer accessible";
}

// --- the read thread

struct Report
{
    quint8 id;
    QByteArray data;
    bool onGuiThread;
};

class HidReadThread : public HidLayer
{
protected:
    void SetUp() override
    {
        HidLayer::SetUp();
        plug({"a"});
        startAndEnumerate();
        a = device("a");
    }
    THidDataEvent recorder()
    {
        return [this](THidDevice*, quint8 id, const quint8* data, quint16 size) {
            reports.append({id, QByteArray(reinterpret_cast<const char*>(data), size),
                            QThread::currentThread() == qApp->thread()});
        };
    }
    THidDevice* a = nullptr;
    QList<Report> reports;
};

TEST_F(HidReadThread, RunsOnlyWhileLentWithAHandler)
{
    a->setOnInputReport(recorder());
    EXPECT_FALSE(a->HasReadThread()) << "not lent yet";
    ASSERT_TRUE(controller->LendDevice(a));
    EXPECT_TRUE(a->HasReadThread());
    a->setOnInputReport({});
    EXPECT_FALSE(a->HasReadThread());
    a->setOnInputReport(recorder());
    EXPECT_TRUE(a->HasReadThread());
    controller->ReturnDevice(a);
    EXPECT_FALSE(a->HasReadThread());

    auto denied = FakeHidPlatform::iface("z");
    denied.dataAccess = false;
    platform.plug(denied);
    platform.change();
    THidDevice* z = device("z");
    ASSERT_TRUE(controller->LendDevice(z));
    z->setOnInputReport(recorder());
    EXPECT_FALSE(z->HasReadThread()) << "no read/write access";
}

TEST_F(HidReadThread, ReportIdIsByteZeroSizeIsBytesReadMinusOneAndEmptyReadsAreDropped)
{
    a->setOnInputReport(recorder());
    ASSERT_TRUE(controller->LendDevice(a));
    platform.queueRead(a->PnPInfo().DevicePath, QByteArray("\x07\x01\x02\x03", 4));
    platform.queueRead(a->PnPInfo().DevicePath, QByteArray());
    platform.queueRead(a->PnPInfo().DevicePath, QByteArray(65, '\x5A'));
    ASSERT_TRUE(waitFor([&] { return reports.size() == 2; }));
    EXPECT_EQ(reports[0].id, 7);
    EXPECT_EQ(reports[0].data, QByteArray("\x01\x02\x03", 3));
    EXPECT_TRUE(reports[0].onGuiThread);
    EXPECT_EQ(reports[1].id, 0x5A);
    EXPECT_EQ(reports[1].data.size(), 64);
}

TEST_F(HidReadThread, ReportsAlreadyWaitingArriveInReadOrderEachOnItsOwn)
{
    // More than one batch is waiting before the reader starts; a short and an empty read
    // sit in the middle of them.
    const QString path = a->PnPInfo().DevicePath;
    for (int i = 0; i < 150; ++i) {
        if (i == 70)
            platform.queueRead(path, QByteArray());
        platform.queueRead(path, i == 100 ? QByteArray("\x01\x64", 2) : QByteArray(65, char(i)));
    }
    a->setOnInputReport(recorder());
    ASSERT_TRUE(controller->LendDevice(a));
    ASSERT_TRUE(waitFor([&] { return reports.size() == 150; }));
    for (int i = 0; i < 150; ++i) {
        SCOPED_TRACE(i);
        if (i == 100) {
            EXPECT_EQ(reports[i].id, 1);
            EXPECT_EQ(reports[i].data, QByteArray("\x64", 1));
            continue;
        }
        EXPECT_EQ(reports[i].id, i);
        EXPECT_EQ(reports[i].data, QByteArray(64, char(i)));
        EXPECT_TRUE(reports[i].onGuiThread);
    }
}

TEST_F(HidReadThread, EachFailedReadStartIsReportedOnceWithItsError)
{
    QList<quint32> failures;
    a->setOnReadFailure([&](THidDevice*, quint32 error) { failures << error; });
    a->setReadSliceMs(10);
    a->setOnInputReport(recorder());
    platform.failReadStarts(a->PnPInfo().DevicePath, 3, EPIPE);
    ASSERT_TRUE(controller->LendDevice(a));
    ASSERT_TRUE(waitFor([&] { return failures.size() == 3; }));
    platform.queueRead(a->PnPInfo().DevicePath, QByteArray("\x00\x42", 2));
    ASSERT_TRUE(waitFor([&] { return reports.size() == 1; }));
    EXPECT_EQ(failures, QList<quint32>({EPIPE, EPIPE, EPIPE}));
}

TEST_F(HidReadThread, AHandlerMayReturnItsOwnDevice)
{
    a->setOnInputReport([&](THidDevice* d, quint8, const quint8*, quint16) {
        reports.append({0, {}, true});
        THidDevice* ref = d;
        controller->ReturnDevice(ref);
    });
    ASSERT_TRUE(controller->LendDevice(a));
    platform.queueRead(a->PnPInfo().DevicePath, QByteArray(65, 0));
    platform.queueRead(a->PnPInfo().DevicePath, QByteArray(65, 0));
    ASSERT_TRUE(waitFor([&] { return !a->Lent(); }));
    EXPECT_FALSE(a->HasReadThread());
    EXPECT_EQ(reports.size(), 1);
    // Lent again, it reads on. The second report may have gone with the stopped reader's
    // batch (as a closed handle's queue goes with it); the one queued now comes through.
    ASSERT_TRUE(controller->LendDevice(a));
    platform.queueRead(a->PnPInfo().DevicePath, QByteArray(65, 0));
    ASSERT_TRUE(waitFor([&] { return reports.size() == 2; }));
}

TEST_F(HidReadThread, AnOrphanReturnedFromItsFailureHandlerIsDestroyed)
{
    THidDevice* held = a;
    a->setReadSliceMs(10);
    a->setOnReadFailure([&](THidDevice*, quint32) { controller->ReturnDevice(held); });
    a->setOnInputReport(recorder());
    ASSERT_TRUE(controller->LendDevice(a));
    platform.unplug("a");
    platform.change(); // handles closed: the next read start fails
    ASSERT_TRUE(waitFor([&] { return held == nullptr; }));
    EXPECT_TRUE(controller->Devices().isEmpty());
}

} // namespace
