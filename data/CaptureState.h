#pragma once

#include "data/TAr.h"

#include <QtGlobal>

#include <array>
#include <optional>

class ChartModel;
class Clock;
class VariableDefinitions;

// Turns the bytes read into chart points: the raw slots and present flags the execution modes
// fill, the sample counters, and the per-sample and burst read-back decoding. GUI thread only.
class CaptureState
{
public:
    static constexpr int VariableCount = 16;
    static constexpr int SlotCount = VariableCount * 4;
    static constexpr int BurstBatch = 2048;

    CaptureState(const VariableDefinitions& definitions, ChartModel& chart, const Clock& clock);

    // Slot = variable index * 4 + byte position (0..3).
    std::array<quint8, SlotCount> RawSlots{};
    // The variable received at least one byte since the flags were last cleared.
    std::array<bool, VariableCount> Present{};
    qint32 SampleCount = 0;
    quint32 CaptureStart = 0;
    qint32 ElapsedMs = 0;
    quint32 DecimationCounter = 1;

    // Slots outside 0..63 are ignored.
    void PutByte(int slot, quint8 byte);
    void ClearPresent();
    void RestartCapture();
    // ElapsedMs := clock - CaptureStart (each transaction report, and at a burst's stop).
    void updateElapsed();
    // A burst start resets only the capture clock.
    void restartCaptureClock();

    // The raw number of variable i by its Type and Sign; exact in double precision. 0 for a
    // Type outside 0..3 (such a variable contributes no points).
    double DecodeRaw(int i) const;

    void TakeSample();

    // The points the last sample appended: its X and, per variable, the Y it got (none for a
    // variable that got no point). Lets a front end stream samples as they are taken.
    struct Sample
    {
        double x = 0;
        std::array<std::optional<double>, VariableCount> y{};
    };
    const Sample& lastSample() const { return m_lastSample; }

    // expectedRecords (when the caller knows it from the file size) lets every active
    // series reserve its points once instead of growing through the read-back.
    void BeginBurstDecode(qint64 expectedRecords = 0);
    void DecodeBurstRecord();
    void FinishBurstDecode(qint64 records);
    void leaveBulkMode();

private:
    bool contributes(int i) const;
    double value(int i) const;
    void trimToScroll();
    void refreshIfShowing();

    const VariableDefinitions& m_definitions;
    ChartModel& m_chart;
    const Clock& m_clock;
    std::array<TAr, VariableCount> m_staging;
    std::array<int, VariableCount> m_fill{};
    Sample m_lastSample;
};
