#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The panel below the tabs: the run buttons, "Send all strings", the Repeat count and the
// scan period, the list of connected bridges and the "Power" group. Only layout and texts;
// the window connects the controls to the model.
class BottomPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int Height = 74;

    explicit BottomPanel(QWidget* parent = nullptr);

    QPushButton* resetButton() const { return m_reset; }
    QPushButton* listButton() const { return m_list; }
    QPushButton* sendButton() const { return m_send; }
    QPushButton* stopButton() const { return m_stop; }
    QPushButton* repeatButton() const { return m_repeat; }
    QPushButton* toFileButton() const { return m_toFile; }
    QCheckBox* sendAll() const { return m_sendAll; }
    QSpinBox* repeatCount() const { return m_repeatCount; }
    QSpinBox* scanPeriod() const { return m_scanPeriod; }
    QListWidget* bridgeList() const { return m_bridges; }
    QGroupBox* powerGroup() const { return m_power; }
    QRadioButton* externalPower() const { return m_external; }
    QRadioButton* power5V() const { return m_5V; }
    QRadioButton* power3V3() const { return m_3V3; }

private:
    QPushButton* m_reset = nullptr;
    QPushButton* m_list = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_repeat = nullptr;
    QPushButton* m_toFile = nullptr;
    QCheckBox* m_sendAll = nullptr;
    QSpinBox* m_repeatCount = nullptr;
    QSpinBox* m_scanPeriod = nullptr;
    QListWidget* m_bridges = nullptr;
    QGroupBox* m_power = nullptr;
    QRadioButton* m_external = nullptr;
    QRadioButton* m_5V = nullptr;
    QRadioButton* m_3V3 = nullptr;
};
