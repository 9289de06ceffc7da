#pragma once

#include <QList>
#include <QtGlobal>

class MainModel;

// List: probes every 7-bit address of the selected bridge's bus in ascending order, waiting for
// each probe in the event loop as Send does, and prints the addresses that answer in 8-bit and
// 7-bit form. The first address found becomes the model's first found address.
class BusScan
{
public:
    explicit BusScan(MainModel& model);

    void AcListExecute();

    // The addresses that answered in the last scan (up to where Reset ended it).
    const QList<quint8>& found() const { return m_found; }
    // The last scan was ended by Reset.
    bool aborted() const { return m_aborted; }

private:
    MainModel& m_model;
    QList<quint8> m_found;
    bool m_aborted = false;
};
