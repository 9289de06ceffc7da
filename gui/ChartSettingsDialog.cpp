#include "gui/ChartSettingsDialog.h"

#include "base/UiPort.h"
#include "data/ChartModel.h"
#include "data/VarColors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace {

QString numberText(double v)
{
    return QLocale().toString(v, 'g', 12);
}

// The user's locale first (as the settings dialog reads numbers), then the C locale.
double numberOf(const QString& text)
{
    bool ok = false;
    double v = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok)
        v = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? v : std::numeric_limits<double>::quiet_NaN();
}

QIcon colorIcon(quint32 rgb)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(QColor::fromRgb(QRgb(rgb)));
    return QIcon(pixmap);
}

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    buddy->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return label;
}

} // namespace

ChartSettingsDialog::ChartSettingsDialog(ChartModel& chart, UiPort& ui, QWidget* parent)
    : QDialog(parent), m_chart(chart), m_ui(ui), m_initial(ChartSettings::from(chart))
{
    setWindowTitle(QStringLiteral("Chart settings"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* axes = new QGroupBox(QStringLiteral("Axes"), this);
    auto* axesGrid = new QGridLayout(axes);
    axesGrid->addWidget(new QLabel(QStringLiteral("Title"), axes), 0, 1);
    axesGrid->addWidget(new QLabel(QStringLiteral("Minimum"), axes), 0, 3);
    axesGrid->addWidget(new QLabel(QStringLiteral("Maximum"), axes), 0, 4);
    const auto addAxis = [&](int row, const QString& name, AxisControls& c, const QString& title,
                             const ChartModel::AxisRange& range) {
        c.title = new QLineEdit(title, axes);
        c.automatic = new QCheckBox(QStringLiteral("Automatic"), axes);
        c.lower = new QLineEdit(numberText(range.lower), axes);
        c.upper = new QLineEdit(numberText(range.upper), axes);
        c.automatic->setChecked(range.automatic);
        c.automatic->setAccessibleName(name + QStringLiteral(" automatic"));
        c.lower->setAccessibleName(name + QStringLiteral(" minimum"));
        c.upper->setAccessibleName(name + QStringLiteral(" maximum"));
        // A fixed range is typed in; an automatic one follows the data.
        const auto follow = [c](bool automatic) {
            c.lower->setEnabled(!automatic);
            c.upper->setEnabled(!automatic);
        };
        follow(range.automatic);
        connect(c.automatic, &QCheckBox::toggled, this, follow);
        axesGrid->addWidget(buddyLabel(name + QStringLiteral(":"), c.title, axes), row, 0);
        axesGrid->addWidget(c.title, row, 1);
        axesGrid->addWidget(c.automatic, row, 2);
        axesGrid->addWidget(c.lower, row, 3);
        axesGrid->addWidget(c.upper, row, 4);
    };
    addAxis(1, QStringLiteral("&Bottom axis"), m_bottom, m_initial.bottomTitle, m_initial.bottom);
    addAxis(2, QStringLiteral("&Left axis"), m_left, m_initial.leftTitle, m_initial.left);
    layout->addWidget(axes);

    auto* lines = new QGroupBox(QStringLiteral("Lines"), this);
    auto* linesGrid = new QGridLayout(lines);
    linesGrid->addWidget(new QLabel(QStringLiteral("Colour"), lines), 0, 1);
    linesGrid->addWidget(new QLabel(QStringLiteral("Width"), lines), 0, 2);
    for (int row = 0; row < m_initial.series.size(); ++row) {
        const ChartSettings::Series& s = m_initial.series[row];
        LineControls c;
        c.color = new QComboBox(lines);
        for (const VarColor& color : VarColors)
            c.color->addItem(colorIcon(color.rgb), QLatin1String(color.name));
        c.color->setCurrentIndex(s.colorIndex < VarColors.size() ? s.colorIndex : 0);
        c.width = new QSpinBox(lines);
        c.width->setRange(1, ChartSettings::MaxLineWidth);
        c.width->setValue(s.lineWidth);
        c.width->setSuffix(QStringLiteral(" px"));
        c.shown = new QCheckBox(QStringLiteral("Shown"), lines);
        c.shown->setChecked(s.visible);
        c.color->setAccessibleName(s.title + QStringLiteral(" colour"));
        c.width->setAccessibleName(s.title + QStringLiteral(" width"));
        c.shown->setAccessibleName(s.title + QStringLiteral(" shown"));
        auto* name = new QLabel(s.title, lines);
        name->setBuddy(c.color);
        linesGrid->addWidget(name, row + 1, 0);
        linesGrid->addWidget(c.color, row + 1, 1);
        linesGrid->addWidget(c.width, row + 1, 2);
        linesGrid->addWidget(c.shown, row + 1, 3);
        m_lines.append(c);
    }
    if (m_initial.series.isEmpty())
        linesGrid->addWidget(new QLabel(QStringLiteral("No series on the chart"), lines), 1, 0, 1,
                             4);
    layout->addWidget(lines);

    m_legend = new QCheckBox(QStringLiteral("Show the le&gend"), this);
    m_legend->setChecked(m_initial.legend);
    m_legend->setAccessibleName(QStringLiteral("Show the legend"));
    layout->addWidget(m_legend);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChartSettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ChartSettings ChartSettingsDialog::settings() const
{
    ChartSettings s = m_initial;
    const auto read = [](const AxisControls& c, ChartModel::AxisRange& range) {
        range.automatic = c.automatic->isChecked();
        range.lower = numberOf(c.lower->text());
        range.upper = numberOf(c.upper->text());
    };
    s.bottomTitle = m_bottom.title->text();
    s.leftTitle = m_left.title->text();
    read(m_bottom, s.bottom);
    read(m_left, s.left);
    s.legend = m_legend->isChecked();
    for (int i = 0; i < m_lines.size(); ++i) {
        s.series[i].colorIndex = quint8(m_lines[i].color->currentIndex());
        s.series[i].lineWidth = m_lines[i].width->value();
        s.series[i].visible = m_lines[i].shown->isChecked();
    }
    return s;
}

void ChartSettingsDialog::accept()
{
    const ChartSettings s = settings();
    const QString error = s.error(m_chart.leftAxisScale());
    if (!error.isEmpty()) {
        m_ui.messageBox(error, QStringLiteral("Error"), UiPort::Icon::Error,
                        int(UiPort::Button::Ok));
        return;
    }
    s.applyTo(m_chart);
    QDialog::accept();
}
