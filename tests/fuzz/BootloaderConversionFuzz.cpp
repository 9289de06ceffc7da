// The I2C boot-loader text file: any bytes through the file reader, which must convert the
// file's lines exactly as the conversion of those lines does, and the resulting script
// through the syntax check that the program runs on it.

#include "FuzzSupport.h"
#include "TextLines.h"

#include "data/VariableDefinitions.h"
#include "firmware/BootloaderConversion.h"
#include "script/CheckScript.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const VariableDefinitions variables;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const BootloaderConversion read = BootloaderConversion::read(buffer);
    FUZZ_CHECK(read.completed() && read.error().isEmpty());
    const QStringList lines = textLines(bytes);
    const BootloaderConversion converted = BootloaderConversion::convert(lines);
    FUZZ_CHECK(read.lines() == converted.lines());
    // A title line (perhaps empty), one line per record, ";END".
    FUZZ_CHECK(read.lines().size() == std::max<qsizetype>(lines.size(), 1) + 1);
    FUZZ_CHECK(read.lines().first().startsWith(u';'));
    FUZZ_CHECK(read.lines().last() == QLatin1String(";END"));
    CheckScript(read.lines(), variables);
    return 0;
}
