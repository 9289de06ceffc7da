#include "script/BusScan.h"

#include "app/MainModel.h"
#include "base/Hex2.h"
#include "base/StatusWindow.h"
#include "link/BridgeCommands.h"
#include "link/PacketCodec.h"
#include "script/TransactionWait.h"

namespace {
constexpr int AddressCount = 0x80;
} // namespace

BusScan::BusScan(MainModel& model) : m_model(model) {}

void BusScan::AcListExecute()
{
    LinkFlags& flags = m_model.flags();
    StatusWindow& status = m_model.statusWindow();
    m_model.execution().ListBusy = true;
    m_model.UpdateActions();
    m_model.setPanel(2, QStringLiteral("wait..."));
    m_found.clear();
    m_aborted = false;

    for (int a = 0; a < AddressCount; ++a) {
        exchangeTransaction(flags, m_model.transport(), BridgeCommands::busScanProbe(quint8(a)));
        // A probe that failed or timed out counts as no device there.
        const bool failed = flags.TransferFailed.exchange(false);
        if (flags.AbortRequested) {
            m_aborted = true;
            m_model.ClearRunFlags();
            m_model.UpdateActions();
            m_model.focusEditorIfShown();
            return;
        }
        flags.ReplyReceived = false;
        if (failed || !addressAcknowledged(m_model.transport().inputReport()))
            continue;
        if (m_found.isEmpty()) {
            status.addLine(QStringLiteral("Devices list:  8bit  7bit  "));
            m_model.setFirstFoundAddress(quint8(a));
        }
        m_found.append(quint8(a));
        status.addLine(QStringLiteral("  address :    ") + hex2(a * 2) + QStringLiteral("    ") +
                       hex2(a));
        status.scrollToEnd();
    }
    if (m_found.isEmpty())
        status.addLine(QStringLiteral("No devices found"));
    status.scrollToEnd();
    m_model.focusEditorIfShown();
    m_model.execution().ListBusy = false;
    m_model.UpdateActions();
    m_model.setPanel(2, QStringLiteral("ok"));
}
