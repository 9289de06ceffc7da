#pragma once

#include "link/Reports.h"
#include "link/TIIC_Packet.h"
#include "script/FileTabLines.h"

#include <QFile>
#include <QObject>
#include <QString>

#include <memory>

class CaptureState;
class ChartModel;
class CommandEditor;
class Execution;
class LineCompiler;
class StatusWindow;
class Transport;
class UiPort;

// Burst capture to file ("To file"): one burst request built from the caret line makes the
// bridge stream reads of the same bytes; every report's records are appended to the capture
// file as they arrive, with no decoding. Stop ends the stream, reads the file back, lists each
// record in hexadecimal on the File tab, decodes the variable bytes into the chart series in
// bulk and shows the record count and rate. Also the File tab's own controls. GUI thread only.
class BurstCapture : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxStartTries = 3;
    // Stop waits for the link to stay this quiet before it is free again: reports the bridge
    // sent before it saw the end, and the end's own reply, are still on their way.
    static constexpr int StreamQuietMs = 20;
    static constexpr int StreamDrainLimitMs = 1000;

    BurstCapture(Execution& execution, Transport& transport, CommandEditor& editor,
                 StatusWindow& statusWindow, UiPort& ui, LineCompiler& compiler,
                 CaptureState& capture, ChartModel& chart);
    ~BurstCapture() override;

    // The File tab: the file-name label ("IIChighSpeed.dat" at first; "none" disables burst
    // capture), "File name :", "Clear" and the text view.
    QString fileLabel() const { return m_label; }
    // The file the capture goes to (relative names against the current folder); the label
    // shows its name without the folder.
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString& path);
    void Button1Click();
    void Button2Click();
    FileTabLines& fileTab() { return m_fileTab; }

    void AcSendSpeedExecute();
    // Stop's burst branch: ends the capture and reads it back.
    void stop();
    // Ends the stream and closes the capture file without reading it back (the program is
    // closing): the bridge must not be left streaming.
    void endStream();
    // The poll tick's burst-start retry; true when it used the tick.
    bool startRetry();
    // The burst writer: a transaction report that arrived while the capture runs.
    void writeReport(const InputReport& report);

    const TIIC_Packet& BurstRequest() const { return m_burstRequest; }
    int BurstDataCount() const { return m_burstDataCount; }
    bool BurstStartPending() const { return m_burstStartPending; }
    int BurstStartTries() const { return m_burstStartTries; }

    // How the last To file ended its start.
    enum class StartOutcome { Started, Disabled, SyntaxError, NoTransaction, FileError };
    StartOutcome lastStart() const { return m_lastStart; }
    // Of the capture running or last stopped: records appended to the file so far, and whether
    // the stream never started (" Error - can't start Burst mode").
    qint64 recordsReceived() const { return m_reportsReceived * m_recordsPerReport; }
    bool startFailed() const { return m_startFailed; }
    // Of the last stop: records read back, reports that could not be written to the file, and
    // whether the file could not be created, reopened or read.
    qint64 records() const { return m_records; }
    qint64 unwrittenReports() const { return m_unwrittenReports; }
    bool fileFailed() const { return m_fileFailed; }

    // records * 1000 / elapsedMs to the nearest integer, halves to even; 0 without time.
    static qint64 rate(qint64 records, qint32 elapsedMs);
    // "Ct=5000 Rate=500 smp/s"
    static QString summary(qint64 records, qint32 elapsedMs);

Q_SIGNALS:
    void fileLabelChanged();
    // A start was undone (compile or file error) or a stop finished its read-back.
    void captureEnded();

private:
    void abandonStart(StartOutcome outcome);
    void showViews();
    void fileError(const QString& what, const QFile& file);
    // Reads the records back into bytes (the File tab's lines) and decodes them; false when
    // the file could not be read.
    bool readBack(QFile& in, qint64 records, QByteArray& bytes);

    Execution& m_execution;
    Transport& m_transport;
    CommandEditor& m_editor;
    StatusWindow& m_statusWindow;
    UiPort& m_ui;
    LineCompiler& m_compiler;
    CaptureState& m_capture;
    ChartModel& m_chart;
    QString m_filePath;
    QString m_label;
    FileTabLines m_fileTab;

    std::unique_ptr<TPacketList> m_packets;
    TIIC_Packet m_burstRequest;
    int m_burstDataCount = 0;
    int m_recordsPerReport = 0;
    bool m_burstStartPending = false;
    int m_burstStartTries = 0;
    bool m_startFailed = false;
    StartOutcome m_lastStart = StartOutcome::Started;

    QFile m_file;
    qint64 m_reportsReceived = 0;
    bool m_stopping = false;
    bool m_draining = false;
    quint32 m_lastReportMs = 0;

    qint64 m_records = 0;
    qint64 m_unwrittenReports = 0;
    bool m_fileFailed = false;
};
