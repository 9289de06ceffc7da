#pragma once

#include "link/TIIC_Packet.h"

#include <QByteArray>
#include <QtGlobal>

#include <utility>
#include <vector>

class CaptureState;
class QIODevice;

// The read-back of a capture file: records of a status byte and n data bytes, back to back,
// no header. The records' bytes are kept for the File tab, which renders its lines from them,
// and the bytes the burst request maps to variables are decoded into the chart series. The caller
// brackets the read with the capture's bulk decoding (BeginBurstDecode ... FinishBurstDecode).
class BurstReadBack
{
public:
    // request: the burst request with its byte map; dataCount: n, 1..63.
    BurstReadBack(CaptureState& capture, const TIIC_Packet& request, int dataCount);

    // Reads and decodes up to records whole records from in into bytes (which then holds
    // exactly the records read). False when a read failed or the data ended early; the records
    // read until then are kept.
    bool read(QIODevice& in, qint64 records, QByteArray& bytes);
    // Records read and decoded by the last read().
    qint64 records() const { return m_records; }

private:
    CaptureState& m_capture;
    const int m_recordBytes;
    // The record bytes that belong to variables, and their raw slots.
    std::vector<std::pair<int, int>> m_mapped;
    qint64 m_records = 0;
};
