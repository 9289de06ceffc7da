#include "cli/MakeImageCommand.h"

#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareImageWriter.h"

#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <optional>

namespace {

void printHelp()
{
    cli::out() << "usage: taviro-cli " << MakeImageCommand.synopsis << "\n"
               << MakeImageCommand.summary << "\n\n"
               << "The image holds 64-byte data records from address 0 upward (line N holds\n"
                  "address 64 * N, lines count from 0), a payload made from the seed, the\n"
                  "version block (major, minor, 00, A5) at 2CC4 and an end-of-file record.\n\n"
               << "  --version MAJOR.MINOR  firmware version, each number 0 to 255\n"
               << "  --lines N              data records, 1 to "
               << FirmwareImageWriter::MaximumDataLines << " (default "
               << FirmwareImageWriter::DefaultDataLines << "; fewer than "
               << FirmwareImage::CheckedLines - 1 << " is refused)\n"
               << "  --seed N               payload seed (default 1)\n"
               << "  --bad-checksum LINE    spoil the checksum of this line\n"
               << "  --wrong-address        put the version line at another address\n"
               << "  --no-marker            leave out the 00 A5 after the version\n"
               << "  -o, --output FILE      write FILE (default: standard output)\n";
    cli::out().flush();
}

// "--name value" or "--name=value": the value, with index moved past it; no value when
// args[index] is not this option. missing is set when the value is absent.
std::optional<QString> optionValue(const QStringList& args, qsizetype& index, QStringView name,
                                   QStringView shortName, bool& missing)
{
    const QString& arg = args[index];
    if (arg == name || (!shortName.isEmpty() && arg == shortName)) {
        if (index + 1 >= args.size()) {
            missing = true;
            return QString();
        }
        index += 2;
        return args[index - 1];
    }
    if (arg.startsWith(name) && arg.size() > name.size() && arg[name.size()] == u'=') {
        ++index;
        return arg.mid(name.size() + 1);
    }
    return std::nullopt;
}

std::optional<long long> number(const QString& text, long long low, long long high)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

int runMakeImageCommand(const QStringList& args)
{
    std::optional<FirmwareVersion> version;
    int lines = FirmwareImageWriter::DefaultDataLines;
    quint32 seed = 1;
    int badChecksumLine = -1;
    bool wrongAddress = false;
    bool noMarker = false;
    QString outputPath;

    const CliCommand& command = MakeImageCommand;
    for (qsizetype i = 0; i < args.size();) {
        const QString& arg = args[i];
        if (arg == u"--help" || arg == u"-h") {
            printHelp();
            return 0;
        }
        if (arg == u"--wrong-address" || arg == u"--no-marker") {
            (arg == u"--wrong-address" ? wrongAddress : noMarker) = true;
            ++i;
            continue;
        }
        bool missing = false;
        if (const auto v = optionValue(args, i, u"--version", {}, missing)) {
            static const QRegularExpression Form(QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})$"));
            const QRegularExpressionMatch m = Form.match(*v);
            const auto major = m.hasMatch() ? number(m.captured(1), 0, 255) : std::nullopt;
            const auto minor = m.hasMatch() ? number(m.captured(2), 0, 255) : std::nullopt;
            if (missing || !major || !minor)
                return cli::usageError(command, QStringLiteral("--version needs MAJOR.MINOR, "
                                                               "each 0 to 255"));
            version = FirmwareVersion{static_cast<quint8>(*major), static_cast<quint8>(*minor)};
        } else if (const auto v = optionValue(args, i, u"--lines", {}, missing)) {
            const auto n = number(*v, 1, FirmwareImageWriter::MaximumDataLines);
            if (missing || !n)
                return cli::usageError(command,
                                       QStringLiteral("--lines needs a number from 1 to %1")
                                           .arg(FirmwareImageWriter::MaximumDataLines));
            lines = static_cast<int>(*n);
        } else if (const auto v = optionValue(args, i, u"--seed", {}, missing)) {
            const auto n = number(*v, 0, 0xFFFFFFFFll);
            if (missing || !n)
                return cli::usageError(command, QStringLiteral("--seed needs a number from 0 "
                                                               "to 4294967295"));
            seed = static_cast<quint32>(*n);
        } else if (const auto v = optionValue(args, i, u"--bad-checksum", {}, missing)) {
            const auto n = number(*v, 0, FirmwareImageWriter::MaximumDataLines);
            if (missing || !n)
                return cli::usageError(command, QStringLiteral("--bad-checksum needs a line "
                                                               "number"));
            badChecksumLine = static_cast<int>(*n);
        } else if (const auto v = optionValue(args, i, u"--output", u"-o", missing)) {
            if (missing || v->isEmpty())
                return cli::usageError(command, QStringLiteral("--output needs a file name"));
            outputPath = *v;
        } else {
            return cli::usageError(command,
                                   arg.startsWith(u'-')
                                       ? QStringLiteral("unknown option '%1'").arg(arg)
                                       : QStringLiteral("unexpected argument '%1'").arg(arg));
        }
    }
    if (!version)
        return cli::usageError(command, QStringLiteral("--version is required"));
    if (badChecksumLine > lines)
        return cli::usageError(
            command, QStringLiteral("--bad-checksum: the image has lines 0 to %1").arg(lines));

    FirmwareImageWriter writer(*version);
    writer.setDataLines(lines);
    writer.setSeed(seed);
    writer.setBadChecksumLine(badChecksumLine);
    if (wrongAddress)
        writer.setVersionLineAddress(FirmwareImage::VersionLineAddress - 0x40);
    if (noMarker)
        writer.setVersionMarker(0xFF, 0xFF);

    if (outputPath.isEmpty() || outputPath == u"-") {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(writer.hexText()) < 0) {
            cli::err() << "taviro-cli: cannot write to standard output\n";
            cli::err().flush();
            return 1;
        }
        return 0;
    }
    QString error;
    if (!writer.writeFile(outputPath, error)) {
        cli::err() << "taviro-cli: cannot write '" << outputPath << "': " << error << "\n";
        cli::err().flush();
        return 1;
    }
    return 0;
}
