#pragma once

#include "link/HidPlatform.h"

#include <QStringList>

#include <memory>

// The device options of the window and of every CLI command that talks to bridges:
//   --simulate[=N]   simulated bridges SIM0001..SIM000N (default 1) instead of the system's
//   --bridge SERIAL  the bridge to use (default: the first one found)
class DeviceOptions
{
public:
    static constexpr const char* Usage = "[--simulate[=N]] [--bridge SERIAL]";

    // Takes the options it knows out of args; false, with a message, on bad usage.
    bool parse(QStringList& args, QString* error);

    bool simulate() const { return m_simulate; }
    int simulatedBridges() const { return m_bridges; }
    const QString& bridgeSerial() const { return m_bridgeSerial; }

    // The simulated platform with its bridges, or the system's hidraw devices.
    std::unique_ptr<HidPlatform> createPlatform() const;

private:
    bool m_simulate = false;
    int m_bridges = 1;
    QString m_bridgeSerial;
};
