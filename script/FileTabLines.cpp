#include "script/FileTabLines.h"

#include "base/HexText.h"

#include <algorithm>
#include <array>
#include <iterator>

void FileTabLines::appendRecords(QByteArray bytes, int recordBytes)
{
    if (recordBytes < 1 || bytes.size() < recordBytes)
        return;
    const qsizetype count = bytes.size() / recordBytes;
    bytes.truncate(count * recordBytes);
    const qsizetype first = m_lineCount;
    m_blocks.push_back({std::move(bytes), recordBytes, first});
    m_lineCount += count;
    m_longest = std::max(m_longest, qsizetype(3) * recordBytes);
    Q_EMIT appended(first, count);
}

void FileTabLines::clear()
{
    m_blocks.clear();
    m_lineCount = 0;
    m_longest = 0;
    Q_EMIT cleared();
}

QString FileTabLines::line(qsizetype index) const
{
    if (index < 0 || index >= m_lineCount)
        return {};
    const auto block =
        std::prev(std::upper_bound(m_blocks.begin(), m_blocks.end(), index,
                                   [](qsizetype i, const Block& b) { return i < b.firstLine; }));
    const int n = block->recordBytes;
    const auto* record =
        reinterpret_cast<const quint8*>(block->bytes.constData()) + (index - block->firstLine) * n;
    const std::array<QString, 256>& hex = HexText();
    QString text(3 * n, Qt::Uninitialized);
    QChar* out = text.data();
    for (int b = 0; b < n; ++b, out += 3)
        std::copy_n(hex[record[b]].constData(), 3, out);
    return text;
}

void FileTabLines::setShown(bool shown)
{
    if (m_shown == shown)
        return;
    m_shown = shown;
    Q_EMIT shownChanged();
}
