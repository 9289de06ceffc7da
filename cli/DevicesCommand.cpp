#include "cli/DevicesCommand.h"

#include "app/DeviceOptions.h"
#include "base/EventPump.h"
#include "link/THidDevice.h"
#include "link/THidDeviceController.h"

#include <QSet>

#include <cerrno>

namespace {

constexpr int EnumerationWaitMs = 5000;

struct Row
{
    QString path;
    QString identity;
    THidAttributes attributes;
    QString serial;
    THidCaps caps;
    bool readWrite = false;
    quint32 openError = 0;
};

bool isBridge(const THidAttributes& a)
{
    return a.VendorID == TAVIRO_BRIDGE_VID && a.ProductID == TAVIRO_BRIDGE_PID &&
           a.VersionNumber == 0x0000;
}

QString hex4(quint16 value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

void printPermissionHint(QTextStream& out)
{
    out << "    permission denied: give the logged-in user access to the bridge with the udev "
           "rule\n"
           "    (built as packaging/60-taviro.rules in the build folder; it holds these lines):\n";
    for (const QString& line : bridgeUdevRule().split(u'\n', Qt::SkipEmptyParts))
        out << "      " << line << '\n';
    out << "    install it and reload the rules, then plug the bridge in again:\n"
           "      sudo install -m 644 build/packaging/60-taviro.rules /etc/udev/rules.d/\n"
           "      sudo udevadm control --reload-rules && sudo udevadm trigger\n";
}

int run(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions options;
    QString error;
    if (!options.parse(args, &error))
        return cli::usageError(DevicesCommand, error);
    if (!args.isEmpty())
        return cli::usageError(DevicesCommand,
                               QStringLiteral("unexpected argument '%1'").arg(args.first()));
    std::unique_ptr<HidPlatform> platform = options.createPlatform();
    return listDevices(*platform, options.bridgeSerial(), cli::out(), cli::err());
}

} // namespace

QString bridgeUdevRule()
{
    const QString vid = QStringLiteral("%1").arg(TAVIRO_BRIDGE_VID, 4, 16, QLatin1Char('0'));
    const QString pid = QStringLiteral("%1").arg(TAVIRO_BRIDGE_PID, 4, 16, QLatin1Char('0'));
    return QStringLiteral(
               "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", "
               "TAG+=\"uaccess\"\n"
               "SUBSYSTEM==\"usb\", ENV{DEVTYPE}==\"usb_device\", ATTR{idVendor}==\"%1\", "
               "ATTR{idProduct}==\"%2\", TAG+=\"uaccess\"\n")
        .arg(vid, pid);
}

int listDevices(HidPlatform& platform, const QString& bridgeSerial, QTextStream& out,
                QTextStream& err)
{
    QList<Row> rows;
    THidDeviceController controller(platform);
    // The serial number and the report lengths can be read while the arrival runs.
    controller.setOnArrival([&](THidDevice* device) {
        Row row;
        row.path = device->PnPInfo().DevicePath;
        row.identity = device->PnPInfo().DevInst;
        row.attributes = device->Attributes();
        row.serial = device->SerialNumber();
        row.caps = device->Caps();
        row.readWrite = device->ReadWriteAllowed();
        row.openError = device->OpenError();
        rows.append(row);
    });
    controller.start();
    if (!controller.PlatformStarted()) {
        err << "taviro-cli: HID devices cannot be listed: the device platform did not "
               "start (is libudev available?)\n";
        return 1;
    }
    pumpUntil([&] { return controller.EnumerationCount() > 0; }, EnumerationWaitMs);

    QSet<QString> listed;
    for (const Row& row : rows)
        listed.insert(row.identity);
    QList<HidInterfaceInfo> unopenable;
    for (const HidInterfaceInfo& info : platform.enumerate())
        if (!listed.contains(info.identity))
            unopenable.append(info);

    if (!bridgeSerial.isEmpty()) {
        rows.removeIf([&](const Row& r) { return r.serial != bridgeSerial; });
        unopenable.clear();
    }

    if (rows.isEmpty() && unopenable.isEmpty()) {
        out << (bridgeSerial.isEmpty()
                    ? QStringLiteral("No HID devices found.\n")
                    : QStringLiteral("No HID device with serial number %1.\n").arg(bridgeSerial));
        out.flush();
        return bridgeSerial.isEmpty() ? 0 : 1;
    }

    int pathWidth = 4;
    int serialWidth = 6;
    for (const Row& row : rows) {
        pathWidth = std::max(pathWidth, int(row.path.size()));
        serialWidth = std::max(serialWidth, int(row.serial.size()));
    }
    for (const HidInterfaceInfo& info : unopenable)
        pathWidth = std::max(pathWidth, int(info.path.size()));
    serialWidth = std::max(serialWidth, 6);

    out << QStringLiteral("PATH").leftJustified(pathWidth) << "  VID:PID    VERSION  "
        << QStringLiteral("SERIAL").leftJustified(serialWidth) << "  IN/OUT  KIND\n";
    for (const Row& row : rows) {
        const bool bridge = isBridge(row.attributes);
        const QString serial = row.serial.isEmpty() ? QStringLiteral("-") : row.serial;
        const QString lengths = QStringLiteral("%1/%2")
                                    .arg(row.caps.InputReportByteLength)
                                    .arg(row.caps.OutputReportByteLength);
        out << row.path.leftJustified(pathWidth) << "  " << hex4(row.attributes.VendorID) << ':'
            << hex4(row.attributes.ProductID) << "  " << hex4(row.attributes.VersionNumber)
            << "     " << serial.leftJustified(serialWidth) << "  " << lengths.leftJustified(6)
            << "  " << (bridge ? "bridge" : "other") << '\n';
        if (!row.readWrite) {
            out << "    cannot be opened for reading and writing: "
                << platform.errorText(row.openError) << '\n';
            if (bridge && (row.openError == EACCES || row.openError == EPERM))
                printPermissionHint(out);
        }
    }
    for (const HidInterfaceInfo& info : unopenable) {
        quint32 openError = 0;
        const bool opens = platform.open(info.path, HidAccess::Query, openError) != nullptr;
        out << info.path.leftJustified(pathWidth) << "  "
            << (opens ? QStringLiteral("cannot be identified")
                      : QStringLiteral("cannot be opened: ") + platform.errorText(openError))
            << '\n';
    }
    out.flush();
    return 0;
}

const CliCommand DevicesCommand = {
    "devices", "devices [--simulate[=N]] [--bridge SERIAL]",
    "List every HID interface: path, VID:PID, version, serial number, report lengths, and "
    "whether it is a bridge.",
    run};
