#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <vector>

class ChartModel;
class LineCanvas;
class QCheckBox;
class QCPPainter;
class QCustomPlot;
class QGridLayout;
class QLabel;
class QRadioButton;
class QScrollArea;

// The "Chart" tab: the series on the chart drawn by QCustomPlot, a legend whose check boxes
// show or hide each line (with the series' latest value), and the "Scale:" choice. The chart
// model decides what is shown; this view only draws it. Each repaint hands QCustomPlot, per
// series, what the pixels can show (the model's M4 output for the visible X range, or the raw
// points once fewer than the pixel columns are visible), so a repaint costs the same for a
// thousand points as for ten million.
//
// Mouse: drag with the left button to zoom into a rectangle, the wheel zooms, drag with the
// right button to pan, double-click returns to the set ranges (as Repeat and a burst start do
// through the model). Resting on a point shows its X and Y. A right click (or the menu key)
// asks for the chart's commands, which the window owns.
class ChartView : public QWidget
{
    Q_OBJECT

public:
    enum class PictureFormat { Png, Svg, Pdf };

    explicit ChartView(ChartModel& chart, QWidget* parent = nullptr);
    ~ChartView() override;

    ChartModel& chart() { return m_chart; }
    QCustomPlot* plot() const { return m_plot; }

    // The chart as it looks, legend included when it is shown, drawn on painter at size.
    // vector: for SVG and PDF (no cached pixmaps).
    void paintPicture(QCPPainter& painter, QSize size, bool vector);
    // The size of the chart on screen (plot and legend): the default picture size.
    QSize pictureSize() const;
    QImage picture(QSize size);
    // Writes the picture; false with the reason in *error when it cannot be written.
    bool savePicture(const QString& path, PictureFormat format, QSize size, QString* error);
    // "&Copy waveform": the picture at its screen size on the clipboard.
    void copyToClipboard();

    // The legend's check box of a variable's series; null while it is not on the chart.
    QCheckBox* legendCheckBox(int seriesIndex) const;
    QRadioButton* linearButton() const { return m_linear; }
    QRadioButton* log10Button() const { return m_log10; }
    // The tip shown when the pointer rests at pos (plot coordinates); empty when no point is
    // near.
    QString pointTip(const QPoint& pos) const;
    // Points handed to QCustomPlot at the last repaint, per series on the chart.
    qsizetype drawnPoints(int seriesIndex) const;

Q_SIGNALS:
    // A right click without a drag, or the menu key: where to show the chart's commands.
    void menuRequested(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followModel();
    // The model changed: a repaint at the next frame of the chart's own pace.
    void scheduleRepaint();
    void repaintNow();
    void rebuildGraphs();
    void rebuildLegend();
    void updateLegendValues();
    // Ranges and points for the next repaint, for a plot area `columns` pixels wide.
    void feed(int columns);
    void applyRanges(double x0, double x1, double y0, double y1);
    void userChangedRanges();
    void panBy(const QPoint& delta);

    ChartModel& m_chart;
    QWidget* m_body = nullptr;
    QCustomPlot* m_plot = nullptr;
    LineCanvas* m_canvas = nullptr; // owned by m_plot
    QScrollArea* m_legend = nullptr;
    QGridLayout* m_legendGrid = nullptr;
    QRadioButton* m_log10 = nullptr;
    QRadioButton* m_linear = nullptr;

    // The series each graph draws, in graph order (the chart's order).
    QList<int> m_graphSeries;
    // What a graph and its legend entry show of a series, as last applied.
    struct Look
    {
        QString title;
        quint32 rgb = 0;
        int width = 0;
        bool visible = false;
        bool bulk = false;
        bool operator==(const Look&) const = default;
    };
    struct LegendEntry
    {
        int series = -1;
        QCheckBox* box = nullptr;
        QLabel* value = nullptr;
        Look look;
    };
    QList<LegendEntry> m_entries;
    std::vector<qsizetype> m_drawn;
    QTimer m_paceTimer;
    QElapsedTimer m_sinceRepaint; // invalid until the first paced repaint
    bool m_applyingRanges = false;
    bool m_panning = false;
    bool m_panned = false;
    QPoint m_panFrom;
};
