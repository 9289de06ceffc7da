#include "firmware/TUpgradeForm.h"

#include "base/EventPump.h"
#include "base/UiPort.h"
#include "firmware/FirmwareImage.h"
#include "firmware/VersionGate.h"
#include "link/BridgeControl.h"
#include "link/BridgeList.h"
#include "link/LinkFlags.h"
#include "link/THidDevice.h"
#include "link/Transport.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

namespace {

// Payload bytes P0, P1 and P2 sit after the report-ID byte of the output report.
constexpr int P0 = 1;
constexpr int P1 = 2;
constexpr int P2 = 3;

constexpr quint8 EnterBootLoader[] = {0x02, 0x00, 0x82}; // START, 0 bytes, address 0x82
constexpr quint8 Probe = 0xFF;
constexpr quint8 ProbeBusy = 0x01;
constexpr quint8 VersionRequest = 0xAA;
constexpr quint8 VersionBusy = 0xFF;
constexpr quint8 VerifyRequest = 0x00;
constexpr quint8 Finish = 0x99;

// The boot loader's version codes and how the dialog names them.
QString bootLoaderText(quint8 code)
{
    switch (code) {
    case 0x55:
        return QStringLiteral("Bridge BootLoader v1.0");
    case 0x56:
        return QStringLiteral("Bridge BootLoader v1.1");
    case 0x57:
        return QStringLiteral("Bridge BootLoader v1.2");
    case 0x66:
        return QStringLiteral("Bridge BootLoader v2.0");
    case 0x77:
        return QStringLiteral("Bridge BootLoader v3.0");
    default:
        return {};
    }
}

} // namespace

TUpgradeForm::TUpgradeForm(Transport& transport, BridgeList& bridges, BridgeControl& control,
                           UiPort& ui, std::function<void()> stopRun, QObject* parent)
    : QObject(parent), m_transport(transport), m_bridges(bridges), m_control(control), m_ui(ui),
      m_stopRun(std::move(stopRun)), m_dialogFileName(QStringLiteral("taviro"))
{}

TUpgradeForm::~TUpgradeForm() = default;

void TUpgradeForm::Button4Click()
{
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Open;
    request.initialName = m_dialogFileName;
    request.filters = {QStringLiteral("HEX file|*.hex")};
    request.defaultSuffix = QStringLiteral("hex");
    const QString path = m_ui.chooseFile(request);
    if (!path.isEmpty()) {
        chooseFirmwareFile(path);
        return;
    }
    m_edit1 = m_firmwareFileName;
    Q_EMIT fileNameChanged();
}

void TUpgradeForm::chooseFirmwareFile(const QString& path)
{
    m_firmwareFileName = path;
    m_dialogFileName = path;
    m_edit1 = m_firmwareFileName;
    Q_EMIT fileNameChanged();
}

void TUpgradeForm::FormActivate()
{
    if (!m_label2.isEmpty()) {
        m_label2.clear();
        Q_EMIT statusChanged();
    }
    setProgress(ProgressMinimum);
}

void TUpgradeForm::Button3Click()
{
    m_state = StateFailed;
    if (m_running)
        m_closeAfterRun = true;
    else
        Q_EMIT closeRequested();
}

void TUpgradeForm::ShowUpgradeStatus(const QString& text, StatusKind kind)
{
    if (kind == StatusKind::Normal) {
        m_label1 = text;
        m_label2.clear();
    } else {
        m_label2 = text;
        m_label1.clear();
    }
    Q_EMIT statusChanged();
}

void TUpgradeForm::setProgress(int position)
{
    m_progress = std::clamp(position, ProgressMinimum, ProgressMaximum);
    Q_EMIT progressChanged(m_progress);
}

void TUpgradeForm::setBootVersion(const QString& text)
{
    m_bootVersion = text;
    Q_EMIT versionTextsChanged();
}

void TUpgradeForm::OnUpgradeReport(THidDevice*, quint8, const quint8* Data, quint16 Size)
{
    const size_t n = std::min<size_t>(Size, m_reply.size());
    std::memcpy(m_reply.data(), Data, n);
    std::fill(m_reply.begin() + std::ptrdiff_t(n), m_reply.end(), quint8(0));
    const quint8 p0 = m_reply[0];
    const quint8 p1 = m_reply[1];

    if (m_state == StateProbing) {
        if (p0 == Probe)
            m_state = StateLoaderPresent;
        else if (p0 != ProbeBusy)
            m_state = StateFailed;
    } else if (m_state == StateLoaderPresent) {
        const QString text = bootLoaderText(p0);
        if (!text.isEmpty()) {
            m_state = FirmwareImage::FirstBlock;
            setBootVersion(text);
        } else if (p0 != VersionBusy) {
            m_state = StateFailed;
        }
    } else if (m_state >= FirmwareImage::FirstBlock && m_state <= FirmwareImage::LastBlock) {
        m_state = p0 == 0x00 && p1 == m_state ? quint8(m_state + 1) : quint8(StateFailed);
    } else if (m_state == StateAwaitingReply) {
        m_state = StateReplyArrived;
    }
}

void TUpgradeForm::send(const std::function<void(OutputReport&)>& fill)
{
    m_transport.editOutputReport(fill);
    m_transport.flags().ControlReplyExpected = true;
    m_transport.StartRawTransfer();
}

bool TUpgradeForm::awaitWrite(quint32 writesBefore)
{
    if (!m_transport.device()) // nothing was sent
        return false;
    auto threadGone = [this] {
        std::lock_guard lock(m_transport.TransferLock());
        return m_transport.transferThread() == nullptr;
    };
    pumpUntil([&] { return m_transport.writesCompleted() != writesBefore || threadGone(); });
    return m_transport.writesCompleted() != writesBefore;
}

void TUpgradeForm::awaitReply(quint8 awaited)
{
    if (!pumpUntil([&] { return m_state != awaited; }, ReplyLimitMs))
        m_state = StateFailed;
}

void TUpgradeForm::installReplyHandler()
{
    THIDBridge* bridge = m_bridges.SelectedBridge();
    if (!bridge || !bridge->Device)
        return;
    bridge->Device->setOnInputReport([this](THidDevice* d, quint8 id, const quint8* data,
                                            quint16 size) { OnUpgradeReport(d, id, data, size); });
}

void TUpgradeForm::restoreReportHandler()
{
    THIDBridge* bridge = m_bridges.SelectedBridge();
    if (!bridge || !bridge->Device)
        return;
    bridge->Device->setOnInputReport(
        [&transport = m_transport](THidDevice* d, quint8 id, const quint8* data, quint16 size) {
            transport.OnReport(d, id, data, size);
        });
}

void TUpgradeForm::Button1Click()
{
    if (m_running)
        return;
    m_running = true;
    m_closeAfterRun = false;
    m_ending = Ending::None;
    Q_EMIT programEnabledChanged(false);
    m_transport.flags().ControlReplyExpected = true;
    m_firmVersion.clear();
    m_bootVersion.clear();
    Q_EMIT versionTextsChanged();
    QTimer& poll = m_control.pollTimer();
    m_pollWasActive = poll.isActive();
    poll.stop();
    setProgress(ProgressMinimum);
    ShowUpgradeStatus(QStringLiteral("Prepare to program..."), StatusKind::Normal);

    // The whole file is checked before anything is sent to a bridge.
    const FirmwareImage image = FirmwareImage::readFile(m_dialogFileName);
    if (!image.isValid()) {
        image.refusal().show(m_ui);
        end(Ending::Refused);
        return;
    }
    m_firmVersion = image.versionText();
    Q_EMIT versionTextsChanged();

    QString serial;
    Ending ending = sendIntoBootLoader(image, serial);
    if (ending == Ending::None)
        ending = awaitBootLoader(serial);
    if (ending == Ending::None)
        ending = probeBootLoader();
    if (ending == Ending::None)
        ending = writeBlocks(image);
    if (ending == Ending::None)
        ending = verifyBlocks(image);
    if (ending == Ending::None)
        ending = finishUpgrade();
    end(ending);
}

TUpgradeForm::Ending TUpgradeForm::sendIntoBootLoader(const FirmwareImage& image, QString& serial)
{
    THIDBridge* bridge = m_bridges.SelectedBridge();
    if (!bridge || !bridge->versionKnown()) {
        // Nothing is sent: the user attaches a bridge that runs its boot loader.
        ShowUpgradeStatus(QStringLiteral("Connect Bridge to USB..."), StatusKind::Normal);
        m_bridges.clearBridgeArrived();
        return Ending::None;
    }
    const VersionGate::Verdict verdict = VersionGate::check(
        FirmwareVersion{bridge->FirmwareMajor, bridge->FirmwareMinor}, image.version());
    if (verdict == VersionGate::Verdict::Refuse) {
        VersionGate::message(verdict).show(m_ui);
        return Ending::Refused;
    }
    if (verdict == VersionGate::Verdict::Ask &&
        VersionGate::message(verdict).show(m_ui) != UiPort::Button::Ok)
        return Ending::Refused;

    // While a box was open the bridge may have gone away, or another one been selected.
    if (m_bridges.SelectedBridge() != bridge || !bridge->Device)
        return Ending::Failed;
    serial = bridge->Device->SerialNumber();
    if (m_stopRun)
        m_stopRun();
    if (m_transport.flags().WriteOutstanding) {
        std::lock_guard lock(m_transport.TransferLock());
        m_transport.failOutstandingExchange();
    }
    installReplyHandler();
    // Cleared before the report goes out: the boot loader may arrive as soon as it is sent.
    m_bridges.clearBridgeArrived();
    const quint32 writes = m_transport.writesCompleted();
    send([](OutputReport& r) {
        std::copy(std::begin(EnterBootLoader), std::end(EnterBootLoader), r.begin() + P0);
    });
    return awaitWrite(writes) ? Ending::None : Ending::Failed;
}

TUpgradeForm::Ending TUpgradeForm::awaitBootLoader(const QString& serial)
{
    m_state = StateProbing;
    const bool arrived =
        pumpUntil([this] { return m_bridges.BridgeArrived() || m_state == StateFailed; },
                  serial.isEmpty() ? -1 : ArrivalLimitMs);
    if (m_state == StateFailed) {
        m_closeAfterRun = true;
        return Ending::Failed;
    }
    if (!arrived)
        return Ending::Failed;

    BridgeList& bridges = m_bridges;
    std::lock_guard lock(bridges.BridgeListLock());
    THIDBridge* last = bridges.entry(bridges.count() - 1);
    if (!last || !last->Device) // it left again
        return Ending::Failed;
    const QString arrivedSerial = last->Device->SerialNumber();
    if (!serial.isEmpty() && arrivedSerial != serial) {
        ShowUpgradeStatus(QStringLiteral("Another bridge (N=%1) arrived; nothing was programmed.")
                              .arg(arrivedSerial),
                          StatusKind::Error);
        return Ending::OtherBridge;
    }
    bridges.SelectBridge(last);
    if (bridges.SelectedBridge() != last || !last->Device)
        return Ending::Failed;
    installReplyHandler();
    return Ending::None;
}

TUpgradeForm::Ending TUpgradeForm::probeBootLoader()
{
    m_state = StateProbing;
    send([](OutputReport& r) { r[P0] = Probe; });
    // A busy boot loader is asked again every ReplyLimitMs, for as long as it takes.
    while (!pumpUntil([&] { return m_state != StateProbing; }, ReplyLimitMs))
        send([](OutputReport& r) { r[P0] = Probe; });
    if (m_state == StateFailed)
        return Ending::Failed;

    send([](OutputReport& r) { r[P0] = VersionRequest; });
    awaitReply(StateLoaderPresent);
    return m_state == StateFailed ? Ending::Failed : Ending::None;
}

TUpgradeForm::Ending TUpgradeForm::writeBlocks(const FirmwareImage& image)
{
    ShowUpgradeStatus(QStringLiteral("Writing..."), StatusKind::Normal);
    for (int n = FirmwareImage::FirstBlock; n <= FirmwareImage::LastBlock; ++n) {
        setProgress(n);
        const FirmwareImage::Block& block = image.block(n);
        send([&](OutputReport& r) { std::copy(block.begin(), block.end(), r.begin() + P0); });
        awaitReply(quint8(n));
        if (m_state == StateFailed)
            return Ending::Failed;
    }
    return Ending::None;
}

TUpgradeForm::Ending TUpgradeForm::verifyBlocks(const FirmwareImage& image)
{
    ShowUpgradeStatus(QStringLiteral("Verifing..."), StatusKind::Normal);
    for (int n = FirmwareImage::FirstBlock; n <= FirmwareImage::LastBlock; ++n) {
        setProgress(n);
        m_state = StateAwaitingReply;
        send([n](OutputReport& r) {
            r[P0] = VerifyRequest;
            r[P1] = quint8(n);
        });
        awaitReply(StateAwaitingReply);
        if (m_state == StateFailed)
            return Ending::Failed;
        const FirmwareImage::Block& block = image.block(n);
        if (!std::equal(block.begin(), block.end(), m_reply.begin())) {
            m_state = StateFailed;
            return Ending::Failed;
        }
    }
    return Ending::None;
}

TUpgradeForm::Ending TUpgradeForm::finishUpgrade()
{
    m_state = StateAwaitingReply;
    const quint32 writes = m_transport.writesCompleted();
    send([](OutputReport& r) { r[P0] = Finish; });
    return awaitWrite(writes) ? Ending::Done : Ending::Failed;
}

void TUpgradeForm::end(Ending ending)
{
    m_ending = ending;
    switch (ending) {
    case Ending::Refused:
        ShowUpgradeStatus(QString(), StatusKind::Normal);
        break;
    case Ending::Failed:
        ShowUpgradeStatus(QStringLiteral("Error! Try again!"), StatusKind::Error);
        restoreReportHandler();
        break;
    case Ending::OtherBridge:
        break;
    case Ending::Done:
        ShowUpgradeStatus(QStringLiteral("Done."), StatusKind::Normal);
        restoreReportHandler();
        break;
    case Ending::None:
        Q_ASSERT(false);
        break;
    }
    if (ending != Ending::Refused && m_transport.flags().WriteOutstanding) {
        // The reply handler never ends an exchange, so the run's last one is still armed; end
        // it here, or the watchdog would print a time-out for it once the run's flag is down.
        std::lock_guard lock(m_transport.TransferLock());
        m_transport.failOutstandingExchange();
    }
    if (m_pollWasActive)
        m_control.pollTimer().start();
    m_running = false;
    m_transport.flags().ControlReplyExpected = false;
    Q_EMIT programEnabledChanged(true);
    if (m_closeAfterRun)
        Q_EMIT closeRequested();
}
