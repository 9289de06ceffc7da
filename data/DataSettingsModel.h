#pragma once

#include "base/ProgramFiles.h"
#include "base/UiPort.h"
#include "data/StartupSettings.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QString>

#include <array>
#include <optional>

class CaptureState;
class ChartModel;
struct SettingsForm;

// The "Variables Settings" dialog without its widgets: what its controls show (the sixteen
// grid rows and the capture settings), the rules applied while the user edits them, and what
// filling, OK, "Load..." and "Save..." do. The grid is this table model; the dialog maps its
// spin boxes and radio buttons to the capture-setting accessors. Message boxes, the beep and
// the file choice go through the UI port.
//
// Cells hold text as the grid shows it. Nothing is applied to the variables before OK.
class DataSettingsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        ColN,
        ColActive,
        ColName,
        ColType,
        ColSign,
        ColScale,
        ColOffset,
        ColColor,
        ColumnCount
    };
    // 0xRRGGBB of the colour a Color cell names (none when it names no colour).
    static constexpr int ColorRgbRole = Qt::UserRole + 1;
    static constexpr int RowCount = 16;

    static constexpr int DecimationMin = 1;
    static constexpr int DecimationMax = 32000;
    static constexpr int ScrollMin = 0;
    static constexpr int ScrollMax = 32000;

    static const QString GridHint;

    struct Row
    {
        bool active = false;
        QString name;
        QString type; // a grid text of TVarType, or empty before the first filling
        bool sign = false;
        QString scale;
        QString offset;
        QString color; // a VarColors name
    };

    // startupFile: where OK writes the settings; "Load..." and "Save..." open in its folder
    // (beside the executable, or the config folder when that cannot be written).
    DataSettingsModel(ChartModel& chart, CaptureState& capture, UiPort& ui,
                      const ProgramFiles::Location& startupFile, const QLocale& locale = QLocale(),
                      QObject* parent = nullptr);

    const Row& row(int row) const { return m_rows[size_t(row)]; }

    // "Print packet every", "Scroll" and the X-axis radio buttons.
    int decimation() const { return m_decimation; }
    int scroll() const { return m_scroll; }
    bool axisXIsTime() const { return m_axisXIsTime; }
    // A spin box's text: a value is brought within the box's limits; text that is not an
    // integer is read as the box's minimum.
    void setDecimationText(const QString& text);
    void setScrollText(const QString& text);
    void setAxisXIsTime(bool time);

    // Fills every control from the applied definitions; called each time the dialog is shown.
    void FormActivate();
    // An edit of a cell begins: a Scale or Offset cell's number becomes the remembered value
    // (a beep when the cell holds no number).
    void GridBeforeEdit(int column, int row);
    // An edit ends with the entered text: the name rule, the number rule, or for Type and
    // Color an entry of their list (other text is refused). N and the check boxes take no
    // text.
    void GridAfterEdit(int column, int row, const QString& text);
    void setChecked(int column, int row, bool checked);

    // Applies the controls: clears the series, restarts the capture, takes over the settings,
    // writes the start-up settings file and puts series on or takes them off the chart.
    void BtOkClick();
    // Reads a chosen settings file into the controls only; "grid error!" stops it.
    void LoadClick();
    // Writes the controls (not the applied settings) to a chosen settings file.
    void SaveClick();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // EditRole runs GridAfterEdit, CheckStateRole setChecked.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The spin boxes or the radio buttons have a new value to show.
    void captureSettingsChanged();
    // OK put the controls in force: variable names may have come or gone.
    void applied();

private:
    std::optional<double> number(const QString& text) const;
    QString numberText(double value) const;
    void applyNameRule(int row, const QString& text);
    void applyNumberRule(int column, int row, const QString& text);
    void setCell(int column, int row, const QString& text);
    QString& textCell(int column, int row);
    void cellChanged(int column, int row);
    void setCaptureSettings(qint64 decimation, qint64 scroll);
    void showError(const QString& text);
    UiPort::FileRequest fileRequest(UiPort::FileMode mode) const;
    // The cells as typed values, and back: rows before failedRow whole, the row at failedRow
    // without its Color, the names only when nothing failed (failedRow -1).
    SettingsForm form() const;
    void showForm(const SettingsForm& form, int failedRow = -1);

    ChartModel& m_chart;
    CaptureState& m_capture;
    UiPort& m_ui;
    StartupSettings m_startup;
    QLocale m_locale;

    std::array<Row, RowCount> m_rows;
    int m_decimation = DecimationMin;
    int m_scroll = ScrollMin;
    bool m_axisXIsTime = false;
    // The number rule's one value for the whole grid, in the precision the variables keep.
    float m_remembered = 0.0f;
};
