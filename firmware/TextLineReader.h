#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Reads 8-bit text lines (locale encoding; CR LF, LF or a lone CR) from an open, blocking
// device such as a file or standard input, telling a failed read apart from the end of the
// data so that a caller can keep what it read before the failure.
class TextLineReader
{
public:
    enum class Result { Line, End, Error };

    explicit TextLineReader(QIODevice& device);

    // The next line without its line end. A line end at the very end of the data does not
    // start another, empty line. After an Error every call returns Error.
    Result next(QString& line);

    // The device's text for the failed read.
    QString errorString() const { return m_error; }

private:
    // Reads the next chunk; false on a failed read.
    bool fill();

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_pos = 0;  // start of the unread part of m_buffer
    qsizetype m_scan = 0; // where the search for the line end goes on, so a long line is
                          // searched once and not again after every chunk
    bool m_atEnd = false;
    bool m_failed = false;
    QString m_error;
};
