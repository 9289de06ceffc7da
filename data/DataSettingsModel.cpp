#include "data/DataSettingsModel.h"

#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/DataSettings.h"
#include "data/IniFile.h"
#include "data/SettingsForm.h"
#include "data/TVarType.h"
#include "data/VarColors.h"
#include "data/VariableDefinitions.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

const QString DataSettingsModel::GridHint = QStringLiteral("Enter variables parameters here");

namespace {

const QString ErrorCaption = QStringLiteral("Error");
const QString WrongValue = QStringLiteral("Wrong value!");
const QString GridError = QStringLiteral("grid error!");

const std::array<const char*, DataSettingsModel::ColumnCount> Headers = {
    "N", "Active", "Variable Name", "Type", "Sign", "Scale", "Offset", "Color"};

int colorIndex(const QString& name)
{
    for (int i = 0; i < int(VarColors.size()); ++i)
        if (name == QLatin1String(VarColors[size_t(i)].name))
            return i;
    return -1;
}

QString colorName(int index)
{
    return QString::fromLatin1(VarColors[size_t(index)].name);
}

// The space and the punctuation around the digits: what a name in a command cannot hold.
bool forbiddenInName(QChar c)
{
    const char16_t code = c.unicode();
    return (code >= 32 && code <= 47) || (code >= 58 && code <= 64);
}

// A spin box's text: text that is not an integer is the box's minimum.
qint64 spinBoxValue(const QString& text, int min)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? value : min;
}

// A Scale or Offset is kept in single precision: a number it cannot hold is no value.
std::optional<float> single(std::optional<double> value)
{
    if (!value || !(std::abs(*value) <= double(std::numeric_limits<float>::max())))
        return std::nullopt;
    return float(*value);
}

} // namespace

DataSettingsModel::DataSettingsModel(ChartModel& chart, CaptureState& capture, UiPort& ui,
                                     const ProgramFiles::Location& startupFile,
                                     const QLocale& locale, QObject* parent)
    : QAbstractTableModel(parent), m_chart(chart), m_capture(capture), m_ui(ui),
      m_startup(ui, startupFile, locale), m_locale(locale)
{}

void DataSettingsModel::setDecimationText(const QString& text)
{
    setCaptureSettings(spinBoxValue(text, DecimationMin), m_scroll);
}

void DataSettingsModel::setScrollText(const QString& text)
{
    setCaptureSettings(m_decimation, spinBoxValue(text, ScrollMin));
}

void DataSettingsModel::setAxisXIsTime(bool time)
{
    if (time == m_axisXIsTime)
        return;
    m_axisXIsTime = time;
    Q_EMIT captureSettingsChanged();
}

void DataSettingsModel::FormActivate()
{
    const VariableDefinitions& defs = m_chart.definitions();
    SettingsForm shown;
    shown.decimation = defs.Decimation;
    shown.scroll = defs.Scroll;
    for (int i = 0; i < RowCount; ++i) {
        const TDataVariable& d = defs.DataVars[size_t(i)];
        SettingsForm::Row& row = shown.rows[size_t(i)];
        row.active = d.Active;
        // A code from a hand-edited file that names no entry leaves the cell as it was.
        row.type = varTypeText(d.Type).isEmpty() ? -1 : d.Type;
        row.sign = d.Sign;
        row.scale = double(d.Scale);
        row.offset = double(d.Offset);
        row.name = defs.Names[size_t(i)];
        row.color = defs.Colors[size_t(i)] < VarColors.size() ? defs.Colors[size_t(i)] : -1;
    }
    showForm(shown);
    m_axisXIsTime = defs.AxisX;
    Q_EMIT captureSettingsChanged();
}

void DataSettingsModel::GridBeforeEdit(int column, int row)
{
    if (column != ColScale && column != ColOffset)
        return;
    if (const std::optional<float> value = single(number(textCell(column, row))))
        m_remembered = *value;
    else
        m_ui.beep();
}

void DataSettingsModel::GridAfterEdit(int column, int row, const QString& text)
{
    switch (column) {
    case ColName:
        applyNameRule(row, text);
        break;
    case ColScale:
    case ColOffset:
        applyNumberRule(column, row, text);
        break;
    case ColType:
        if (varTypeFromText(text) >= 0)
            setCell(column, row, text);
        break;
    case ColColor:
        if (colorIndex(text) >= 0)
            setCell(column, row, text);
        break;
    default:
        break;
    }
}

void DataSettingsModel::setChecked(int column, int row, bool checked)
{
    if (column != ColActive && column != ColSign)
        return;
    Row& r = m_rows[size_t(row)];
    bool& cell = column == ColActive ? r.active : r.sign;
    if (cell == checked)
        return;
    cell = checked;
    cellChanged(column, row);
}

void DataSettingsModel::applyNameRule(int row, const QString& text)
{
    QString kept;
    int dropped = 0;
    for (const QChar c : text) {
        if (forbiddenInName(c))
            ++dropped;
        else
            kept.append(c);
    }
    // The cell shows what remains before the boxes tell of each character taken out.
    setCell(ColName, row, kept);
    for (int i = 0; i < dropped; ++i)
        showError(WrongValue);
}

void DataSettingsModel::applyNumberRule(int column, int row, const QString& text)
{
    // Either mark separates the decimals, whatever the locale uses.
    QString entered = text;
    const QString separator = m_locale.decimalPoint();
    entered.replace(QLatin1Char('.'), separator).replace(QLatin1Char(','), separator);
    if (const std::optional<float> value = single(number(entered))) {
        m_remembered = *value;
        setCell(column, row, entered);
        return;
    }
    setCell(column, row, numberText(double(m_remembered)));
    showError(WrongValue);
}

void DataSettingsModel::BtOkClick()
{
    VariableDefinitions& defs = m_chart.definitions();
    m_chart.clearAll();
    m_capture.RestartCapture();
    defs.Decimation = m_decimation;
    defs.Scroll = m_scroll;
    defs.AxisX = m_axisXIsTime;

    std::array<bool, RowCount> wasActive{};
    for (int i = 0; i < RowCount; ++i) {
        const Row& row = m_rows[size_t(i)];
        TDataVariable& d = defs.DataVars[size_t(i)];
        wasActive[size_t(i)] = d.Active;
        d.Active = row.active;
        if (const int type = varTypeFromText(row.type); type >= 0)
            d.Type = quint8(type);
        d.Sign = row.sign;
        // A cell that holds no number keeps the value in force.
        d.Scale = single(number(row.scale)).value_or(d.Scale);
        d.Offset = single(number(row.offset)).value_or(d.Offset);
        m_chart.series(i).setTitle(row.name);
        if (const int color = colorIndex(row.color); color >= 0)
            m_chart.series(i).setColorIndex(quint8(color));
    }

    // A failure has its message; the definitions are in force all the same, so the chart
    // follows them either way.
    m_startup.write(defs);

    for (int i = 0; i < RowCount; ++i) {
        const bool active = defs.DataVars[size_t(i)].Active;
        if (active && !wasActive[size_t(i)])
            m_chart.putOnChart(i);
        else if (!active && wasActive[size_t(i)])
            m_chart.takeOffChart(i);
    }
    if (m_chart.seriesOnChartCount() > 0)
        m_chart.refresh();
    Q_EMIT applied();
}

void DataSettingsModel::LoadClick()
{
    const QString path = m_ui.chooseFile(fileRequest(UiPort::FileMode::Open));
    if (path.isEmpty())
        return;
    IniFile file;
    if (!file.load(path)) {
        showError(GridError);
        return;
    }
    SettingsForm loaded = form();
    int failedRow = -1;
    const bool ok = DataSettings::loadForm(file, loaded, m_locale, &failedRow);
    showForm(loaded, ok ? -1 : failedRow);
    if (!ok)
        showError(GridError);
}

void DataSettingsModel::SaveClick()
{
    const QString path = m_ui.chooseFile(fileRequest(UiPort::FileMode::Save));
    if (path.isEmpty())
        return;
    if (!DataSettings::saveFormFile(path, form(), m_locale))
        m_ui.messageBox(QStringLiteral("Unable to write to %1")
                            .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())),
                        QStringLiteral("Taviro"), UiPort::Icon::Error, int(UiPort::Button::Ok));
}

int DataSettingsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount;
}

int DataSettingsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DataSettingsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    const Row& r = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case ColN:
            return QString::number(index.row() + 1);
        case ColName:
            return r.name;
        case ColType:
            return r.type;
        case ColScale:
            return r.scale;
        case ColOffset:
            return r.offset;
        case ColColor:
            return r.color;
        default:
            return {};
        }
    case Qt::CheckStateRole:
        if (column == ColActive || column == ColSign)
            return (column == ColActive ? r.active : r.sign) ? Qt::Checked : Qt::Unchecked;
        return {};
    case ColorRgbRole:
        if (const int color = colorIndex(r.color); column == ColColor && color >= 0)
            return VarColors[size_t(color)].rgb;
        return {};
    case Qt::AccessibleTextRole:
        // A check box cell has no text of its own: it is named after its column.
        if (column == ColActive || column == ColSign)
            return QString::fromLatin1(Headers[size_t(column)]);
        return {};
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
        return GridHint;
    default:
        return {};
    }
}

bool DataSettingsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid())
        return false;
    if (role == Qt::EditRole)
        GridAfterEdit(index.column(), index.row(), value.toString());
    else if (role == Qt::CheckStateRole)
        setChecked(index.column(), index.row(), value.toInt() == Qt::Checked);
    else
        return false;
    return true;
}

Qt::ItemFlags DataSettingsModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    switch (index.column()) {
    case ColN:
        return Qt::ItemIsEnabled;
    case ColActive:
    case ColSign:
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    default:
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    }
}

QVariant DataSettingsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(Headers[size_t(section)]);
    if (role == Qt::ToolTipRole || role == Qt::AccessibleDescriptionRole)
        return GridHint;
    return {};
}

std::optional<double> DataSettingsModel::number(const QString& text) const
{
    return DataSettings::toFloat(text, m_locale);
}

QString DataSettingsModel::numberText(double value) const
{
    return DataSettings::fromFloat(value, m_locale);
}

void DataSettingsModel::setCell(int column, int row, const QString& text)
{
    QString& cell = textCell(column, row);
    if (cell == text)
        return;
    cell = text;
    cellChanged(column, row);
}

QString& DataSettingsModel::textCell(int column, int row)
{
    Row& r = m_rows[size_t(row)];
    switch (column) {
    case ColName:
        return r.name;
    case ColType:
        return r.type;
    case ColScale:
        return r.scale;
    case ColOffset:
        return r.offset;
    default:
        return r.color;
    }
}

void DataSettingsModel::cellChanged(int column, int row)
{
    const QModelIndex at = index(row, column);
    Q_EMIT dataChanged(at, at);
}

void DataSettingsModel::setCaptureSettings(qint64 decimation, qint64 scroll)
{
    m_decimation = int(std::clamp<qint64>(decimation, DecimationMin, DecimationMax));
    m_scroll = int(std::clamp<qint64>(scroll, ScrollMin, ScrollMax));
    // Also when nothing changed: a box whose text was brought to a limit shows the limit.
    Q_EMIT captureSettingsChanged();
}

void DataSettingsModel::showError(const QString& text)
{
    m_ui.messageBox(text, ErrorCaption, UiPort::Icon::Error, int(UiPort::Button::Ok));
}

UiPort::FileRequest DataSettingsModel::fileRequest(UiPort::FileMode mode) const
{
    UiPort::FileRequest request;
    request.mode = mode;
    request.initialFolder = QFileInfo(m_startup.location().writePath).absolutePath();
    // A filter without a label is labelled with its pattern.
    request.filters = {QStringLiteral("*.ini"), QStringLiteral("*.*")};
    if (mode == UiPort::FileMode::Save)
        request.defaultSuffix = QStringLiteral("ini");
    return request;
}

SettingsForm DataSettingsModel::form() const
{
    SettingsForm f;
    f.decimation = m_decimation;
    f.scroll = m_scroll;
    for (int i = 0; i < RowCount; ++i) {
        const Row& r = m_rows[size_t(i)];
        SettingsForm::Row& row = f.rows[size_t(i)];
        row.active = r.active;
        row.type = varTypeFromText(r.type);
        row.sign = r.sign;
        // The cells hold numbers the rules accepted or the program wrote; the defaults of a
        // settings file only stand in should one not read back.
        row.scale = number(r.scale).value_or(1.0);
        row.offset = number(r.offset).value_or(0.0);
        row.name = r.name;
        row.color = colorIndex(r.color);
    }
    return f;
}

void DataSettingsModel::showForm(const SettingsForm& f, int failedRow)
{
    const int rows = failedRow < 0 ? RowCount : failedRow + 1;
    for (int i = 0; i < rows; ++i) {
        const SettingsForm::Row& row = f.rows[size_t(i)];
        Row& r = m_rows[size_t(i)];
        r.active = row.active;
        if (row.type >= 0)
            r.type = varTypeText(row.type);
        r.sign = row.sign;
        r.scale = numberText(row.scale);
        r.offset = numberText(row.offset);
        if (i != failedRow && row.color >= 0)
            r.color = colorName(row.color);
        if (failedRow < 0)
            r.name = row.name;
    }
    Q_EMIT dataChanged(index(0, 0), index(RowCount - 1, ColumnCount - 1));
    setCaptureSettings(f.decimation, f.scroll);
}
