#include "app/DeviceOptions.h"

#include "link/HidrawPlatform.h"
#include "sim/SimPlatform.h"

namespace {
constexpr int MaxSimulatedBridges = 99;
}

bool DeviceOptions::parse(QStringList& args, QString* error)
{
    const QString simulate = QStringLiteral("--simulate");
    const QString bridge = QStringLiteral("--bridge");
    for (qsizetype i = 0; i < args.size();) {
        const QString& arg = args.at(i);
        if (arg == simulate || arg.startsWith(simulate + u'=')) {
            m_simulate = true;
            m_bridges = 1;
            if (arg != simulate) {
                bool ok = false;
                m_bridges = arg.mid(simulate.size() + 1).toInt(&ok);
                if (!ok || m_bridges < 0 || m_bridges > MaxSimulatedBridges) {
                    if (error)
                        *error = QStringLiteral("--simulate takes a number of bridges from 0 to %1")
                                     .arg(MaxSimulatedBridges);
                    return false;
                }
            }
            args.removeAt(i);
        } else if (arg == bridge || arg.startsWith(bridge + u'=')) {
            if (arg == bridge) {
                if (i + 1 >= args.size()) {
                    if (error)
                        *error = QStringLiteral("--bridge needs a serial number");
                    return false;
                }
                m_bridgeSerial = args.at(i + 1);
                args.removeAt(i + 1);
            } else {
                m_bridgeSerial = arg.mid(bridge.size() + 1);
            }
            args.removeAt(i);
            if (m_bridgeSerial.isEmpty()) {
                if (error)
                    *error = QStringLiteral("--bridge needs a serial number");
                return false;
            }
        } else {
            ++i;
        }
    }
    return true;
}

std::unique_ptr<HidPlatform> DeviceOptions::createPlatform() const
{
    if (!m_simulate)
        return std::make_unique<HidrawPlatform>();
    auto sim = std::make_unique<SimPlatform>();
    sim->addBridges(m_bridges);
    return sim;
}
