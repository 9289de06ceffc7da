#include "gui/BottomPanel.h"

#include "script/ScriptRunner.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QPushButton* button(const char* name, const QString& caption, const QString& hint, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

QSpinBox* spinBox(const char* name, int maximum, int step, const QString& hint, QWidget* parent)
{
    auto* s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(0, maximum);
    s->setSingleStep(step);
    s->setValue(0);
    s->setToolTip(hint);
    return s;
}

} // namespace

BottomPanel::BottomPanel(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(Height);

    m_reset = button("BtReset", QStringLiteral("Reset"),
                     QStringLiteral("Break current operation. Initialize USB-I2C bridge"), this);
    m_list = button("BtList", QStringLiteral("List"),
                    QStringLiteral("Find devices,which connected to current bridge "), this);
    m_send = button("BtSend", QStringLiteral("Send"), QStringLiteral("Send commands once"), this);
    m_stop =
        button("BtStop", QStringLiteral("Stop"),
               QStringLiteral("Stop \"Repeat\" or \"BURST\" mode.End of data collecting"), this);
    m_repeat =
        button("BtRepeat", QStringLiteral("Repeat"),
               QStringLiteral("Continuously perform commands. Use for data collecting"), this);
    m_toFile = button(
        "BtToFile", QStringLiteral("To file"),
        QStringLiteral("start to collect data in \"BURST\" mode and save this data to the file"),
        this);
    auto* buttons = new QGridLayout;
    buttons->setSpacing(2);
    buttons->addWidget(m_reset, 0, 0);
    buttons->addWidget(m_list, 0, 1);
    buttons->addWidget(m_send, 0, 2);
    buttons->addWidget(m_stop, 1, 0);
    buttons->addWidget(m_repeat, 1, 1);
    buttons->addWidget(m_toFile, 1, 2);

    m_sendAll = new QCheckBox(QStringLiteral("Send all strings:      "), this);
    m_sendAll->setObjectName(QStringLiteral("CbSendAll"));
    m_sendAll->setToolTip(QStringLiteral(
        "Send all commands , which present into Commands Window, when \"Send\" button pressed"));
    m_repeatCount =
        spinBox("SpinRepeatCount", ScriptRunner::MaxRepeatCount, 10,
                QStringLiteral("Quantity of Repeat transactions. 0- continuously"), this);
    m_scanPeriod = spinBox(
        "SpinScanPeriod", ScriptRunner::MaxScanPeriodMs, 1,
        QStringLiteral("Pause between commands packet ,when \"Repeat\" mode activated"), this);
    auto* repeatLabel = new QLabel(QStringLiteral("Repeat count:"), this);
    repeatLabel->setBuddy(m_repeatCount);
    auto* periodLabel = new QLabel(QStringLiteral("Scan period, ms:"), this);
    periodLabel->setBuddy(m_scanPeriod);
    auto* settings = new QGridLayout;
    settings->setSpacing(2);
    settings->addWidget(m_sendAll, 0, 0, 1, 2);
    settings->addWidget(repeatLabel, 1, 0);
    settings->addWidget(m_repeatCount, 1, 1);
    settings->addWidget(periodLabel, 2, 0);
    settings->addWidget(m_scanPeriod, 2, 1);

    m_bridges = new QListWidget(this);
    m_bridges->setObjectName(QStringLiteral("ListBox1"));
    m_bridges->setToolTip(
        QStringLiteral("Detected USB-I2C bridges  . Choose appropriate bridge here."));
    auto* bridgesLabel = new QLabel(QStringLiteral("Connected I2C-USB bridges:"), this);
    bridgesLabel->setBuddy(m_bridges);
    // A list view does not take its name from its label by itself.
    m_bridges->setAccessibleName(bridgesLabel->text());
    m_bridges->setAccessibleDescription(m_bridges->toolTip());
    auto* bridges = new QVBoxLayout;
    bridges->setSpacing(1);
    bridges->addWidget(bridgesLabel);
    bridges->addWidget(m_bridges, 1);

    m_power = new QGroupBox(QStringLiteral("Power"), this);
    m_power->setObjectName(QStringLiteral("GroupPower"));
    m_external = new QRadioButton(QStringLiteral("External"), m_power);
    m_external->setObjectName(QStringLiteral("RBExt"));
    m_external->setChecked(true);
    m_5V = new QRadioButton(QStringLiteral("+5V"), m_power);
    m_5V->setObjectName(QStringLiteral("RB5V"));
    m_3V3 = new QRadioButton(QStringLiteral("+3.3V"), m_power);
    m_3V3->setObjectName(QStringLiteral("RB3V"));
    auto* power = new QVBoxLayout(m_power);
    power->setContentsMargins(6, 0, 6, 0);
    power->setSpacing(0);
    power->addWidget(m_external);
    power->addWidget(m_5V);
    power->addWidget(m_3V3);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(8);
    row->addLayout(buttons);
    row->addLayout(settings);
    row->addLayout(bridges, 1);
    row->addWidget(m_power);
}
