#include "gui/ChartExportDialog.h"

#include "base/UiPort.h"
#include "data/ChartDataExport.h"
#include "data/ChartFile.h"
#include "data/ChartModel.h"

#include <QApplication>
#include <QBuffer>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int MaxPicturePx = 20000;

struct FileKind
{
    const char* filter;
    const char* suffix;
};

QWidget* addPage(QTabWidget* tabs, const QString& title)
{
    auto* w = new QWidget(tabs);
    tabs->addTab(w, title);
    return w;
}

} // namespace

ChartExportDialog::ChartExportDialog(ChartView& chart, UiPort& ui, QWidget* parent)
    : QDialog(parent), m_chart(chart), m_ui(ui)
{
    setWindowTitle(QStringLiteral("Export"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    layout->addWidget(m_pages);

    QWidget* picture = addPage(m_pages, QStringLiteral("Picture"));
    auto* pictureForm = new QFormLayout(picture);
    m_png = new QRadioButton(QStringLiteral("PNG"), picture);
    m_svg = new QRadioButton(QStringLiteral("SVG"), picture);
    m_pdf = new QRadioButton(QStringLiteral("PDF"), picture);
    m_png->setChecked(true);
    auto* formats = new QVBoxLayout;
    for (QRadioButton* b : {m_png, m_svg, m_pdf}) {
        b->setAccessibleName(b->text());
        formats->addWidget(b);
    }
    auto* formatLabel = new QLabel(QStringLiteral("Format:"), picture);
    pictureForm->addRow(formatLabel, formats);
    m_width = new QSpinBox(picture);
    m_height = new QSpinBox(picture);
    for (QSpinBox* s : {m_width, m_height}) {
        s->setRange(16, MaxPicturePx);
        s->setSuffix(QStringLiteral(" px"));
    }
    auto* widthLabel = new QLabel(QStringLiteral("&Width:"), picture);
    auto* heightLabel = new QLabel(QStringLiteral("&Height:"), picture);
    widthLabel->setBuddy(m_width);
    heightLabel->setBuddy(m_height);
    m_width->setAccessibleName(QStringLiteral("Width"));
    m_height->setAccessibleName(QStringLiteral("Height"));
    pictureForm->addRow(widthLabel, m_width);
    pictureForm->addRow(heightLabel, m_height);
    setPictureSize(chart.pictureSize());

    QWidget* native = addPage(m_pages, QStringLiteral("Native"));
    auto* nativeLayout = new QVBoxLayout(native);
    auto* nativeNote = new QLabel(
        QStringLiteral("The chart in our own file format (*.%1): series, colours, axes and "
                       "scale, to keep or to read with other tools.")
            .arg(QLatin1String(ChartFile::Suffix)),
        native);
    nativeNote->setWordWrap(true);
    nativeLayout->addWidget(nativeNote);
    m_withData = new QCheckBox(QStringLiteral("Include the &data (every point)"), native);
    m_withData->setChecked(true);
    m_withData->setAccessibleName(QStringLiteral("Include the data"));
    nativeLayout->addWidget(m_withData);
    nativeLayout->addStretch(1);

    QWidget* data = addPage(m_pages, QStringLiteral("Data"));
    auto* dataLayout = new QVBoxLayout(data);
    m_csv = new QRadioButton(QStringLiteral("CSV (comma-separated values)"), data);
    m_tsv = new QRadioButton(QStringLiteral("TSV (tab-separated values)"), data);
    m_csv->setChecked(true);
    for (QRadioButton* b : {m_csv, m_tsv}) {
        b->setAccessibleName(b->text());
        dataLayout->addWidget(b);
    }
    auto* dataNote = new QLabel(
        QStringLiteral("A header row, then one row per X: X and one column per series on "
                       "the chart."),
        data);
    dataNote->setWordWrap(true);
    dataLayout->addWidget(dataNote);
    dataLayout->addStretch(1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* saveButton =
        buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole);
    QPushButton* copyButton =
        buttons->addButton(QStringLiteral("C&opy"), QDialogButtonBox::ActionRole);
    saveButton->setToolTip(QStringLiteral("Save to a file"));
    copyButton->setToolTip(QStringLiteral("Copy to the clipboard"));
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(copyButton, &QPushButton::clicked, this, &ChartExportDialog::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ChartExportDialog::Page ChartExportDialog::page() const
{
    return Page(m_pages->currentIndex());
}

void ChartExportDialog::setPage(Page page)
{
    m_pages->setCurrentIndex(int(page));
}

void ChartExportDialog::setPictureFormat(ChartView::PictureFormat format)
{
    (format == ChartView::PictureFormat::Png   ? m_png
     : format == ChartView::PictureFormat::Svg ? m_svg
                                               : m_pdf)
        ->setChecked(true);
}

ChartView::PictureFormat ChartExportDialog::pictureFormat() const
{
    if (m_svg->isChecked())
        return ChartView::PictureFormat::Svg;
    return m_pdf->isChecked() ? ChartView::PictureFormat::Pdf : ChartView::PictureFormat::Png;
}

void ChartExportDialog::setPictureSize(QSize size)
{
    m_width->setValue(size.width());
    m_height->setValue(size.height());
}

QSize ChartExportDialog::pictureSize() const
{
    return {m_width->value(), m_height->value()};
}

void ChartExportDialog::setIncludeData(bool include)
{
    m_withData->setChecked(include);
}

void ChartExportDialog::setDataFormat(DataFormat format)
{
    (format == DataFormat::Csv ? m_csv : m_tsv)->setChecked(true);
}

bool ChartExportDialog::save()
{
    FileKind kind{"Chart files|*.tvchart", ChartFile::Suffix};
    switch (page()) {
    case Page::Picture:
        switch (pictureFormat()) {
        case ChartView::PictureFormat::Png:
            kind = {"PNG image|*.png", "png"};
            break;
        case ChartView::PictureFormat::Svg:
            kind = {"SVG image|*.svg", "svg"};
            break;
        case ChartView::PictureFormat::Pdf:
            kind = {"PDF document|*.pdf", "pdf"};
            break;
        }
        break;
    case Page::Native:
        break;
    case Page::Data:
        kind = m_csv->isChecked() ? FileKind{"CSV files|*.csv", "csv"}
                                  : FileKind{"TSV files|*.tsv", "tsv"};
        break;
    }
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Save;
    request.title = QStringLiteral("Export");
    request.initialName = QStringLiteral("chart.") + QLatin1String(kind.suffix);
    request.filters = {QLatin1String(kind.filter), QStringLiteral("All files|*.*")};
    request.defaultSuffix = QLatin1String(kind.suffix);
    request.confirmOverwrite = true;
    const QString path = m_ui.chooseFile(request);
    if (path.isEmpty())
        return false;
    QString error;
    if (saveTo(path, &error))
        return true;
    m_ui.messageBox(QStringLiteral("Cannot write %1: %2").arg(path, error), QStringLiteral("Error"),
                    UiPort::Icon::Error, int(UiPort::Button::Ok));
    return false;
}

bool ChartExportDialog::saveTo(const QString& path, QString* error)
{
    const ChartModel& chart = m_chart.chart();
    switch (page()) {
    case Page::Picture:
        return m_chart.savePicture(path, pictureFormat(), pictureSize(), error);
    case Page::Native:
        return ChartFile::save(chart, path, m_withData->isChecked(), error);
    case Page::Data:
        return ChartDataExport::save(
            chart, m_csv->isChecked() ? ChartDataExport::Format::Csv : ChartDataExport::Format::Tsv,
            path, error);
    }
    return false;
}

void ChartExportDialog::copy()
{
    QClipboard* clipboard = QApplication::clipboard();
    QBuffer text;
    text.open(QIODevice::WriteOnly);
    switch (page()) {
    case Page::Picture:
        clipboard->setImage(m_chart.picture(pictureSize()));
        return;
    case Page::Native:
        ChartFile::write(m_chart.chart(), m_withData->isChecked(), text);
        break;
    case Page::Data:
        ChartDataExport::write(
            m_chart.chart(),
            m_csv->isChecked() ? ChartDataExport::Format::Csv : ChartDataExport::Format::Tsv, text);
        break;
    }
    clipboard->setText(QString::fromUtf8(text.data()));
}
