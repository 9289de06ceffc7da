#pragma once

#include <QDialog>

class DataSettingsModel;
class QRadioButton;
class QSpinBox;
class QTableView;
class VariablesGridDelegate;

// The "Variables Settings" dialog: the variables grid, the capture settings and the Load,
// Save, OK and Cancel buttons over a DataSettingsModel, which holds what the controls show and
// every rule. Fixed size, centred on the screen; showing it fills it from the applied
// settings, OK applies them.
class TfmDataSettings : public QDialog
{
    Q_OBJECT

public:
    // The controls are found by their object names: "grid", "decimation", "scroll",
    // "axisCount", "axisTime", "load", "save", "ok", "cancel".
    explicit TfmDataSettings(DataSettingsModel& model, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The controls' edits that have not reached the model yet: an open cell editor and the
    // spin boxes' text.
    void commitEdits();
    void showCaptureSettings();
    void fitGrid();

    DataSettingsModel& m_model;
    QTableView* m_grid;
    VariablesGridDelegate* m_delegate;
    QSpinBox* m_decimation;
    QSpinBox* m_scroll;
    QRadioButton* m_count;
    QRadioButton* m_time;
};
