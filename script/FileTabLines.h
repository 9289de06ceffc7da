#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <vector>

// The File tab's read-only text: one line per record of the last burst read-back, each byte as
// HexText shows it ("01 12 34 56 "). It keeps the records' bytes, not their text, and renders a
// line when a view asks for it: a million records of three bytes take 3 MB instead of a
// string each. Views follow it through its signals; it is hidden while a burst runs. GUI
// thread only.
class FileTabLines : public QObject
{
    Q_OBJECT

public:
    // Appends the records in bytes, recordBytes (1 to 64) each; a trailing partial record is
    // left out.
    void appendRecords(QByteArray bytes, int recordBytes);
    void clear();

    qsizetype lineCount() const { return m_lineCount; }
    QString line(qsizetype index) const;
    // Characters of the longest line.
    qsizetype longestLine() const { return m_longest; }

    bool isShown() const { return m_shown; }
    void setShown(bool shown);

Q_SIGNALS:
    // Lines first .. first + count - 1 were added at the end.
    void appended(qsizetype first, qsizetype count);
    void cleared();
    void shownChanged();

private:
    // Records of one size; a read-back appends one block.
    struct Block
    {
        QByteArray bytes;
        int recordBytes = 1;
        qsizetype firstLine = 0;
    };

    std::vector<Block> m_blocks;
    qsizetype m_lineCount = 0;
    qsizetype m_longest = 0;
    bool m_shown = true;
};
