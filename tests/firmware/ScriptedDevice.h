#pragma once

#include <QIODevice>

#include <algorithm>

// A read-only device that hands out its bytes in chunks of at most chunkSize and fails every
// read from byte failAt on, like a disk that stops answering half-way through a file.
class ScriptedDevice : public QIODevice
{
public:
    explicit ScriptedDevice(QByteArray bytes, qint64 failAt = -1, qint64 chunkSize = 1 << 20)
        : m_bytes(std::move(bytes)), m_failAt(failAt), m_chunkSize(chunkSize)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_failAt >= 0 && m_pos >= m_failAt) {
            setErrorString(QStringLiteral("Input/output error"));
            return -1;
        }
        qint64 n = std::min({maxSize, m_chunkSize, qint64(m_bytes.size()) - m_pos});
        if (m_failAt >= 0)
            n = std::min(n, m_failAt - m_pos);
        std::copy_n(m_bytes.constData() + m_pos, n, data);
        m_pos += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_failAt;
    qint64 m_chunkSize;
    qint64 m_pos = 0;
};
