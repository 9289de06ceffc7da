#include "gui/ChartView.h"

#include "data/ChartModel.h"
#include "gui/LineCanvas.h"
#include "gui/QCustomPlotInclude.h"
#include "gui/SeriesGraph.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPdfWriter>
#include <QRadioButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString ChartHint =
    QStringLiteral("Chart Window - to see the charts user must define variables and collect data");
constexpr int TipRadius = 8;      // pixels around a point where the pointer shows its tip
constexpr int ValueMarginPx = 10; // above the highest and below the lowest value
constexpr int LegendSwatch = 20;
constexpr int LegendGap = 12; // between a title and its value
// A live chart is redrawn about 35 times a second: smooth to the eye, and the rest of the GUI
// thread's time stays with the link.
constexpr int PaceMs = 28;

QColor seriesColor(const ChartSeries& s)
{
    return QColor::fromRgb(QRgb(s.rgb()));
}

QIcon swatch(const QColor& color, int lineWidth)
{
    QPixmap pixmap(LegendSwatch, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(color, std::min(lineWidth + 1, 6)));
    p.drawLine(1, 6, LegendSwatch - 2, 6);
    return QIcon(pixmap);
}

QString valueText(double v)
{
    return QLocale().toString(v, 'g', 6);
}

} // namespace

ChartView::ChartView(ChartModel& chart, QWidget* parent) : QWidget(parent), m_chart(chart)
{
    setToolTip(ChartHint);
    setAccessibleName(QStringLiteral("Chart"));
    setAccessibleDescription(ChartHint);
    setProperty("helpContext", 1104);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_body = new QWidget(this);
    outer->addWidget(m_body);
    auto* row = new QHBoxLayout(m_body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_plot = new QCustomPlot(m_body);
    m_plot->setToolTip(ChartHint);
    m_plot->setAccessibleName(QStringLiteral("Chart"));
    m_plot->setAccessibleDescription(ChartHint);
    m_plot->setPlottingHint(QCP::phFastPolylines, true);
    m_plot->setInteractions(QCP::iRangeZoom);
    m_plot->setSelectionRectMode(QCP::srmZoom);
    m_plot->axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);
    m_plot->legend->setVisible(false);
    // One paint buffer to clear and to put on screen per repaint: the rubber band, which
    // lives on the overlay layer, is drawn with a whole repaint instead of on its own buffer.
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    m_plot->yAxis->setTickLength(0, 14);
    m_plot->yAxis->setSubTickLength(0, 6);
    m_plot->installEventFilter(this);
    m_canvas = new LineCanvas(m_plot);
    row->addWidget(m_plot, 1);

    auto* side = new QWidget(m_body);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(6, 6, 6, 6);
    auto* legendScroll = new QScrollArea(side);
    legendScroll->setFrameShape(QFrame::NoFrame);
    legendScroll->setWidgetResizable(true);
    legendScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_legend = legendScroll;
    auto* legendBox = new QWidget(legendScroll);
    legendBox->setAccessibleName(QStringLiteral("Legend"));
    m_legendGrid = new QGridLayout(legendBox);
    m_legendGrid->setContentsMargins(0, 0, 0, 0);
    m_legendGrid->setVerticalSpacing(2);
    m_legendGrid->setHorizontalSpacing(LegendGap);
    m_legendGrid->setColumnStretch(2, 1);
    legendScroll->setWidget(legendBox);
    // The legend lies on the panel's own background.
    legendScroll->viewport()->setAutoFillBackground(false);
    legendBox->setAutoFillBackground(false);
    sideLayout->addWidget(legendScroll, 1);

    auto* scaleLabel = new QLabel(QStringLiteral("Scale:"), side);
    m_log10 = new QRadioButton(QStringLiteral("Log10"), side);
    m_linear = new QRadioButton(QStringLiteral("Linear"), side);
    m_log10->setAccessibleName(m_log10->text());
    m_linear->setAccessibleName(m_linear->text());
    m_linear->setChecked(true);
    sideLayout->addWidget(scaleLabel);
    sideLayout->addWidget(m_log10);
    sideLayout->addWidget(m_linear);
    row->addWidget(side);

    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_paceTimer, &QTimer::timeout, this, &ChartView::repaintNow);
    connect(&m_chart, &ChartModel::changed, this, &ChartView::followModel);
    connect(&m_chart, &ChartModel::undoZoomRequested, this,
            [this] { m_plot->replot(QCustomPlot::rpQueuedReplot); });
    connect(m_plot, &QCustomPlot::beforeReplot, this, [this] {
        const int width = m_plot->axisRect()->width();
        feed(width > 0 ? width : m_plot->width());
    });
    connect(m_plot->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &ChartView::userChangedRanges);
    connect(m_plot->yAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            &ChartView::userChangedRanges);
    connect(m_plot, &QCustomPlot::mouseDoubleClick, this, [this] { m_chart.undoZoom(); });
    connect(m_log10, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_chart.setLeftAxisScale(ChartModel::AxisScale::Log10);
    });
    connect(m_linear, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_chart.setLeftAxisScale(ChartModel::AxisScale::Linear);
    });
    followModel();
}

ChartView::~ChartView() = default;

void ChartView::followModel()
{
    m_body->setVisible(m_chart.isShown());
    if (m_graphSeries != m_chart.seriesOnChart()) {
        rebuildGraphs();
        rebuildLegend();
    }
    // Most frames only bring new points: the graphs and the legend are touched only where
    // their look changed, so the layout (and the plot's size) stays as it is.
    bool retitled = false;
    for (int g = 0; g < m_graphSeries.size(); ++g) {
        const ChartSeries& s = m_chart.series(m_graphSeries[g]);
        LegendEntry& entry = m_entries[g];
        const Look look{s.title(), s.rgb(), s.lineWidth(), s.isLineVisible(), s.isBulkMode()};
        if (look == entry.look)
            continue;
        QCPGraph* graph = m_plot->graph(g);
        graph->setName(look.title);
        // In bulk mode a plain pen, without width.
        graph->setPen(QPen(seriesColor(s), look.bulk ? 1 : look.width));
        graph->setVisible(look.visible);
        if (look.title != entry.look.title) {
            entry.box->setText(look.title);
            entry.box->setAccessibleName(look.title);
            retitled = true;
        }
        if (look.rgb != entry.look.rgb || look.width != entry.look.width)
            entry.box->setIcon(swatch(seriesColor(s), look.width));
        const QSignalBlocker block(entry.box);
        entry.box->setChecked(look.visible);
        entry.look = look;
    }
    if (retitled) {
        // Wide enough for the longest title and a value, with room for the scroll bar.
        int widest = 0;
        for (const LegendEntry& entry : std::as_const(m_entries))
            widest = std::max(widest, entry.box->sizeHint().width() + entry.value->width());
        m_legend->setMinimumWidth(widest + LegendGap +
                                  m_legend->verticalScrollBar()->sizeHint().width());
    }
    m_legend->setVisible(m_chart.isLegendVisible());

    m_plot->xAxis->setLabel(m_chart.bottomAxisTitle());
    m_plot->yAxis->setLabel(m_chart.leftAxisTitle());
    const bool log = m_chart.leftAxisScale() == ChartModel::AxisScale::Log10;
    if (log != (m_plot->yAxis->scaleType() == QCPAxis::stLogarithmic)) {
        m_plot->yAxis->setScaleType(log ? QCPAxis::stLogarithmic : QCPAxis::stLinear);
        m_plot->yAxis->setTicker(log ? QSharedPointer<QCPAxisTicker>(new QCPAxisTickerLog)
                                     : QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    }
    {
        const QSignalBlocker blockLog(m_log10);
        const QSignalBlocker blockLinear(m_linear);
        m_log10->setChecked(log);
        m_linear->setChecked(!log);
    }
    // A chart that is not on screen is drawn when it is shown again.
    if (isVisible() && m_chart.isShown())
        scheduleRepaint();
}

void ChartView::scheduleRepaint()
{
    if (m_paceTimer.isActive())
        return;
    const qint64 since = m_sinceRepaint.isValid() ? m_sinceRepaint.elapsed() : PaceMs;
    m_paceTimer.start(int(std::max<qint64>(0, PaceMs - since)));
}

void ChartView::repaintNow()
{
    m_sinceRepaint.start();
    updateLegendValues();
    m_plot->replot(QCustomPlot::rpImmediateRefresh);
}

void ChartView::rebuildGraphs()
{
    m_plot->clearGraphs();
    m_graphSeries = m_chart.seriesOnChart();
    for (int i = 0; i < m_graphSeries.size(); ++i) {
        auto* graph = new SeriesGraph(m_plot->xAxis, m_plot->yAxis, *m_canvas);
        graph->setAdaptiveSampling(true);
        graph->setLineStyle(QCPGraph::lsLine);
    }
    m_drawn.assign(size_t(m_graphSeries.size()), 0);
    // The dense lines go onto the canvas, which is drawn after every graph.
    m_canvas->setLayer(m_plot->currentLayer());
}

void ChartView::rebuildLegend()
{
    for (const LegendEntry& entry : std::as_const(m_entries)) {
        delete entry.box;
        delete entry.value;
    }
    m_entries.clear();
    QWidget* box = m_legendGrid->parentWidget();
    for (int g = 0; g < m_graphSeries.size(); ++g) {
        const int index = m_graphSeries[g];
        LegendEntry entry{index, new QCheckBox(box), new QLabel(box), {}};
        entry.box->setToolTip(QStringLiteral("Show or hide this line"));
        entry.box->setAccessibleDescription(entry.box->toolTip());
        entry.value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // Values of any length keep the legend's width.
        entry.value->setFixedWidth(
            entry.value->fontMetrics().horizontalAdvance(QStringLiteral("-0.00000e-000")));
        // The line only: the variable stays active and its points keep coming.
        connect(entry.box, &QCheckBox::toggled, this,
                [this, index](bool on) { m_chart.series(index).setLineVisible(on); });
        m_legendGrid->addWidget(entry.box, g, 0);
        m_legendGrid->addWidget(entry.value, g, 1);
        m_entries.append(entry);
    }
    m_legendGrid->setRowStretch(int(m_graphSeries.size()), 1);
}

void ChartView::updateLegendValues()
{
    for (const LegendEntry& entry : std::as_const(m_entries)) {
        const ChartSeries& s = m_chart.series(entry.series);
        const QString text = s.count() > 0 ? valueText(s.y(s.count() - 1)) : QString();
        if (entry.value->text() != text)
            entry.value->setText(text);
    }
}

void ChartView::feed(int columns)
{
    const ChartModel::DataBounds bounds = m_chart.dataBounds();
    const bool ownX = m_chart.isZoomed() || !m_chart.bottomAxisRange().automatic;
    const bool ownY = m_chart.isZoomed() || !m_chart.leftAxisRange().automatic;
    double x0 = m_plot->xAxis->range().lower;
    double x1 = m_plot->xAxis->range().upper;
    if (ownX) {
        const ChartModel::AxisRange r = m_chart.shownBottomRange();
        x0 = r.lower;
        x1 = r.upper;
    } else if (!bounds.empty) {
        x0 = bounds.xMin;
        x1 = bounds.xMax;
        if (x0 == x1) {
            x0 -= 1;
            x1 += 1;
        }
    }

    double lowestPositive = std::numeric_limits<double>::infinity();
    std::vector<SeriesPoint> points;
    m_drawn.assign(size_t(m_graphSeries.size()), 0);
    for (int g = 0; g < m_graphSeries.size(); ++g) {
        const ChartSeries& s = m_chart.series(m_graphSeries[g]);
        points.clear();
        if (s.isLineVisible())
            s.pointsToDraw(x0, x1, columns, points);
        QVector<QCPGraphData> data;
        data.reserve(qsizetype(points.size()));
        for (const SeriesPoint& p : points) {
            data.append(QCPGraphData(p.x, p.y));
            if (p.y > 0 && p.y < lowestPositive)
                lowestPositive = p.y;
        }
        QCPGraph* graph = m_plot->graph(g);
        graph->data()->set(data, true);
        // Antialiasing costs much and shows little where the line fills each pixel column
        // (and in bulk mode); it smooths the line once the points are sparser than pixels.
        graph->setAntialiased(!s.isBulkMode() && qsizetype(points.size()) <= columns + 2);
        m_drawn[size_t(g)] = qsizetype(points.size());
    }

    const bool log = m_chart.leftAxisScale() == ChartModel::AxisScale::Log10;
    double y0 = m_plot->yAxis->range().lower;
    double y1 = m_plot->yAxis->range().upper;
    if (ownY) {
        const ChartModel::AxisRange r = m_chart.shownLeftRange();
        y0 = r.lower;
        y1 = r.upper;
    } else if (!bounds.empty && !std::isnan(bounds.yMin)) {
        y0 = bounds.yMin;
        y1 = bounds.yMax;
        // A logarithmic axis shows the positive values only.
        const auto scaled = [log](double v) { return log ? std::log10(v) : v; };
        const auto unscaled = [log](double v) { return log ? std::pow(10.0, v) : v; };
        if (log) {
            if (y1 <= 0)
                y0 = y1 = 1;
            else if (y0 <= 0)
                y0 = std::isfinite(lowestPositive) ? lowestPositive : y1 / 10;
        }
        double s0 = scaled(y0);
        double s1 = scaled(y1);
        if (s0 == s1) {
            s0 -= 1;
            s1 += 1;
        }
        const int height = std::max(3 * ValueMarginPx, m_plot->axisRect()->height());
        const double pad = (s1 - s0) * ValueMarginPx / double(height - 2 * ValueMarginPx);
        y0 = unscaled(s0 - pad);
        y1 = unscaled(s1 + pad);
    }
    applyRanges(x0, x1, y0, y1);
}

void ChartView::applyRanges(double x0, double x1, double y0, double y1)
{
    m_applyingRanges = true;
    m_plot->xAxis->setRange(x0, x1);
    m_plot->yAxis->setRange(y0, y1);
    m_applyingRanges = false;
}

void ChartView::userChangedRanges()
{
    if (m_applyingRanges)
        return;
    const QCPRange x = m_plot->xAxis->range();
    const QCPRange y = m_plot->yAxis->range();
    m_chart.setZoom({false, x.lower, x.upper}, {false, y.lower, y.upper});
}

void ChartView::panBy(const QPoint& delta)
{
    QCPAxis* x = m_plot->xAxis;
    QCPAxis* y = m_plot->yAxis;
    // Moving the content by delta moves each range edge by -delta pixels; the axis converts,
    // whatever its scale.
    const QCPRange xr(x->pixelToCoord(x->coordToPixel(x->range().lower) - delta.x()),
                      x->pixelToCoord(x->coordToPixel(x->range().upper) - delta.x()));
    const QCPRange yr(y->pixelToCoord(y->coordToPixel(y->range().lower) - delta.y()),
                      y->pixelToCoord(y->coordToPixel(y->range().upper) - delta.y()));
    x->setRange(xr);
    y->setRange(yr);
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

bool ChartView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_plot)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::RightButton)
            break;
        m_panning = true;
        m_panned = false;
        m_panFrom = e->position().toPoint();
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_panning)
            break;
        auto* e = static_cast<QMouseEvent*>(event);
        const QPoint at = e->position().toPoint();
        panBy(at - m_panFrom);
        m_panFrom = at;
        m_panned = true;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::RightButton || !m_panning)
            break;
        m_panning = false;
        // A right click that did not drag asks for the chart's commands.
        if (!m_panned)
            Q_EMIT menuRequested(e->globalPosition().toPoint());
        return true;
    }
    case QEvent::ContextMenu: {
        // The mouse's right button is handled above; the keyboard's menu key opens the
        // commands in the middle of the plot.
        auto* e = static_cast<QContextMenuEvent*>(event);
        if (e->reason() != QContextMenuEvent::Mouse)
            Q_EMIT menuRequested(m_plot->mapToGlobal(m_plot->rect().center()));
        return true;
    }
    case QEvent::ToolTip: {
        auto* e = static_cast<QHelpEvent*>(event);
        const QString tip = pointTip(e->pos());
        QToolTip::showText(e->globalPos(), tip.isEmpty() ? ChartHint : tip, m_plot);
        return true;
    }
    case QEvent::Show:
        updateLegendValues();
        m_plot->replot(QCustomPlot::rpQueuedReplot);
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QString ChartView::pointTip(const QPoint& pos) const
{
    double best = TipRadius * TipRadius + 1;
    QString tip;
    for (int g = 0; g < m_graphSeries.size(); ++g) {
        const QCPGraph* graph = m_plot->graph(g);
        if (!graph->visible())
            continue;
        for (const QCPGraphData& p : *graph->data()) {
            const double dx = m_plot->xAxis->coordToPixel(p.key) - pos.x();
            const double dy = m_plot->yAxis->coordToPixel(p.value) - pos.y();
            const double d = dx * dx + dy * dy;
            if (d < best) {
                best = d;
                tip = QStringLiteral("%1\nX = %2\nY = %3")
                          .arg(graph->name(), valueText(p.key), valueText(p.value));
            }
        }
    }
    return tip;
}

qsizetype ChartView::drawnPoints(int seriesIndex) const
{
    const qsizetype g = m_graphSeries.indexOf(seriesIndex);
    return g < 0 ? 0 : m_drawn[size_t(g)];
}

QCheckBox* ChartView::legendCheckBox(int seriesIndex) const
{
    for (const LegendEntry& entry : m_entries)
        if (entry.series == seriesIndex)
            return entry.box;
    return nullptr;
}

QSize ChartView::pictureSize() const
{
    if (m_plot->width() <= 0 || m_plot->height() <= 0)
        return {800, 500};
    return {m_plot->width() + (m_legend->isVisible() ? m_legend->width() : 0), m_plot->height()};
}

void ChartView::paintPicture(QCPPainter& painter, QSize size, bool vector)
{
    // The legend at the right, one entry per shown line, as on screen but without the values.
    QList<int> entries;
    if (m_chart.isLegendVisible())
        for (int index : m_graphSeries)
            if (m_chart.series(index).isLineVisible())
                entries.append(index);
    const QFontMetrics metrics(font());
    int legendWidth = 0;
    for (int index : entries)
        legendWidth =
            std::max(legendWidth, metrics.horizontalAdvance(m_chart.series(index).title()));
    if (!entries.isEmpty())
        legendWidth += LegendSwatch + 24;
    const int plotWidth = std::max(1, size.width() - legendWidth);

    painter.fillRect(QRect(QPoint(), size), Qt::white);
    if (vector)
        painter.setMode(QCPPainter::pmVectorized);
    // The points for the picture's own width; the screen gets its own again at the next
    // repaint.
    feed(plotWidth);
    m_plot->toPainter(&painter, plotWidth, size.height());
    m_plot->replot(QCustomPlot::rpQueuedReplot);

    painter.save();
    painter.setFont(font());
    int y = 10;
    for (int index : entries) {
        const ChartSeries& s = m_chart.series(index);
        const int middle = y + metrics.height() / 2;
        painter.setPen(QPen(seriesColor(s), s.lineWidth()));
        painter.drawLine(QLineF(plotWidth + 8, middle, plotWidth + 8 + LegendSwatch, middle));
        painter.setPen(Qt::black);
        painter.drawText(QPoint(plotWidth + 14 + LegendSwatch, y + metrics.ascent()), s.title());
        y += metrics.height() + 4;
    }
    painter.restore();
}

QImage ChartView::picture(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QCPPainter painter(&image);
    paintPicture(painter, size, false);
    painter.end();
    return image;
}

bool ChartView::savePicture(const QString& path, PictureFormat format, QSize size, QString* error)
{
    QSaveFile file(path);
    bool painted = false;
    if (file.open(QIODevice::WriteOnly)) {
        switch (format) {
        case PictureFormat::Png:
            painted = picture(size).save(&file, "PNG");
            break;
        case PictureFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(), size));
            // Browsers take 96 dots per inch: the picture opens at its size in pixels.
            svg.setResolution(96);
            svg.setTitle(QStringLiteral("Chart"));
            QCPPainter painter;
            painted = painter.begin(&svg);
            if (painted) {
                paintPicture(painter, size, true);
                painter.end();
            }
            break;
        }
        case PictureFormat::Pdf: {
            QPdfWriter pdf(&file);
            pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size), QPageSize::Point),
                                          QPageLayout::Portrait, QMarginsF()));
            pdf.setResolution(72); // one pixel of the picture is one point of the page
            pdf.setTitle(QStringLiteral("Chart"));
            QCPPainter painter;
            painted = painter.begin(&pdf);
            if (painted) {
                paintPicture(painter, size, true);
                painter.end();
            }
            break;
        }
        }
    }
    if (painted && file.commit())
        return true;
    if (error)
        *error = file.error() != QFileDevice::NoError ? file.errorString()
                                                      : QStringLiteral("the picture was not drawn");
    return false;
}

void ChartView::copyToClipboard()
{
    QApplication::clipboard()->setImage(picture(pictureSize()));
}
