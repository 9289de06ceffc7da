#include "base/LineStore.h"

#include <algorithm>

QString LineStore::line(qsizetype index) const
{
    if (index < 0 || index >= count())
        return {};
    const Entry& e = m_entries[size_t(index)];
    return QString::fromUtf8(m_blocks[e.block].constData() + e.offset, e.length);
}

QStringList LineStore::lines() const
{
    QStringList result;
    result.reserve(count());
    for (qsizetype i = 0; i < count(); ++i)
        result.append(line(i));
    return result;
}

LineStore::Entry LineStore::place(const char* data, qsizetype size)
{
    if (m_blocks.empty() || m_blocks.back().capacity() - m_blocks.back().size() < size) {
        QByteArray block;
        block.reserve(std::max(BlockBytes, size));
        m_blocks.push_back(std::move(block));
    }
    QByteArray& block = m_blocks.back();
    const Entry e{quint32(m_blocks.size() - 1), quint32(block.size()), quint32(size)};
    block.append(data, size);
    return e;
}

void LineStore::append(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    m_entries.push_back(place(bytes.constData(), bytes.size()));
    m_longest = std::max<qsizetype>(m_longest, bytes.size());
}

void LineStore::appendTo(qsizetype index, const QString& text)
{
    if (index < 0 || index >= count() || text.isEmpty())
        return;
    const QByteArray bytes = text.toUtf8();
    Entry& e = m_entries[size_t(index)];
    QByteArray& block = m_blocks[e.block];
    const bool atEnd = e.block == m_blocks.size() - 1 && e.offset + e.length == block.size();
    if (atEnd && block.capacity() - block.size() >= bytes.size()) {
        // The last line written grows where it is (Repeat appends to it all the time).
        block.append(bytes);
        e.length += quint32(bytes.size());
    } else {
        const QByteArray joined = QByteArray(block.constData() + e.offset, e.length) + bytes;
        e = place(joined.constData(), joined.size());
    }
    m_longest = std::max<qsizetype>(m_longest, e.length);
}

void LineStore::clear()
{
    m_blocks.clear();
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_longest = 0;
}

qsizetype LineStore::memoryBytes() const
{
    qsizetype bytes = qsizetype(m_entries.capacity() * sizeof(Entry)) +
                      qsizetype(m_blocks.capacity() * sizeof(QByteArray));
    for (const QByteArray& block : m_blocks)
        bytes += block.capacity();
    return bytes;
}
