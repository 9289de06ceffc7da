#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

// Takes the text up to the first comma as the field and removes it and the comma from text.
// Without a comma the field is empty and text stays as it is.
QString NextField(QString& text);

// Turns an I2C boot-loader text file into command lines: the title line becomes a comment,
// each record "ADDR,WRITE|READ,YES|NO[,PAUSE],REST" becomes "W ADDR REST" or "R ADDR REST",
// a pause announced by one record goes into the next one as "[DELAY=PAUSE]", and ";END"
// closes a complete conversion. Records are not validated; the syntax check marks the lines
// the command language does not accept.
class BootloaderConversion
{
public:
    // The whole conversion of the file's lines (line 1 the title; none: an empty file).
    static BootloaderConversion convert(const QStringList& fileLines);
    // Reads and converts the file. If it cannot be opened or a read fails, the lines converted
    // until then are kept, ";END" is not added and error() tells why.
    static BootloaderConversion readFile(const QString& path);
    static BootloaderConversion read(QIODevice& device);

    // The editor lines made so far.
    const QStringList& lines() const { return m_lines; }
    // True when the whole file was converted and ";END" added.
    bool completed() const { return m_completed; }
    // The platform's text for the failed open or read; empty when none failed.
    const QString& error() const { return m_error; }

private:
    void addTitle(const QString& fileLine);
    void addRecord(const QString& fileLine);
    void finish();

    QStringList m_lines;
    bool m_completed = false;
    QString m_error;
    // The pause announced by the last record, written into the next one.
    bool m_pause = false;
    QString m_pauseValue;
};
