#pragma once

#include "data/ChartSettings.h"

#include <QDialog>
#include <QList>

class ChartModel;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class UiPort;

// "&Chart settings...": a small editor of the chart: the axis titles and ranges (automatic or
// from a minimum to a maximum), each line's colour, width and visibility, and the legend. It
// maps ChartSettings to its controls; OK applies them when they hold no error (a message box
// says which one otherwise, and the editor stays open).
class ChartSettingsDialog : public QDialog
{
    Q_OBJECT

public:
    ChartSettingsDialog(ChartModel& chart, UiPort& ui, QWidget* parent = nullptr);

    // The settings as the controls hold them.
    ChartSettings settings() const;

    struct AxisControls
    {
        QLineEdit* title = nullptr;
        QCheckBox* automatic = nullptr;
        QLineEdit* lower = nullptr;
        QLineEdit* upper = nullptr;
    };
    struct LineControls
    {
        QComboBox* color = nullptr;
        QSpinBox* width = nullptr;
        QCheckBox* shown = nullptr;
    };
    const AxisControls& bottomAxis() const { return m_bottom; }
    const AxisControls& leftAxis() const { return m_left; }
    const QList<LineControls>& lines() const { return m_lines; }
    QCheckBox* legend() const { return m_legend; }

    void accept() override;

private:
    ChartModel& m_chart;
    UiPort& m_ui;
    ChartSettings m_initial;
    AxisControls m_bottom;
    AxisControls m_left;
    QList<LineControls> m_lines;
    QCheckBox* m_legend = nullptr;
};
