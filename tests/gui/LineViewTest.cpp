#include "gui/LineView.h"
#include "gui/LineSource.h"

#include "support/WaitFor.h"

#include <QApplication>
#include <QClipboard>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ListSource : public LineSource
{
public:
    qsizetype lineCount() const override { return lines.size(); }
    QString line(qsizetype index) const override { return lines.at(index); }
    qsizetype longestLine() const override
    {
        qsizetype longest = 0;
        for (const QString& l : lines)
            longest = std::max(longest, l.size());
        return longest;
    }
    QStringList lines;
};

class LineViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        view.resize(300, 200);
        view.setSource(&source);
        view.show();
    }

    void press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mousePress(view.viewport(), Qt::LeftButton, modifiers, at);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, modifiers, at);
    }

    ListSource source;
    LineView view;
};

TEST_F(LineViewTest, SelectAllThenCopyGivesEveryLine)
{
    for (int i = 0; i < 5000; ++i)
        source.lines.append(QStringLiteral("line %1").arg(i));
    view.sourceChanged();
    view.selectAll();
    view.copy();
    const QStringList copied = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(copied.size(), 5000);
    EXPECT_EQ(copied.front(), QStringLiteral("line 0"));
    EXPECT_EQ(copied.back(), QStringLiteral("line 4999"));
}

TEST_F(LineViewTest, SelectionRunsFromAnchorToCursorAcrossLines)
{
    source.lines = {QStringLiteral("s A0+ 00+ p "), QStringLiteral("Timeout"),
                    QStringLiteral("s A1+ 12+ p ")};
    view.sourceChanged();
    const int lineHeight = QFontMetrics(view.font()).lineSpacing();
    const qreal cell = QFontMetricsF(view.font()).horizontalAdvance(QLatin1Char('0'));
    // From column 2 of the first line to column 5 of the last; Shift extends from the anchor.
    press(QPoint(int(3 + 2 * cell), lineHeight / 2));
    press(QPoint(int(3 + 5 * cell), 2 * lineHeight + lineHeight / 2), Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("A0+ 00+ p \nTimeout\ns A1+"));
}

TEST_F(LineViewTest, CatchesUpWithTheSourceOncePerFrameAndFollowsTheEnd)
{
    for (int i = 0; i < 1000; ++i)
        source.lines.append(QString::number(i));
    view.sourceChanged();
    view.scrollToEnd();
    // Nothing moves before the frame; then the last line is shown.
    EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
    ASSERT_TRUE(waitFor([&] { return view.verticalScrollBar()->maximum() > 0; }));
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    EXPECT_TRUE(view.visibleText().endsWith(QStringLiteral("999")));
}

TEST_F(LineViewTest, ASelectionBeyondAShrunkSourceIsClamped)
{
    source.lines = {QStringLiteral("abc"), QStringLiteral("defgh")};
    view.sourceChanged();
    view.selectAll();
    source.lines = {QStringLiteral("x")};
    view.sourceChanged();
    ASSERT_TRUE(waitFor([&] { return view.selectionEnd().line == 0; }));
    EXPECT_EQ(view.selectedText(), QStringLiteral("x"));
    source.lines.clear();
    view.sourceChanged();
    ASSERT_TRUE(waitFor([&] { return !view.hasSelection(); }));
    EXPECT_TRUE(view.selectedText().isEmpty());
}

TEST_F(LineViewTest, KeysMoveAndExtendTheSelection)
{
    source.lines = {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")};
    view.sourceChanged();
    QTest::keyClick(&view, Qt::Key_Down);
    QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("second"));
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("second\nthird"));
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(view.selectedText(), QStringLiteral("first\nsecond\nthird"));
}

} // namespace
