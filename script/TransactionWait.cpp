#include "script/TransactionWait.h"

#include "base/EventPump.h"
#include "link/LinkFlags.h"
#include "link/Transport.h"
#include "script/ExecutionState.h"

void exchangeTransaction(Transport& transport, const ExecutionState& execution,
                         const TIIC_Packet& packet)
{
    LinkFlags& flags = transport.flags();
    pumpUntil([&] { return !flags.WriteOutstanding; });
    transport.StartTransfer(packet);
    // Without a bridge nothing was sent and no reply will come.
    if (!transport.device())
        flags.TransferFailed = true;
    pumpUntil([&] {
        return execution.ReplyReceived || execution.AbortRequested || flags.TransferFailed;
    });
}
