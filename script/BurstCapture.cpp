#include "script/BurstCapture.h"

#include "base/Clock.h"
#include "base/CommandEditor.h"
#include "base/EventPump.h"
#include "base/StatusWindow.h"
#include "base/UiPort.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"
#include "link/BridgeCommands.h"
#include "link/LinkFlags.h"
#include "link/PacketCodec.h"
#include "link/Transport.h"
#include "script/BurstReadBack.h"
#include "script/Execution.h"
#include "script/LineCompiler.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {
const QString Disabled = QStringLiteral("none");
} // namespace

BurstCapture::BurstCapture(Execution& execution, Transport& transport, CommandEditor& editor,
                           StatusWindow& statusWindow, UiPort& ui, LineCompiler& compiler,
                           CaptureState& capture, ChartModel& chart)
    : m_execution(execution), m_transport(transport), m_editor(editor),
      m_statusWindow(statusWindow), m_ui(ui), m_compiler(compiler), m_capture(capture),
      m_chart(chart), m_packets(std::make_unique<TPacketList>())
{
    setFilePath(QStringLiteral("IIChighSpeed.dat"));
}

BurstCapture::~BurstCapture() = default;

void BurstCapture::setFilePath(const QString& path)
{
    m_filePath = path;
    m_label = QFileInfo(path).fileName();
    Q_EMIT fileLabelChanged();
}

void BurstCapture::Button1Click()
{
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Save;
    request.initialName = QStringLiteral("IIChighSpeed");
    request.filters = {QStringLiteral("IIC files|*.dat"), QStringLiteral("All files|*.*")};
    request.defaultSuffix = QStringLiteral("dat");
    request.confirmOverwrite = true;
    const QString path = m_ui.chooseFile(request);
    if (!path.isEmpty())
        setFilePath(path);
}

void BurstCapture::Button2Click()
{
    m_fileTab.clear();
}

qint64 BurstCapture::rate(qint64 records, qint32 elapsedMs)
{
    if (elapsedMs <= 0 || records <= 0)
        return 0;
    const qint64 scaled = records * 1000;
    qint64 quotient = scaled / elapsedMs;
    const qint64 twiceRemainder = 2 * (scaled % elapsedMs);
    if (twiceRemainder > elapsedMs || (twiceRemainder == elapsedMs && (quotient & 1)))
        ++quotient;
    return quotient;
}

QString BurstCapture::summary(qint64 records, qint32 elapsedMs)
{
    return QStringLiteral("Ct=%1 Rate=%2 smp/s").arg(records).arg(rate(records, elapsedMs));
}

void BurstCapture::showViews()
{
    m_fileTab.setShown(true);
    m_chart.setShown(true);
}

void BurstCapture::abandonStart(StartOutcome outcome)
{
    m_lastStart = outcome;
    m_execution.end(QString());
    showViews();
    Q_EMIT captureEnded();
}

void BurstCapture::fileError(const QString& what, const QFile& file)
{
    m_fileFailed = true;
    m_ui.messageBox(what.arg(m_filePath, file.errorString()), QStringLiteral("Error"),
                    UiPort::Icon::Error, int(UiPort::Button::Ok));
}

void BurstCapture::AcSendSpeedExecute()
{
    if (m_label == Disabled) {
        m_lastStart = StartOutcome::Disabled;
        return;
    }
    m_chart.setShown(false);
    m_fileTab.setShown(false);
    m_fileTab.clear();
    m_chart.clearAll();
    m_chart.undoZoom();
    m_chart.setBottomAxisTitle(m_chart.definitions().AxisX ? QStringLiteral("time, ms")
                                                           : QStringLiteral("samples count"));
    m_execution.begin(Execution::Run::Burst);
    m_startFailed = false;
    m_fileFailed = false;
    m_reportsReceived = 0;
    m_records = 0;
    m_unwrittenReports = 0;

    // The caret line, whatever "Send all strings" says.
    m_compiler.clearReadingState();
    m_capture.ClearPresent();
    const LineCompiler::Result compiled =
        m_compiler.CompileLine(m_editor.line(m_editor.selectionStart().line), *m_packets, {}, true);
    if (!compiled.ok || compiled.count == 0) {
        abandonStart(compiled.ok ? StartOutcome::NoTransaction : StartOutcome::SyntaxError);
        return;
    }
    // Only the line's first transaction counts, always as a read of its byte count.
    const TIIC_Packet& first = (*m_packets)[1];
    m_burstRequest = BridgeCommands::burstRequest(first.Address, first.Count);
    m_burstRequest.IsVariable = first.IsVariable;
    m_burstRequest.VariableRef = first.VariableRef;
    m_burstRequest.HasDelay = first.HasDelay;
    m_burstRequest.Delay = first.Delay;
    m_burstDataCount = m_burstRequest.Count & CountMask;
    m_recordsPerReport = burstRecordsPerReport(m_burstDataCount);
    // The read goes on in continuation segments when the line asks for more bytes than the
    // first one holds; a record holds only those of the request.
    int asked = first.Count & CountMask;
    for (int t = 2; t <= compiled.count && !(*m_packets)[t].Start && !(*m_packets)[t].Restart; ++t)
        asked += (*m_packets)[t].Count & CountMask;
    if (asked > m_burstDataCount) {
        m_statusWindow.addLine(
            QStringLiteral(" Warning - burst records hold %1 of the %2 bytes the line reads")
                .arg(m_burstDataCount)
                .arg(asked));
        m_statusWindow.scrollToEnd();
    }

    m_file.setFileName(m_filePath);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fileError(QStringLiteral("Cannot create the capture file %1: %2"), m_file);
        abandonStart(StartOutcome::FileError);
        return;
    }
    LinkFlags& flags = m_transport.flags();
    pumpUntil([&] { return !flags.WriteOutstanding; });
    if (!m_execution.state().BurstRunning || m_stopping)
        return; // stopped (or reset) while the link was busy
    m_lastStart = StartOutcome::Started;
    m_capture.restartCaptureClock();
    m_transport.StartTransfer(m_burstRequest);
    m_burstStartPending = true;
    m_burstStartTries = 0;
}

bool BurstCapture::startRetry()
{
    if (!m_burstStartPending)
        return false;
    if (++m_burstStartTries < MaxStartTries) {
        m_transport.StartTransfer(m_burstRequest);
        return true;
    }
    m_statusWindow.addLine(QStringLiteral(" Error - can't start Burst mode"));
    m_statusWindow.scrollToEnd();
    m_burstStartPending = false;
    m_startFailed = true;
    return false;
}

void BurstCapture::writeReport(const InputReport& report)
{
    if (m_draining) {
        m_lastReportMs = m_transport.clock().nowMs();
        return;
    }
    if (!m_file.isOpen())
        return;
    m_burstStartPending = false;
    ++m_reportsReceived;
    // One write per report, nothing decoded. A report that cannot be written is missing from
    // the file's length, which Stop compares with the reports received.
    m_file.write(reinterpret_cast<const char*>(report.data()),
                 qint64(m_recordsPerReport) * (m_burstDataCount + 1));
}

void BurstCapture::stop()
{
    // Reset pressed while Stop waits for the link: the Stop in progress finishes the capture.
    if (m_stopping)
        return;
    m_stopping = true;
    m_burstStartPending = false; // no more resends while Stop waits for the link
    LinkFlags& flags = m_transport.flags();
    const Clock& clock = m_transport.clock();

    pumpUntil([&] { return !flags.WriteOutstanding; });
    m_transport.StartTransfer(BridgeCommands::burstEnd());
    m_draining = true; // reports still arriving are not written
    m_lastReportMs = clock.nowMs();

    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        m_ui.beep();
    m_capture.updateElapsed();
    const qint32 elapsedMs = m_capture.ElapsedMs;

    // Until the stream has run dry the link is not free: a stream report taken for the reply
    // of the next poll or Send would be read as bridge status or target data.
    pumpUntil(
        [&] {
            return !flags.WriteOutstanding &&
                   quint32(clock.nowMs() - m_lastReportMs) >= quint32(StreamQuietMs);
        },
        StreamDrainLimitMs);
    m_draining = false;
    m_capture.ElapsedMs = elapsedMs; // the drained reports moved the report clock on

    QFile in(m_filePath);
    if (!in.open(QIODevice::ReadOnly)) {
        showViews();
        m_execution.end(QString());
        fileError(QStringLiteral("Cannot open the capture file %1: %2"), in);
        m_stopping = false;
        Q_EMIT captureEnded();
        return;
    }
    const qint64 recordBytes = m_burstDataCount + 1;
    const qint64 reportBytes = m_recordsPerReport * recordBytes;
    const qint64 size = in.size();
    m_unwrittenReports = std::max<qint64>(0, m_reportsReceived - size / reportBytes);

    m_capture.BeginBurstDecode(size / recordBytes);
    QByteArray bytes;
    const bool read = readBack(in, size / recordBytes, bytes);
    const QString readError = in.errorString();
    m_capture.FinishBurstDecode(m_records);
    m_fileTab.appendRecords(std::move(bytes), int(recordBytes));
    in.close();
    if (in.error() != QFileDevice::NoError)
        m_ui.beep();
    m_capture.leaveBulkMode();
    showViews();
    if (m_chart.seriesOnChartCount() > 0)
        m_chart.refresh();

    m_execution.end(summary(m_records, elapsedMs));
    if (m_unwrittenReports > 0) {
        m_statusWindow.addLine(
            QStringLiteral(" Error - %1 burst reports could not be written to %2")
                .arg(m_unwrittenReports)
                .arg(m_filePath));
        m_statusWindow.scrollToEnd();
    }
    if (!read) {
        m_fileFailed = true;
        m_ui.messageBox(
            QStringLiteral("Cannot read the capture file %1: %2").arg(m_filePath, readError),
            QStringLiteral("Error"), UiPort::Icon::Error, int(UiPort::Button::Ok));
    }
    m_stopping = false;
    Q_EMIT captureEnded();
}

void BurstCapture::endStream()
{
    if (!m_execution.state().BurstRunning || m_stopping)
        return;
    m_stopping = true;
    m_burstStartPending = false;
    LinkFlags& flags = m_transport.flags();
    pumpUntil([&] { return !flags.WriteOutstanding; });
    m_transport.StartTransfer(BridgeCommands::burstEnd());
    m_file.close();
    showViews();
    m_execution.end(QString());
    m_stopping = false;
    Q_EMIT captureEnded();
}

bool BurstCapture::readBack(QFile& in, qint64 records, QByteArray& bytes)
{
    BurstReadBack reader(m_capture, m_burstRequest, m_burstDataCount);
    const bool read = reader.read(in, records, bytes);
    m_records = reader.records();
    return read;
}
