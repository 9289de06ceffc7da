#pragma once

#include "gui/ChartView.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class UiPort;

// "&Save other": the chart's export dialog, modal, with three pages: "Picture" (PNG, SVG or
// PDF at a chosen size), "Native" (our own chart file, with or without its points) and "Data"
// (CSV or TSV: a header row, then X and one column per series on the chart). "Save..." asks
// for a file name for the page shown and writes it; "Copy" puts the same on the clipboard.
class ChartExportDialog : public QDialog
{
    Q_OBJECT

public:
    enum class Page { Picture, Native, Data };
    enum class DataFormat { Csv, Tsv };

    ChartExportDialog(ChartView& chart, UiPort& ui, QWidget* parent = nullptr);

    Page page() const;
    void setPage(Page page);
    void setPictureFormat(ChartView::PictureFormat format);
    ChartView::PictureFormat pictureFormat() const;
    void setPictureSize(QSize size);
    QSize pictureSize() const;
    void setIncludeData(bool include);
    void setDataFormat(DataFormat format);

    // Asks for a file name for the page shown and writes it; false when cancelled or when
    // the file could not be written (which a message box says).
    bool save();
    // Writes what the page shown exports to path.
    bool saveTo(const QString& path, QString* error);
    void copy();

private:
    ChartView& m_chart;
    UiPort& m_ui;
    QTabWidget* m_pages = nullptr;
    QRadioButton* m_png = nullptr;
    QRadioButton* m_svg = nullptr;
    QRadioButton* m_pdf = nullptr;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QCheckBox* m_withData = nullptr;
    QRadioButton* m_csv = nullptr;
    QRadioButton* m_tsv = nullptr;
};
