#pragma once

#include <QList>
#include <QtGlobal>

class Execution;
class StatusWindow;
class Transport;

// List: probes every 7-bit address of the selected bridge's bus in ascending order, waiting for
// each probe in the event loop as Send does, and prints the addresses that answer in 8-bit and
// 7-bit form. The first address found is kept for Insert Command Line.
class BusScan
{
public:
    BusScan(Execution& execution, Transport& transport, StatusWindow& statusWindow);

    void AcListExecute();

    // The addresses that answered in the last scan (up to where Reset ended it).
    const QList<quint8>& found() const { return m_found; }
    // The last scan was ended by Reset.
    bool aborted() const { return m_aborted; }
    // The first address found by a scan; a scan that finds nothing leaves it.
    quint8 firstFoundAddress() const { return m_firstFoundAddress; }
    void setFirstFoundAddress(quint8 address) { m_firstFoundAddress = address; }

private:
    Execution& m_execution;
    Transport& m_transport;
    StatusWindow& m_statusWindow;
    QList<quint8> m_found;
    bool m_aborted = false;
    quint8 m_firstFoundAddress = 0;
};
