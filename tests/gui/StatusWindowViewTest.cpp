#include "gui/StatusWindowView.h"

#include "support/WaitFor.h"

#include <QImage>
#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

TEST(StatusWindowView, KeepsItsLinesAsTheModelWritesThem)
{
    StatusWindowView view;
    view.appendToLastLine(QStringLiteral("s A0+ "));
    view.appendToLastLine(QStringLiteral("00+ p "));
    view.addLine(QStringLiteral("Timeout"));
    view.appendToLine(0, QStringLiteral(";COMMENT"));
    view.addLine(QString());
    view.appendToLine(7, QStringLiteral("ignored"));
    EXPECT_EQ(view.lines(), (QStringList{QStringLiteral("s A0+ 00+ p ;COMMENT"),
                                         QStringLiteral("Timeout"), QString()}));
    EXPECT_EQ(view.lineCount(), 3);
    view.clear();
    EXPECT_EQ(view.lineCount(), 0);
    EXPECT_TRUE(view.lines().isEmpty());
}

// Rows of the view's picture that hold red pixels.
QList<int> redRows(const QImage& image)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
                rows.append(y);
                break;
            }
        }
    return rows;
}

TEST(StatusWindowView, ShowsFailuresInRed)
{
    StatusWindowView view;
    view.resize(400, 200);
    view.show();
    const QStringList lines = {QStringLiteral("s A0+ 00+ 01+ p ;ALL-"),
                               QStringLiteral("s A0- 00- 01- p "), QStringLiteral("Timeout"),
                               QStringLiteral("s 91+ 12+ 34+ p ")};
    for (const QString& line : lines)
        view.addLine(line);
    ASSERT_TRUE(waitFor([&] { return view.visibleText().count(QLatin1Char('\n')) == 3; }));

    const QImage image = view.viewport()->grab().toImage();
    const int lineHeight = QFontMetrics(view.font()).lineSpacing();
    QSet<int> redLines;
    for (int y : redRows(image))
        redLines.insert(y / lineHeight);
    EXPECT_EQ(redLines, (QSet<int>{1, 2}));
}

TEST(StatusWindowView, ScrollsThroughAMillionLines)
{
    StatusWindowView view;
    view.resize(400, 300);
    view.show();
    for (int i = 0; i < 1'000'000; ++i)
        view.addLine(QStringLiteral("s 93+ %1+ 00+ p ").arg(i % 256, 2, 16, QLatin1Char('0')));
    view.scrollToEnd();
    ASSERT_TRUE(waitFor([&] {
        return view.verticalScrollBar()->maximum() > 0 &&
               view.verticalScrollBar()->value() == view.verticalScrollBar()->maximum();
    }));
    EXPECT_EQ(view.firstVisibleLine() + view.visibleLineCount() - 1 >= 999'999, true);
    view.verticalScrollBar()->setValue(500'000);
    EXPECT_TRUE(view.visibleText().startsWith(QStringLiteral("s 93+ 20+ 00+ p ")));
}

} // namespace
