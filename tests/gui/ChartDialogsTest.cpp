#include "gui/ChartExportDialog.h"
#include "gui/ChartSettingsDialog.h"
#include "gui/ChartView.h"

#include "data/ChartFile.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"
#include "gui/QCustomPlotInclude.h"
#include "support/RecordingUiPort.h"
#include "support/WaitFor.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

class ChartDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defs.Names[0] = QStringLiteral("SINE");
        defs.Names[2] = QStringLiteral("TEMP");
        chart.putOnChart(0);
        chart.putOnChart(2);
        for (int x = 0; x < 500; ++x) {
            chart.series(0).append(x, 100 * std::sin(x * 0.05));
            chart.series(2).append(x, 25 + 0.001 * x);
        }
        view.resize(640, 400);
        view.show();
        chart.refresh();
        ASSERT_TRUE(waitFor([&] { return view.drawnPoints(0) > 0; }));
    }

    QByteArray file(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    RecordingUiPort ui;
    VariableDefinitions defs;
    ChartModel chart{defs};
    ChartView view{chart};
};

// Dark pixels that are not the white background: something was drawn.
bool drawnOn(const QImage& image)
{
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            if (qGray(image.pixel(x, y)) < 128)
                return true;
    return false;
}

} // namespace

TEST_F(ChartDialogsTest, EveryExportFormatIsWrittenAndReadsBack)
{
    using Page = ChartExportDialog::Page;
    using Format = ChartView::PictureFormat;
    struct Case
    {
        const char* what;
        std::function<void(ChartExportDialog&)> choose;
        const char* suffix;
        std::function<void(const QString& path)> check;
    };
    const QSize size(500, 300);
    const Case cases[] = {
        {"PNG",
         [&](ChartExportDialog& d) {
             d.setPage(Page::Picture);
             d.setPictureFormat(Format::Png);
             d.setPictureSize(size);
         },
         "png",
         [&](const QString& path) {
             const QImage image(path);
             ASSERT_FALSE(image.isNull());
             EXPECT_EQ(image.size(), size);
             EXPECT_TRUE(drawnOn(image));
         }},
        {"SVG",
         [&](ChartExportDialog& d) {
             d.setPage(Page::Picture);
             d.setPictureFormat(Format::Svg);
             d.setPictureSize(size);
         },
         "svg",
         [&](const QString& path) {
             QSvgRenderer svg(path);
             ASSERT_TRUE(svg.isValid());
             EXPECT_EQ(svg.viewBox(), QRect(QPoint(), size));
             QImage image(size, QImage::Format_ARGB32);
             image.fill(Qt::white);
             QPainter p(&image);
             svg.render(&p);
             p.end();
             EXPECT_TRUE(drawnOn(image));
         }},
        {"PDF",
         [&](ChartExportDialog& d) {
             d.setPage(Page::Picture);
             d.setPictureFormat(Format::Pdf);
         },
         "pdf",
         [&](const QString& path) {
             const QByteArray bytes = file(path);
             EXPECT_TRUE(bytes.startsWith("%PDF"));
             EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
         }},
        {"native with data",
         [&](ChartExportDialog& d) {
             d.setPage(Page::Native);
             d.setIncludeData(true);
         },
         "tvchart",
         [&](const QString& path) {
             const std::optional<ChartFile::Content> read = ChartFile::read(file(path), nullptr);
             ASSERT_TRUE(read);
             ASSERT_EQ(read->series.size(), 2);
             ASSERT_EQ(read->series[0].points.size(), 500u);
             EXPECT_EQ(read->series[0].points[123].y, chart.series(0).y(123));
         }},
        {"native without data",
         [&](ChartExportDialog& d) {
             d.setPage(Page::Native);
             d.setIncludeData(false);
         },
         "tvchart",
         [&](const QString& path) {
             const std::optional<ChartFile::Content> read = ChartFile::read(file(path), nullptr);
             ASSERT_TRUE(read);
             EXPECT_TRUE(read->series[1].points.empty());
             EXPECT_EQ(read->series[1].pointCount, 500);
         }},
        {"CSV",
         [&](ChartExportDialog& d) {
             d.setPage(Page::Data);
             d.setDataFormat(ChartExportDialog::DataFormat::Csv);
         },
         "csv",
         [&](const QString& path) {
             const QList<QByteArray> rows = file(path).split('\n');
             EXPECT_EQ(rows.first(), QByteArray("X,SINE,TEMP\r"));
             const QList<QByteArray> row = rows[10].trimmed().split(',');
             ASSERT_EQ(row.size(), 3);
             EXPECT_EQ(row[0].toDouble(), 9.0);
             EXPECT_EQ(row[1].toDouble(), chart.series(0).y(9));
             EXPECT_EQ(row[2].toDouble(), chart.series(2).y(9));
         }},
        {"TSV",
         [&](ChartExportDialog& d) {
             d.setPage(Page::Data);
             d.setDataFormat(ChartExportDialog::DataFormat::Tsv);
         },
         "tsv",
         [&](const QString& path) {
             const QList<QByteArray> rows = file(path).split('\n');
             EXPECT_EQ(rows.first(), QByteArray("X\tSINE\tTEMP\r"));
             EXPECT_EQ(rows.size(), 1 + 500 + 1) << "header, rows, and after the last CR LF";
             EXPECT_EQ(rows[500].trimmed().split('\t')[1].toDouble(), chart.series(0).y(499));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChartExportDialog dialog(view, ui);
        c.choose(dialog);
        const QString path = dir.filePath(QStringLiteral("export.") + QLatin1String(c.suffix));
        ui.fileRequests.clear();
        ui.fileReplies = {path};
        ASSERT_TRUE(dialog.save());
        ASSERT_EQ(ui.fileRequests.size(), 1);
        EXPECT_EQ(ui.fileRequests.first().defaultSuffix, QLatin1String(c.suffix));
        EXPECT_TRUE(ui.fileRequests.first().confirmOverwrite);
        c.check(path);
    }
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(ChartDialogsTest, AFileThatCannotBeWrittenIsReportedAndCancelWritesNothing)
{
    ChartExportDialog dialog(view, ui);
    dialog.setPage(ChartExportDialog::Page::Data);
    EXPECT_FALSE(dialog.save()) << "cancelled";
    EXPECT_TRUE(ui.boxes.isEmpty());
    ui.fileReplies = {dir.filePath(QStringLiteral("missing/chart.csv"))};
    EXPECT_FALSE(dialog.save());
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes.first().caption, QStringLiteral("Error"));
}

TEST_F(ChartDialogsTest, CopyPutsThePictureOrTheDataOnTheClipboard)
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    view.copyToClipboard(); // "&Copy waveform"
    const QImage copied = clipboard->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_EQ(copied.size(), view.pictureSize());
    EXPECT_TRUE(drawnOn(copied));

    ChartExportDialog dialog(view, ui);
    dialog.setPage(ChartExportDialog::Page::Data);
    dialog.copy();
    EXPECT_TRUE(clipboard->text().startsWith(QStringLiteral("X,SINE,TEMP\r\n0,0,25\r\n")));
}

TEST_F(ChartDialogsTest, ChartSettingsMapsTheChartAndAppliesOnlyWhatCanBeShown)
{
    ChartSettingsDialog dialog(chart, ui);
    ASSERT_EQ(dialog.lines().size(), 2);
    EXPECT_TRUE(dialog.bottomAxis().automatic->isChecked());
    EXPECT_FALSE(dialog.bottomAxis().lower->isEnabled()) << "an automatic range is not typed";
    EXPECT_EQ(dialog.lines()[0].color->currentIndex(), defs.Colors[0]);
    EXPECT_TRUE(dialog.legend()->isChecked());

    // A reversed range is refused with a box; the editor stays open, the chart unchanged.
    dialog.leftAxis().automatic->setChecked(false);
    EXPECT_TRUE(dialog.leftAxis().lower->isEnabled());
    dialog.leftAxis().lower->setText(QStringLiteral("50"));
    dialog.leftAxis().upper->setText(QStringLiteral("-50"));
    dialog.accept();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes.first().caption, QStringLiteral("Error"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(chart.leftAxisRange().automatic);

    dialog.leftAxis().upper->setText(QStringLiteral("150"));
    dialog.leftAxis().title->setText(QStringLiteral("mV"));
    dialog.lines()[1].color->setCurrentIndex(15);
    dialog.lines()[1].width->setValue(3);
    dialog.lines()[0].shown->setChecked(false);
    dialog.legend()->setChecked(false);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(chart.leftAxisRange(), (ChartModel::AxisRange{false, 50, 150}));
    EXPECT_EQ(chart.leftAxisTitle(), QStringLiteral("mV"));
    EXPECT_EQ(defs.Colors[2], 15);
    EXPECT_EQ(chart.series(2).lineWidth(), 3);
    EXPECT_FALSE(chart.series(0).isLineVisible());
    EXPECT_FALSE(chart.isLegendVisible());

    // The view shows it at its next frame.
    ASSERT_TRUE(waitFor([&] {
        return view.plot()->yAxis->label() == QStringLiteral("mV") &&
               view.plot()->yAxis->range().lower == 50.0;
    }));
    EXPECT_EQ(view.plot()->graph(1)->pen().width(), 3);
}
