#include "data/CaptureState.h"

#include "base/Clock.h"
#include "data/ChartModel.h"
#include "data/TVarType.h"
#include "data/VariableDefinitions.h"

#include <bit>
#include <span>

CaptureState::CaptureState(const VariableDefinitions& definitions, ChartModel& chart,
                           const Clock& clock)
    : m_definitions(definitions), m_chart(chart), m_clock(clock)
{}

void CaptureState::PutByte(int slot, quint8 byte)
{
    if (slot < 0 || slot >= SlotCount)
        return;
    Present[size_t(slot / 4)] = true;
    RawSlots[size_t(slot)] = byte;
}

void CaptureState::ClearPresent()
{
    Present.fill(false);
}

void CaptureState::RestartCapture()
{
    SampleCount = 0;
    CaptureStart = m_clock.nowMs();
    DecimationCounter = 1;
}

void CaptureState::updateElapsed()
{
    ElapsedMs = qint32(m_clock.nowMs() - CaptureStart);
}

void CaptureState::restartCaptureClock()
{
    CaptureStart = m_clock.nowMs();
}

double CaptureState::DecodeRaw(int i) const
{
    const TDataVariable& d = m_definitions.DataVars[size_t(i)];
    const quint8* b = RawSlots.data() + i * 4;
    switch (d.Type) {
    case vtByte:
        return d.Sign ? double(qint8(b[0])) : double(b[0]);
    case vtInt: {
        const quint16 raw = quint16(b[0] | b[1] << 8);
        return d.Sign ? double(qint16(raw)) : double(raw);
    }
    case vtLongInt: {
        const quint32 raw =
            quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
        return d.Sign ? double(qint32(raw)) : double(raw);
    }
    case vtFloat: {
        // Most significant byte first, unlike the integer types.
        const quint32 bits =
            quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | quint32(b[3]);
        return double(std::bit_cast<float>(bits));
    }
    default:
        return 0.0;
    }
}

bool CaptureState::contributes(int i) const
{
    const TDataVariable& d = m_definitions.DataVars[size_t(i)];
    return d.Active && Present[size_t(i)] && d.Type <= vtFloat;
}

double CaptureState::value(int i) const
{
    const TDataVariable& d = m_definitions.DataVars[size_t(i)];
    return DecodeRaw(i) * double(d.Scale) + double(d.Offset);
}

void CaptureState::TakeSample()
{
    ++DecimationCounter;
    const qint32 decimation = m_definitions.Decimation;
    if (decimation < 0 || DecimationCounter > quint32(decimation)) {
        DecimationCounter = 1;
        const double x = m_definitions.AxisX ? double(ElapsedMs) : double(SampleCount);
        Sample sample{x, {}};
        bool appended = false;
        for (int i = 0; i < VariableCount; ++i) {
            if (!contributes(i))
                continue;
            const double y = value(i);
            m_chart.series(i).append(x, y);
            sample.y[size_t(i)] = y;
            appended = true;
        }
        if (appended) {
            ++SampleCount;
            m_lastSample = sample;
        }
        trimToScroll();
    }
    refreshIfShowing();
}

void CaptureState::trimToScroll()
{
    // A negative Scroll (only from a hand-edited file) keeps everything, like 0.
    const qint32 scroll = m_definitions.Scroll;
    if (scroll <= 0)
        return;
    for (int i = 0; i < VariableCount; ++i) {
        ChartSeries& s = m_chart.series(i);
        if (s.count() > scroll)
            s.removeFirst(s.count() - scroll);
    }
}

void CaptureState::refreshIfShowing()
{
    if (m_chart.seriesOnChartCount() > 0)
        m_chart.refresh();
}

void CaptureState::BeginBurstDecode(qint64 expectedRecords)
{
    for (TAr& buffer : m_staging)
        buffer.assign(BurstBatch, 0.0);
    m_fill.fill(0);
    for (int i = 0; i < VariableCount; ++i)
        if (m_definitions.DataVars[size_t(i)].Active)
            m_chart.series(i).reserve(expectedRecords);
    m_chart.enterBulkMode();
}

void CaptureState::DecodeBurstRecord()
{
    for (int i = 0; i < VariableCount; ++i) {
        if (!contributes(i))
            continue;
        TAr& buffer = m_staging[size_t(i)];
        int& fill = m_fill[size_t(i)];
        buffer[size_t(fill++)] = value(i);
        if (fill == BurstBatch) {
            m_chart.series(i).appendBatch(buffer);
            fill = 0;
        }
    }
}

void CaptureState::FinishBurstDecode(qint64 records)
{
    for (int i = 0; i < VariableCount; ++i) {
        int& fill = m_fill[size_t(i)];
        if (fill > 0)
            m_chart.series(i).appendBatch(std::span(m_staging[size_t(i)]).first(size_t(fill)));
        fill = 0;
        TAr().swap(m_staging[size_t(i)]);
    }
    if (m_definitions.AxisX && records > 0) {
        const double step = double(float(double(ElapsedMs) / double(records)));
        for (int i = 0; i < VariableCount; ++i) {
            if (!m_definitions.DataVars[size_t(i)].Active)
                continue;
            ChartSeries& s = m_chart.series(i);
            for (qsizetype j = 0; j < s.count(); ++j)
                s.setX(j, double(j) * step);
        }
        m_chart.setBottomAxisTitle(QStringLiteral("time, ms"));
    } else {
        m_chart.setBottomAxisTitle(QStringLiteral("samples count"));
    }
    refreshIfShowing();
}

void CaptureState::leaveBulkMode()
{
    m_chart.leaveBulkMode();
}
