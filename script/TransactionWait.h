#pragma once

#include "link/TIIC_Packet.h"

struct ExecutionState;
class Transport;

// One transaction as Send and the bus scan run it: waits, processing events, until the link is
// free, starts the packet, then waits until its reply arrived (ReplyReceived), its exchange
// failed (TransferFailed) or Reset asked to abort (AbortRequested). The caller reads and clears
// the flags. Without a selected bridge nothing is sent and the exchange counts as failed.
void exchangeTransaction(Transport& transport, const ExecutionState& execution,
                         const TIIC_Packet& packet);
