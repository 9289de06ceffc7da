#pragma once

#include <QStatusBar>

#include <array>

class PaintedPanel;
class QLabel;

// The main window's status bar: six panels of fixed width (caret, verdict, run, connection,
// power, empty); the connection and power panels are painted. A click anywhere on it is
// reported (the window jumps to a syntax error then).
class MainStatusBar : public QStatusBar
{
    Q_OBJECT

public:
    static constexpr int PanelCount = 6;
    static constexpr std::array<int, PanelCount> Widths = {60, 160, 160, 100, 100, 50};
    // Room left and right of a panel's text.
    static constexpr int TextMargin = 5;

    explicit MainStatusBar(QWidget* parent = nullptr);

    QLabel* panel(int index) const { return m_panels[size_t(index)]; }
    PaintedPanel* connectionPanel() const { return m_connection; }
    PaintedPanel* powerPanel() const { return m_power; }
    void setPanelText(int index, const QString& text);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::array<QLabel*, PanelCount> m_panels{};
    PaintedPanel* m_connection = nullptr;
    PaintedPanel* m_power = nullptr;
};
