#include "gui/TfmDataSettings.h"

#include "data/DataSettingsModel.h"
#include "gui/VariablesGridDelegate.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QTableView>

#include <array>

namespace {

using M = DataSettingsModel;

QSpinBox* spinBox(const QString& name, int min, int max, const QString& hint, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(min, max);
    // A typed value outside the limits becomes the nearest limit when the box is left.
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    box->setToolTip(hint);
    box->setAccessibleDescription(hint);
    return box;
}

QLabel* buddyLabel(const QString& caption, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

template <typename Button>
Button* button(const QString& caption, const QString& name, const QString& hint, QWidget* parent)
{
    auto* b = new Button(caption, parent);
    b->setObjectName(name);
    if (!hint.isEmpty()) {
        b->setToolTip(hint);
        b->setAccessibleDescription(hint);
    }
    return b;
}

} // namespace

TfmDataSettings::TfmDataSettings(DataSettingsModel& model, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_model(model), m_grid(new QTableView(this)),
      m_delegate(new VariablesGridDelegate(model, this)),
      m_decimation(spinBox(QStringLiteral("decimation"), M::DecimationMin, M::DecimationMax,
                           QStringLiteral("For Example, if value set to 10 it mean what 9 packets "
                                          "will be skipped and only one was added to archive"),
                           this)),
      m_scroll(spinBox(QStringLiteral("scroll"), M::ScrollMin, M::ScrollMax,
                       QStringLiteral("Set how much packets will be show in Chart window. Zero "
                                      "means all packets"),
                       this)),
      m_count(button<QRadioButton>(QStringLiteral("AxisX is a count"), QStringLiteral("axisCount"),
                                   QStringLiteral("Axis X shows packets count"), this)),
      m_time(button<QRadioButton>(QStringLiteral("AxisX is a time"), QStringLiteral("axisTime"),
                                  QStringLiteral("Axis X shows packets time in miliseconds"), this))
{
    setWindowTitle(QStringLiteral("Variables Settings"));

    m_grid->setObjectName(QStringLiteral("grid"));
    m_grid->setModel(&m_model);
    m_grid->setItemDelegate(m_delegate);
    m_grid->setToolTip(M::GridHint);
    m_grid->setAccessibleName(QStringLiteral("Variables"));
    m_grid->setAccessibleDescription(M::GridHint);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grid->setTabKeyNavigation(true);
    fitGrid();

    auto* load = button<QPushButton>(QStringLiteral("Load..."), QStringLiteral("load"),
                                     QStringLiteral("Load settings from file"), this);
    auto* save = button<QPushButton>(QStringLiteral("Save..."), QStringLiteral("save"),
                                     QStringLiteral("Save current settings to file"), this);
    auto* ok = button<QPushButton>(QStringLiteral("OK"), QStringLiteral("ok"), {}, this);
    auto* cancel =
        button<QPushButton>(QStringLiteral("Cancel"), QStringLiteral("cancel"), {}, this);
    ok->setDefault(true);

    auto* radios = new QVBoxLayout;
    radios->addWidget(m_count);
    radios->addWidget(m_time);
    auto* capture = new QHBoxLayout;
    capture->addWidget(buddyLabel(QStringLiteral("Print packet every"), m_decimation, this));
    capture->addWidget(m_decimation);
    capture->addSpacing(16);
    capture->addWidget(buddyLabel(QStringLiteral("Scroll"), m_scroll, this));
    capture->addWidget(m_scroll);
    capture->addStretch();
    capture->addLayout(radios);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(load);
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid);
    layout->addLayout(capture);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(&m_model, &M::captureSettingsChanged, this, &TfmDataSettings::showCaptureSettings);
    connect(m_decimation, &QSpinBox::valueChanged, this,
            [this] { m_model.setDecimationText(m_decimation->cleanText()); });
    connect(m_scroll, &QSpinBox::valueChanged, this,
            [this] { m_model.setScrollText(m_scroll->cleanText()); });
    connect(m_time, &QRadioButton::toggled, this,
            [this](bool time) { m_model.setAxisXIsTime(time); });
    connect(load, &QPushButton::clicked, this, [this] {
        commitEdits();
        m_model.LoadClick();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        commitEdits();
        m_model.SaveClick();
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        commitEdits();
        m_model.BtOkClick();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    showCaptureSettings();
}

void TfmDataSettings::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A minimised dialog shown again keeps its edit; a new showing starts from the settings.
    if (event->spontaneous())
        return;
    // An editor left open when the dialog last closed goes without committing.
    m_grid->reset();
    m_model.FormActivate();
    if (const QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TfmDataSettings::commitEdits()
{
    const QModelIndex current = m_grid->currentIndex();
    if (QWidget* editor = current.isValid() ? m_grid->indexWidget(current) : nullptr) {
        Q_EMIT m_delegate->commitData(editor);
        Q_EMIT m_delegate->closeEditor(editor);
    }
    // Both texts are read first: the model shows each change in both boxes.
    const QString decimation = m_decimation->cleanText();
    const QString scroll = m_scroll->cleanText();
    m_model.setDecimationText(decimation);
    m_model.setScrollText(scroll);
}

void TfmDataSettings::showCaptureSettings()
{
    if (m_decimation->value() != m_model.decimation())
        m_decimation->setValue(m_model.decimation());
    if (m_scroll->value() != m_model.scroll())
        m_scroll->setValue(m_model.scroll());
    (m_model.axisXIsTime() ? m_time : m_count)->setChecked(true);
}

void TfmDataSettings::fitGrid()
{
    const QFontMetrics fm = m_grid->fontMetrics();
    const int pad = 2 * fm.horizontalAdvance(QLatin1Char('M'));
    const int list = QComboBox().sizeHint().height(); // room for the drop-down arrow
    const std::array<int, M::ColumnCount> widths = {
        fm.horizontalAdvance(QStringLiteral("16")) + pad,
        fm.horizontalAdvance(QStringLiteral("Active")) + pad,
        fm.horizontalAdvance(QStringLiteral("Variable Name")) + 2 * pad,
        fm.horizontalAdvance(QStringLiteral("long int")) + pad + list,
        fm.horizontalAdvance(QStringLiteral("Sign")) + pad,
        fm.horizontalAdvance(QStringLiteral("-0.100000001490116")) + pad,
        fm.horizontalAdvance(QStringLiteral("-0.100000001490116")) + pad,
        fm.horizontalAdvance(QStringLiteral("MidnighBlue")) + pad + 2 * list,
    };
    int width = 2 * m_grid->frameWidth();
    for (int c = 0; c < M::ColumnCount; ++c) {
        m_grid->setColumnWidth(c, widths[size_t(c)]);
        width += widths[size_t(c)];
    }
    // Rows high enough for a drop-down editor; all sixteen shown without scrolling.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(list);
    const int height = 2 * m_grid->frameWidth() + m_grid->horizontalHeader()->sizeHint().height() +
                       M::RowCount * list;
    m_grid->setFixedSize(width, height);
}
