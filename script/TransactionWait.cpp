#include "script/TransactionWait.h"

#include "base/EventPump.h"
#include "link/LinkFlags.h"
#include "link/Transport.h"

void exchangeTransaction(LinkFlags& flags, Transport& transport, const TIIC_Packet& packet)
{
    pumpUntil([&] { return !flags.WriteOutstanding; });
    transport.StartTransfer(packet);
    // Without a bridge nothing was sent and no reply will come.
    if (!transport.device())
        flags.TransferFailed = true;
    pumpUntil([&] { return flags.ReplyReceived || flags.AbortRequested || flags.TransferFailed; });
}
