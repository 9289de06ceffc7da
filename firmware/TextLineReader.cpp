#include "firmware/TextLineReader.h"

#include <QIODevice>

#include <algorithm>

namespace {
constexpr qint64 ChunkSize = 16 * 1024;
}

TextLineReader::TextLineReader(QIODevice& device) : m_device(device) {}

bool TextLineReader::fill()
{
    m_buffer.remove(0, m_pos);
    m_scan -= m_pos;
    m_pos = 0;
    const qsizetype old = m_buffer.size();
    m_buffer.resize(old + ChunkSize);
    const qint64 n = m_device.read(m_buffer.data() + old, ChunkSize);
    m_buffer.resize(old + std::max<qint64>(n, 0));
    if (n < 0) {
        m_failed = true;
        m_error = m_device.errorString();
        return false;
    }
    if (n == 0)
        m_atEnd = true;
    return true;
}

TextLineReader::Result TextLineReader::next(QString& line)
{
    for (;;) {
        if (m_failed)
            return Result::Error;
        const qsizetype size = m_buffer.size();
        qsizetype end = m_scan;
        while (end < size && m_buffer[end] != '\r' && m_buffer[end] != '\n')
            ++end;
        // A CR at the end of the buffer may be the first half of a CR LF still unread.
        const bool crAtBufferEnd = end == size - 1 && m_buffer[end] == '\r' && !m_atEnd;
        m_scan = end;
        if (end < size && !crAtBufferEnd) {
            line = QString::fromLocal8Bit(m_buffer.constData() + m_pos, end - m_pos);
            qsizetype after = end + 1;
            if (m_buffer[end] == '\r' && after < size && m_buffer[after] == '\n')
                ++after;
            m_pos = m_scan = after;
            return Result::Line;
        }
        if (m_atEnd) {
            if (m_pos == size)
                return Result::End;
            line = QString::fromLocal8Bit(m_buffer.constData() + m_pos, size - m_pos);
            m_pos = m_scan = size;
            return Result::Line;
        }
        if (!fill())
            return Result::Error;
    }
}
