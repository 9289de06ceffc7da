#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Text lines kept compactly: the characters of all lines in large UTF-8 blocks and one small
// record per line, so that a million status lines cost little more than their text. Appending
// to the last line grows it in place; changing an earlier line moves it to the end of the
// text (the old bytes stay unused until the store is cleared).
class LineStore
{
public:
    static constexpr qsizetype BlockBytes = 256 * 1024;

    qsizetype count() const { return qsizetype(m_entries.size()); }
    // Empty for an index outside the store.
    QString line(qsizetype index) const;
    QStringList lines() const;
    // At least the length of the longest line in characters.
    qsizetype longestLine() const { return m_longest; }

    void append(const QString& text);
    // Appends text to line index; nothing happens for an index outside the store.
    void appendTo(qsizetype index, const QString& text);
    void clear();

    // Heap bytes the store holds for its text and line records.
    qsizetype memoryBytes() const;

private:
    struct Entry
    {
        quint32 block = 0;
        quint32 offset = 0;
        quint32 length = 0; // bytes
    };

    // Copies bytes to the end of the text and returns where they are.
    Entry place(const char* data, qsizetype size);

    std::vector<QByteArray> m_blocks;
    std::vector<Entry> m_entries;
    qsizetype m_longest = 0;
};
