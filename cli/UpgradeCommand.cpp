#include "cli/UpgradeCommand.h"

#include "base/EventPump.h"
#include "cli/CliSession.h"
#include "firmware/TUpgradeForm.h"
#include "link/THidDevice.h"

#include <QFileInfo>
#include <QTimer>

#include <memory>

#include <unistd.h>

namespace {

// How long the bridge may take to come back running its new firmware and report its version.
constexpr int ReturnLimitMs = 10'000;
// How long the bridges present at the start may take to be listed with their versions.
constexpr int ListingLimitMs = 3000;
constexpr int ProgressBarWidth = 40;

void printHelp()
{
    cli::out() << "usage: taviro-cli " << UpgradeCommand.synopsis << "\n"
               << UpgradeCommand.summary << "\n\n"
               << "  FILE.hex          the firmware image; its first 184 lines are checked before\n"
               << "                    anything is sent\n"
               << "  --yes             answer the question before a downgrade with OK (without a\n"
               << "                    terminal it is answered Cancel)\n"
               << "  --timeout S       give up when no boot loader has answered within S seconds\n"
               << "                    (default: wait until interrupted)\n"
               << "  --simulate[=N]    N simulated bridges instead of the system's\n"
               << "  --bridge SERIAL   the bridge to upgrade (default: the first one found)\n\n"
               << "Prints each status text. Exit 0 when the upgrade is done and the bridge is\n"
               << "back running the new image, 1 otherwise, 2 on bad usage.\n";
    cli::out().flush();
}

// The "Upgrade Firmware" dialog on the terminal: status texts on stdout, the progress bar on
// stderr when that is a terminal.
class UpgradeView
{
public:
    explicit UpgradeView(TUpgradeForm& form) : m_form(form), m_bar(isatty(STDERR_FILENO) == 1)
    {
        QObject::connect(&form, &TUpgradeForm::statusChanged, [this] { printStatus(); });
        QObject::connect(&form, &TUpgradeForm::versionTextsChanged, [this] { printVersions(); });
        QObject::connect(&form, &TUpgradeForm::progressChanged,
                         [this](int position) { drawBar(position); });
    }

    void endBar()
    {
        if (!m_barShown)
            return;
        cli::err() << "\n";
        cli::err().flush();
        m_barShown = false;
    }

private:
    void print(const QString& text)
    {
        if (text.isEmpty())
            return;
        endBar();
        cli::out() << text << "\n";
        cli::out().flush();
    }

    void printStatus()
    {
        const QString text = m_form.Label2().isEmpty() ? m_form.Label1() : m_form.Label2();
        if (text != m_status)
            print(text);
        m_status = text;
    }

    void printVersions()
    {
        if (m_form.FirmVersion() != m_firmVersion)
            print(m_form.FirmVersion());
        if (m_form.BootVersion() != m_bootVersion)
            print(m_form.BootVersion());
        m_firmVersion = m_form.FirmVersion();
        m_bootVersion = m_form.BootVersion();
    }

    void drawBar(int position)
    {
        if (!m_bar || !m_form.running() || m_status.isEmpty())
            return;
        const int span = TUpgradeForm::ProgressMaximum - TUpgradeForm::ProgressMinimum;
        const int done = position - TUpgradeForm::ProgressMinimum;
        const int filled = done * ProgressBarWidth / span;
        cli::err() << "\r" << m_status << " [" << QString(filled, u'#')
                   << QString(ProgressBarWidth - filled, u'.') << "] " << done + 1 << "/"
                   << span + 1;
        cli::err().flush();
        m_barShown = true;
    }

    TUpgradeForm& m_form;
    const bool m_bar;
    bool m_barShown = false;
    QString m_status;
    QString m_firmVersion;
    QString m_bootVersion;
};

// The bridge with that serial once it runs firmware whose version it has reported.
const THIDBridge* returnedBridge(BridgeList& bridges, const QString& serial)
{
    for (int i = 0; i < bridges.count(); ++i) {
        const THIDBridge* b = bridges.entry(i);
        if (b->Device && b->Device->SerialNumber() == serial && !b->VersionQueryPending &&
            b->versionKnown())
            return b;
    }
    return nullptr;
}

} // namespace

int runUpgradeCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        printHelp();
        return 0;
    }
    DeviceOptions device;
    QString error;
    if (!device.parse(args, &error))
        return cli::usageError(UpgradeCommand, error);
    bool yes = false;
    int timeoutMs = -1;
    for (qsizetype i = 0; i < args.size();) {
        QString text;
        if (args[i] == u"--yes") {
            yes = true;
            args.removeAt(i);
        } else if (cli::takeValue(args, i, QStringLiteral("--timeout"), text)) {
            bool ok = false;
            const double seconds = text.toDouble(&ok);
            if (!ok || seconds <= 0 || seconds > 24 * 3600)
                return cli::usageError(UpgradeCommand,
                                       QStringLiteral("--timeout takes seconds, up to a day"));
            timeoutMs = int(seconds * 1000);
        } else if (args[i].startsWith(u"--")) {
            return cli::usageError(UpgradeCommand,
                                   QStringLiteral("unknown option '%1'").arg(args[i]));
        } else {
            ++i;
        }
    }
    if (args.size() != 1 || args.first().isEmpty())
        return cli::usageError(UpgradeCommand, QStringLiteral("one firmware file expected"));
    const QString path = QFileInfo(args.first()).absoluteFilePath();

    CliSession session(device);
    session.ui().setAssumeYes(yes);
    MainModel& model = session.model();
    BridgeList& bridges = model.bridges();
    if (!device.bridgeSerial().isEmpty()) {
        if (!session.waitForBridge(ListingLimitMs))
            return 1;
    } else {
        // Without bridges the run waits for a boot loader to be attached.
        pumpUntil(
            [&] {
                if (bridges.count() == 0)
                    return model.HIDCtl().EnumerationCount() > 0;
                if (!bridges.SelectedBridge())
                    return false;
                for (int i = 0; i < bridges.count(); ++i)
                    if (bridges.entry(i)->VersionQueryPending)
                        return false;
                return true;
            },
            ListingLimitMs);
    }
    pumpUntil([&] { return !model.flags().WriteOutstanding; }, ListingLimitMs);

    const std::unique_ptr<TUpgradeForm> upgrade = model.createUpgradeForm();
    TUpgradeForm& form = *upgrade;
    UpgradeView view(form);
    form.chooseFirmwareFile(path);
    form.FormActivate();
    session.onInterrupt = [&] { form.Button3Click(); };

    // Up to the first block written, a run can wait for a boot loader for as long as it takes.
    QTimer giveUp;
    giveUp.setSingleShot(true);
    if (timeoutMs > 0) {
        QObject::connect(&giveUp, &QTimer::timeout, [&] {
            if (form.running() && form.BootVersion().isEmpty()) {
                cli::err() << "taviro-cli: no boot loader answered within the time-out\n";
                cli::err().flush();
                form.Button3Click();
            }
        });
        giveUp.start(timeoutMs);
    }
    const QString serialBefore = bridges.SelectedBridge() && bridges.SelectedBridge()->Device
                                     ? bridges.SelectedBridge()->Device->SerialNumber()
                                     : QString();
    QString loaderSerial;
    QObject::connect(&form, &TUpgradeForm::statusChanged, [&] {
        // The boot loader the blocks go to is the bridge that comes back.
        if (form.Label1() == u"Writing..." && bridges.SelectedBridge() &&
            bridges.SelectedBridge()->Device)
            loaderSerial = bridges.SelectedBridge()->Device->SerialNumber();
    });
    form.Button1Click();
    giveUp.stop();
    view.endBar();
    if (form.lastEnding() != TUpgradeForm::Ending::Done)
        return 1;

    const QString serial = loaderSerial.isEmpty() ? serialBefore : loaderSerial;
    const THIDBridge* back = nullptr;
    pumpUntil([&] { return (back = returnedBridge(bridges, serial)) != nullptr; }, ReturnLimitMs);
    if (!back) {
        cli::err() << "taviro-cli: the bridge " << serial
                   << " did not come back running the new firmware\n";
        cli::err().flush();
        return 1;
    }
    cli::out() << bridges.entryText(*back) << "\n";
    cli::out().flush();
    return 0;
}
