#include "firmware/BootloaderConversion.h"

#include "base/AsciiUpper.h"
#include "firmware/TextLineReader.h"

#include <QFile>

QString NextField(QString& text)
{
    const qsizetype comma = text.indexOf(u',');
    if (comma < 0)
        return {};
    QString field = text.left(comma);
    text.remove(0, comma + 1);
    return field;
}

void BootloaderConversion::addTitle(const QString& fileLine)
{
    m_lines.append(u';' + fileLine);
}

void BootloaderConversion::addRecord(const QString& fileLine)
{
    QString rest = asciiUpper(fileLine);
    const QString address = NextField(rest);
    const QString direction = NextField(rest);
    QString line = (direction == u"WRITE" ? QStringLiteral("W ") : QStringLiteral("R ")) + address;
    if (m_pause)
        line += QStringLiteral(" [DELAY=") + m_pauseValue + QStringLiteral("] ");
    if (NextField(rest) == u"YES") {
        m_pause = true;
        m_pauseValue = NextField(rest);
    } else {
        m_pause = false;
    }
    line += u' ' + rest;
    m_lines.append(line);
}

void BootloaderConversion::finish()
{
    m_lines.append(QStringLiteral(";END"));
    m_completed = true;
}

BootloaderConversion BootloaderConversion::convert(const QStringList& fileLines)
{
    BootloaderConversion conversion;
    conversion.addTitle(fileLines.value(0));
    for (qsizetype i = 1; i < fileLines.size(); ++i)
        conversion.addRecord(fileLines[i]);
    conversion.finish();
    return conversion;
}

BootloaderConversion BootloaderConversion::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        BootloaderConversion conversion;
        conversion.m_error = file.errorString();
        return conversion;
    }
    return read(file);
}

BootloaderConversion BootloaderConversion::read(QIODevice& device)
{
    BootloaderConversion conversion;
    TextLineReader reader(device);
    QString line;
    TextLineReader::Result result = reader.next(line);
    if (result == TextLineReader::Result::End)
        line.clear();
    if (result != TextLineReader::Result::Error) {
        conversion.addTitle(line);
        while ((result = reader.next(line)) == TextLineReader::Result::Line)
            conversion.addRecord(line);
    }
    if (result == TextLineReader::Result::Error) {
        conversion.m_error = reader.errorString();
        return conversion;
    }
    conversion.finish();
    return conversion;
}
