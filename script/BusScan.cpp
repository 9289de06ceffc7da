#include "script/BusScan.h"

#include "base/Hex2.h"
#include "base/StatusWindow.h"
#include "link/BridgeCommands.h"
#include "link/LinkFlags.h"
#include "link/PacketCodec.h"
#include "link/Transport.h"
#include "script/Execution.h"
#include "script/TransactionWait.h"

namespace {
constexpr int AddressCount = 0x80;
} // namespace

BusScan::BusScan(Execution& execution, Transport& transport, StatusWindow& statusWindow)
    : m_execution(execution), m_transport(transport), m_statusWindow(statusWindow)
{}

void BusScan::AcListExecute()
{
    LinkFlags& flags = m_transport.flags();
    ExecutionState& e = m_execution.state();
    StatusWindow& status = m_statusWindow;
    m_execution.begin(Execution::Run::List);
    m_found.clear();
    m_aborted = false;

    for (int a = 0; a < AddressCount; ++a) {
        exchangeTransaction(m_transport, e, BridgeCommands::busScanProbe(quint8(a)));
        // A probe that failed or timed out counts as no device there.
        const bool failed = flags.TransferFailed.exchange(false);
        if (e.AbortRequested) {
            m_aborted = true;
            m_execution.end();
            return;
        }
        e.ReplyReceived = false;
        if (failed || !addressAcknowledged(m_transport.inputReport()))
            continue;
        if (m_found.isEmpty()) {
            status.addLine(QStringLiteral("Devices list:  8bit  7bit  "));
            m_firstFoundAddress = quint8(a);
        }
        m_found.append(quint8(a));
        status.addLine(QStringLiteral("  address :    ") + hex2(a * 2) + QStringLiteral("    ") +
                       hex2(a));
        status.scrollToEnd();
    }
    if (m_found.isEmpty())
        status.addLine(QStringLiteral("No devices found"));
    status.scrollToEnd();
    m_execution.end(QStringLiteral("ok"));
}
