#pragma once

#include <QLabel>

// A status-bar panel painted by the program: lime green while its condition holds, red
// otherwise, with its text in black 5 pixels right of and 2 below its top-left corner. It is
// a label, so screen readers read its text.
class PaintedPanel : public QLabel
{
    Q_OBJECT

public:
    static const QColor Lit;
    static const QColor Unlit;

    explicit PaintedPanel(QWidget* parent = nullptr);

    bool isLit() const { return m_lit; }
    void setLit(bool lit);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_lit = false;
};
