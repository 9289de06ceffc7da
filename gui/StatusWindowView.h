#pragma once

#include "base/StatusWindow.h"
#include "gui/LineView.h"
#include "gui/StatusLineSource.h"

#include <functional>

// The status window: read-only, bold fixed-pitch, no wrap, both scroll bars. Its lines live
// in a compact store and the view draws only those on screen, taking new lines in once per
// frame, so a Repeat at thousands of lines a second and a million lines stay fluid.
class StatusWindowView : public LineView, public StatusWindow
{
    Q_OBJECT

public:
    explicit StatusWindowView(QWidget* parent = nullptr);

    // StatusWindow
    QStringList lines() const override { return m_source.store().lines(); }
    void addLine(const QString& text) override;
    void appendToLastLine(const QString& text) override;
    void appendToLine(int index, const QString& text) override;
    int lineCount() const override { return int(m_source.store().count()); }
    void clear() override;
    void scrollToEnd() override { LineView::scrollToEnd(); }
    void selectAll() override { LineView::selectAll(); }

    const LineStore& store() const { return m_source.store(); }

    // The context menu's "Clear Window" and "Select All".
    std::function<void()> onClearWindow;
    std::function<void()> onSelectAll;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    StatusLineSource m_source;
};
