#pragma once

#include <QAbstractScrollArea>
#include <QTimer>

#include <compare>

class LineSource;

// A read-only view of text lines that draws only the lines it shows, so it stays fast with
// millions of lines and with lines arriving thousands of times a second: changes of the
// source are taken in once per frame. It assumes a fixed-pitch font (columns are character
// cells). The selection runs from an anchor to a cursor, both (line, column); the mouse,
// Shift with the keys, Select All and Copy work as in a read-only text editor.
class LineView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    struct Position
    {
        qsizetype line = 0;
        qsizetype column = 0;
        auto operator<=>(const Position&) const = default;
    };
    static constexpr int FrameMs = 16;

    explicit LineView(QWidget* parent = nullptr);

    void setSource(const LineSource* source);
    const LineSource* source() const { return m_source; }

    // The source's lines were added, changed or removed: the view catches up at the next
    // frame (scroll ranges, selection, repaint).
    void sourceChanged();
    // Shows the last line at the next frame, after the changes announced before.
    void scrollToEnd();

    bool hasSelection() const { return m_anchor != m_cursor; }
    Position selectionStart() const { return std::min(m_anchor, m_cursor); }
    Position selectionEnd() const { return std::max(m_anchor, m_cursor); }
    // The selected text, lines joined with '\n'.
    QString selectedText() const;

    qsizetype firstVisibleLine() const;
    int visibleLineCount() const;
    // The text of the lines on screen (what the accessibility layer reports as the value).
    QString visibleText() const;

public Q_SLOTS:
    void selectAll();
    void clearSelection();
    void copy() const;

Q_SIGNALS:
    void copyAvailable(bool available);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void applyPendingChanges();
    void updateScrollRanges();
    void setSelection(Position anchor, Position cursor);
    void moveCursor(Position cursor, bool extend);
    void ensureVisible(Position position);
    Position positionAt(const QPoint& point) const;
    Position clamped(Position position) const;
    Position endOfText() const;
    qsizetype lineLength(qsizetype line) const;
    int lineHeight() const { return m_lineHeight; }
    void updateMetrics();

    const LineSource* m_source = nullptr;
    Position m_anchor;
    Position m_cursor;
    bool m_dragging = false;
    bool m_scrollToEndPending = false;
    QTimer m_frame;
    qreal m_charWidth = 8;
    int m_lineHeight = 16;
    int m_ascent = 12;
};
