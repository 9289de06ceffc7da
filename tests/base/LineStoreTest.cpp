#include "base/LineStore.h"

#include <gtest/gtest.h>

namespace {

TEST(LineStore, KeepsLinesAndTheirChanges)
{
    LineStore store;
    EXPECT_EQ(store.count(), 0);
    EXPECT_TRUE(store.line(0).isNull());
    store.append(QStringLiteral("s A0+ "));
    store.append(QStringLiteral("Timeout"));
    // The last line grows in place, an earlier one moves; both read back whole.
    store.appendTo(1, QStringLiteral(" again"));
    store.appendTo(0, QStringLiteral("00+ p "));
    store.appendTo(0, QStringLiteral(";ÄÖ µ"));
    store.append(QString());
    store.appendTo(5, QStringLiteral("nowhere"));
    store.appendTo(-1, QStringLiteral("nowhere"));
    EXPECT_EQ(store.lines(), (QStringList{QStringLiteral("s A0+ 00+ p ;ÄÖ µ"),
                                          QStringLiteral("Timeout again"), QString()}));
    EXPECT_GE(store.longestLine(), QStringLiteral("s A0+ 00+ p ;ÄÖ µ").size());

    store.clear();
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(store.longestLine(), 0);
    store.append(QStringLiteral("after"));
    EXPECT_EQ(store.lines(), QStringList{QStringLiteral("after")});
}

TEST(LineStore, LinesLongerThanABlockAndGrowthAcrossBlocks)
{
    LineStore store;
    const QString big(LineStore::BlockBytes + 10, QLatin1Char('x'));
    store.append(QStringLiteral("first"));
    store.append(big);
    store.append(QStringLiteral("third"));
    EXPECT_EQ(store.line(1), big);
    EXPECT_EQ(store.longestLine(), big.size());

    // A line that grows past the end of its block moves on, its text intact.
    QString grown;
    for (int i = 0; i < 20'000; ++i) {
        const QString piece = QStringLiteral("%1+ ").arg(i % 256, 2, 16, QLatin1Char('0'));
        store.appendTo(2, piece);
        grown += piece;
    }
    EXPECT_EQ(store.line(2), QStringLiteral("third") + grown);
    EXPECT_EQ(store.line(0), QStringLiteral("first"));
    EXPECT_EQ(store.line(1), big);
}

} // namespace
