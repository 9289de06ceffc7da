#include "cli/CliSession.h"

#include "base/EventPump.h"
#include "cli/CliCommand.h"
#include "link/THidDevice.h"

#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {
int interruptPipe[2] = {-1, -1};

void onSigint(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(interruptPipe[1], &c, 1);
}
} // namespace

CliSession::CliSession(const DeviceOptions& options)
    : m_options(options), m_platform(options.createPlatform())
{
    m_model = std::make_unique<MainModel>(*m_platform, m_ui, m_editor, m_status,
                                          MainModel::defaultPaths(QStringLiteral("taviro")));
    // A line is complete once the next one is added, except the line a Send still fills.
    connect(&m_status, &MemoryStatusWindow::lineAdded, this, [this](int index) {
        const int open = m_model->runner().openStatusLine();
        if (m_echo)
            printLines(open >= 0 ? qMin(index, open) : index);
    });
    connect(&m_model->runner(), &ScriptRunner::statusLinesCompleted, this, [this] {
        if (m_echo)
            flushStatus();
    });
    connect(&m_status, &MemoryStatusWindow::cleared, this, [this] { m_printed = 0; });

    if (interruptPipe[0] < 0 && ::pipe(interruptPipe) == 0) {
        auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(interruptPipe[0], &c, 1);
            interrupted();
        });
        std::signal(SIGINT, onSigint);
    }
    m_model->readStartupSettings();
    m_model->FormActivate();
    m_model->start();
}

CliSession::~CliSession()
{
    std::signal(SIGINT, SIG_DFL);
    m_model.reset();
}

void CliSession::interrupted()
{
    if (++m_interrupts > 1) {
        flushStatus();
        cli::out().flush();
        std::_Exit(130);
    }
    if (onInterrupt)
        onInterrupt();
}

bool CliSession::waitForBridge(int deadlineMs)
{
    BridgeList& bridges = m_model->bridges();
    pumpUntil(
        [&] {
            // Bridges already attached arrive with the first enumeration.
            if (bridges.count() == 0)
                return m_model->HIDCtl().EnumerationCount() > 0;
            if (!bridges.SelectedBridge())
                return false;
            for (int i = 0; i < bridges.count(); ++i)
                if (bridges.entry(i)->VersionQueryPending)
                    return false;
            return bridges.SelectedBridge() == bridges.ChosenBridge();
        },
        deadlineMs);
    if (bridges.count() == 0) {
        cli::out().flush();
        cli::err() << "taviro-cli: no bridge found\n";
        cli::err().flush();
        return false;
    }
    if (m_options.bridgeSerial().isEmpty())
        return true;
    QStringList serials;
    for (int i = 0; i < bridges.count(); ++i) {
        THidDevice* device = bridges.entry(i)->Device;
        const QString serial = device ? device->SerialNumber() : QString();
        if (serial == m_options.bridgeSerial()) {
            m_model->ListBox1Click(i);
            return pumpUntil([&] { return bridges.SelectedBridge() == bridges.entry(i); }, 1000);
        }
        serials << serial;
    }
    cli::out().flush();
    cli::err() << "taviro-cli: no bridge with serial number '" << m_options.bridgeSerial()
               << "'; present: " << serials.join(QStringLiteral(", ")) << "\n";
    cli::err().flush();
    return false;
}

void CliSession::printLines(int upTo)
{
    const QStringList lines = m_status.lines();
    for (; m_printed < upTo && m_printed < lines.size(); ++m_printed)
        cli::out() << lines[m_printed] << "\n";
    cli::out().flush();
}

void CliSession::flushStatus()
{
    printLines(m_status.lineCount());
}
