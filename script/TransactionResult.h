#pragma once

#include "link/PacketCodec.h"
#include "link/TIIC_Packet.h"

#include <QString>

#include <functional>

// The status-window text of one executed transaction ("s A0+ 00+ 01+ p "), every piece
// ending in one blank. The acknowledgement state carries over from one transaction to the
// next; putByte receives the bytes that belong to variables (0xFF for a read that failed).
QString transactionResultText(const TIIC_Packet& t, const InputReport& reply, bool& acknowledged,
                              const std::function<void(int slot, quint8 byte)>& putByte);
