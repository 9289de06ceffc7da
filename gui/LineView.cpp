#include "gui/LineView.h"

#include "gui/LineSource.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int Margin = 3;

// Screen readers see the lines on screen as the view's value, like a read-only text pane.
class LineViewAccessible : public QAccessibleWidget
{
public:
    explicit LineViewAccessible(LineView* view) : QAccessibleWidget(view, QAccessible::EditableText)
    {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return static_cast<LineView*>(widget())->visibleText();
        return QAccessibleWidget::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
};

QAccessibleInterface* lineViewAccessibleFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("LineView") && object && object->isWidgetType())
        return new LineViewAccessible(static_cast<LineView*>(object));
    return nullptr;
}

} // namespace

LineView::LineView(QWidget* parent) : QAbstractScrollArea(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(lineViewAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMs);
    connect(&m_frame, &QTimer::timeout, this, &LineView::applyPendingChanges);
    updateMetrics();
}

void LineView::setSource(const LineSource* source)
{
    m_source = source;
    m_anchor = m_cursor = Position{};
    applyPendingChanges();
    Q_EMIT copyAvailable(false);
}

void LineView::sourceChanged()
{
    if (!m_frame.isActive())
        m_frame.start();
}

void LineView::scrollToEnd()
{
    m_scrollToEndPending = true;
    sourceChanged();
}

void LineView::applyPendingChanges()
{
    m_frame.stop();
    const Position anchor = clamped(m_anchor);
    const Position cursor = clamped(m_cursor);
    if (anchor != m_anchor || cursor != m_cursor)
        setSelection(anchor, cursor);
    updateScrollRanges();
    if (m_scrollToEndPending) {
        m_scrollToEndPending = false;
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, visibleText());
        QAccessible::updateAccessibility(&event);
    }
}

void LineView::updateMetrics()
{
    const QFontMetricsF metrics(font());
    m_charWidth = std::max<qreal>(1, metrics.horizontalAdvance(QLatin1Char('0')));
    m_lineHeight = std::max(1, int(std::ceil(metrics.lineSpacing())));
    m_ascent = int(std::ceil(metrics.ascent()));
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(int(std::ceil(m_charWidth)));
}

void LineView::updateScrollRanges()
{
    const qsizetype count = m_source ? m_source->lineCount() : 0;
    const int page = std::max(1, viewport()->height() / lineHeight());
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(page);
    vertical->setRange(0, int(std::clamp<qsizetype>(count - page, 0, INT_MAX)));

    const qsizetype longest = m_source ? m_source->longestLine() : 0;
    const qreal textWidth = qreal(longest + 1) * m_charWidth + 2 * Margin;
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(std::max(1, viewport()->width()));
    horizontal->setRange(0, std::max(0, int(std::ceil(textWidth)) - viewport()->width()));
}

qsizetype LineView::firstVisibleLine() const
{
    return verticalScrollBar()->value();
}

int LineView::visibleLineCount() const
{
    return viewport()->height() / lineHeight() + 1;
}

QString LineView::visibleText() const
{
    if (!m_source)
        return {};
    const qsizetype first = firstVisibleLine();
    const qsizetype last = std::min(m_source->lineCount(), first + visibleLineCount());
    QStringList lines;
    for (qsizetype i = first; i < last; ++i)
        lines.append(m_source->line(i));
    return lines.join(QLatin1Char('\n'));
}

qsizetype LineView::lineLength(qsizetype line) const
{
    return m_source ? m_source->line(line).size() : 0;
}

LineView::Position LineView::endOfText() const
{
    const qsizetype count = m_source ? m_source->lineCount() : 0;
    if (count == 0)
        return {};
    return {count - 1, lineLength(count - 1)};
}

LineView::Position LineView::clamped(Position position) const
{
    const qsizetype count = m_source ? m_source->lineCount() : 0;
    if (count == 0)
        return {};
    if (position.line >= count)
        return endOfText();
    position.line = std::max<qsizetype>(0, position.line);
    position.column = std::clamp<qsizetype>(position.column, 0, lineLength(position.line));
    return position;
}

LineView::Position LineView::positionAt(const QPoint& point) const
{
    const qsizetype row =
        point.y() >= 0 ? point.y() / lineHeight() : -1 - (-point.y() / lineHeight());
    const qreal x = point.x() + horizontalScrollBar()->value() - Margin;
    Position position{firstVisibleLine() + row, qsizetype(std::lround(x / m_charWidth))};
    if (position.line < 0)
        return {0, 0};
    return clamped(position);
}

void LineView::setSelection(Position anchor, Position cursor)
{
    const bool had = hasSelection();
    m_anchor = anchor;
    m_cursor = cursor;
    viewport()->update();
    if (had != hasSelection())
        Q_EMIT copyAvailable(hasSelection());
}

void LineView::selectAll()
{
    setSelection({0, 0}, endOfText());
}

void LineView::clearSelection()
{
    setSelection(m_cursor, m_cursor);
}

QString LineView::selectedText() const
{
    if (!m_source || !hasSelection())
        return {};
    const Position start = clamped(selectionStart());
    const Position end = clamped(selectionEnd());
    QString text;
    for (qsizetype i = start.line; i <= end.line; ++i) {
        const QString line = m_source->line(i);
        const qsizetype from = i == start.line ? start.column : 0;
        const qsizetype to = i == end.line ? end.column : line.size();
        if (i != start.line)
            text += QLatin1Char('\n');
        text += QStringView(line).mid(from, std::max<qsizetype>(0, to - from));
    }
    return text;
}

void LineView::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void LineView::ensureVisible(Position position)
{
    QScrollBar* vertical = verticalScrollBar();
    const int page = std::max(1, viewport()->height() / lineHeight());
    if (position.line < vertical->value())
        vertical->setValue(int(position.line));
    else if (position.line >= vertical->value() + page)
        vertical->setValue(int(position.line - page + 1));

    QScrollBar* horizontal = horizontalScrollBar();
    const int x = int(qreal(position.column) * m_charWidth);
    if (x < horizontal->value())
        horizontal->setValue(x);
    else if (x + Margin * 2 > horizontal->value() + viewport()->width())
        horizontal->setValue(x + Margin * 2 - viewport()->width());
}

void LineView::moveCursor(Position cursor, bool extend)
{
    cursor = clamped(cursor);
    setSelection(extend ? m_anchor : cursor, cursor);
    ensureVisible(cursor);
}

void LineView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    if (event == QKeySequence::Copy) {
        copy();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const int page = std::max(1, viewport()->height() / lineHeight());
    Position cursor = m_cursor;
    switch (event->key()) {
    case Qt::Key_Up:
        cursor.line -= 1;
        break;
    case Qt::Key_Down:
        cursor.line = std::min(cursor.line + 1, endOfText().line);
        break;
    case Qt::Key_PageUp:
        cursor.line -= page;
        break;
    case Qt::Key_PageDown:
        cursor.line = std::min(cursor.line + page, endOfText().line);
        break;
    case Qt::Key_Left:
        cursor.column -= 1;
        break;
    case Qt::Key_Right:
        cursor.column += 1;
        break;
    case Qt::Key_Home:
        cursor = control ? Position{} : Position{cursor.line, 0};
        break;
    case Qt::Key_End:
        cursor = control ? endOfText() : Position{cursor.line, lineLength(cursor.line)};
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    cursor.line = std::max<qsizetype>(0, cursor.line);
    moveCursor(cursor, extend);
}

void LineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const Position position = positionAt(event->position().toPoint());
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    setSelection(extend ? m_anchor : position, position);
    m_dragging = true;
}

void LineView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const QPoint point = event->position().toPoint();
    const Position position = positionAt(point);
    setSelection(m_anchor, position);
    if (!viewport()->rect().contains(point))
        ensureVisible(position);
}

void LineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
}

void LineView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_source || m_source->lineCount() == 0)
        return;
    // A word is a run of characters without blanks: a byte, a mark, a key word.
    const Position at = positionAt(event->position().toPoint());
    const QString line = m_source->line(at.line);
    qsizetype start = std::min(at.column, line.size());
    qsizetype end = start;
    while (start > 0 && !line.at(start - 1).isSpace())
        --start;
    while (end < line.size() && !line.at(end).isSpace())
        ++end;
    setSelection({at.line, start}, {at.line, end});
}

void LineView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollRanges();
}

void LineView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        updateScrollRanges();
        viewport()->update();
    }
}

void LineView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (!m_source)
        return;
    painter.setFont(font());
    const QPalette& colors = palette();
    const qsizetype count = m_source->lineCount();
    const qsizetype first = firstVisibleLine();
    const qsizetype last = std::min(count, first + visibleLineCount());
    const int scrollX = horizontalScrollBar()->value();
    const qsizetype firstColumn = qsizetype(std::max(0.0, (scrollX - Margin) / m_charWidth));
    const qsizetype columns = qsizetype(viewport()->width() / m_charWidth) + 2;
    const Position selStart = selectionStart();
    const Position selEnd = selectionEnd();
    const bool selection = hasSelection();
    const auto columnX = [&](qsizetype column) {
        return qreal(Margin - scrollX) + qreal(column) * m_charWidth;
    };

    std::vector<qsizetype> cuts;
    for (qsizetype i = first; i < last; ++i) {
        const QString text = m_source->line(i);
        const int top = int(i - first) * lineHeight();

        // Selected columns of this line; a selection that goes on past the line's end also
        // covers one cell for the line break.
        qsizetype selFrom = 0;
        qsizetype selTo = 0;
        if (selection && i >= selStart.line && i <= selEnd.line) {
            selFrom = i == selStart.line ? selStart.column : 0;
            selTo = i == selEnd.line ? selEnd.column : text.size() + 1;
            if (selTo > selFrom)
                painter.fillRect(QRectF(columnX(selFrom), top, qreal(selTo - selFrom) * m_charWidth,
                                        lineHeight()),
                                 colors.brush(QPalette::Highlight));
        }

        const qsizetype from = std::min(firstColumn, text.size());
        const qsizetype to = std::min(firstColumn + columns, text.size());
        if (from >= to)
            continue;
        const QList<LineSource::Span> spans = m_source->spans(i, text);
        cuts.assign({from, to});
        for (const qsizetype cut : {selFrom, selTo})
            if (cut > from && cut < to)
                cuts.push_back(cut);
        for (const LineSource::Span& span : spans)
            for (const qsizetype cut : {span.start, span.start + span.length})
                if (cut > from && cut < to)
                    cuts.push_back(cut);
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

        for (size_t c = 0; c + 1 < cuts.size(); ++c) {
            const qsizetype a = cuts[c];
            const qsizetype b = cuts[c + 1];
            QColor color = colors.color(QPalette::Text);
            if (a >= selFrom && a < selTo) {
                color = colors.color(QPalette::HighlightedText);
            } else {
                for (const LineSource::Span& span : spans)
                    if (a >= span.start && a < span.start + span.length)
                        color = span.color;
            }
            painter.setPen(color);
            painter.drawText(QPointF(columnX(a), top + m_ascent), text.mid(a, b - a));
        }
    }
}
