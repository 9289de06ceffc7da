#include "firmware/VersionGate.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(VersionGate, BridgeAgainstFileVersion)
{
    using V = VersionGate::Verdict;
    struct Case
    {
        std::optional<FirmwareVersion> bridge;
        FirmwareVersion file;
        V verdict;
    };
    const std::vector<Case> cases = {
        {FirmwareVersion{2, 5}, {2, 5}, V::Pass},
        {FirmwareVersion{2, 6}, {2, 5}, V::Ask},
        {FirmwareVersion{1, 21}, {2, 5}, V::Refuse},
        {FirmwareVersion{1, 22}, {2, 5}, V::Pass},
        {std::nullopt, {2, 5}, V::Pass},
        {FirmwareVersion{1, 0}, {2, 5}, V::Refuse},
        {FirmwareVersion{1, 21}, {1, 0}, V::Refuse}, // refused before any comparison
        {FirmwareVersion{2, 4}, {2, 5}, V::Pass},
        {FirmwareVersion{3, 0}, {2, 5}, V::Ask},
        {FirmwareVersion{2, 10}, {2, 9}, V::Ask}, // numbers, not text
        {FirmwareVersion{1, 30}, {1, 25}, V::Ask},
        {FirmwareVersion{0, 9}, {2, 5}, V::Pass},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionGate::check(c.bridge, c.file), c.verdict)
            << (c.bridge ? c.bridge->text().toStdString() : "unknown") << " against "
            << c.file.text().toStdString();
}

TEST(VersionGate, BridgeVersionIsKnownOnlyWithZeroAndMarker)
{
    EXPECT_EQ(FirmwareVersion::fromVersionBlock(2, 5, 0x00, 0xA5), (FirmwareVersion{2, 5}));
    EXPECT_FALSE(FirmwareVersion::fromVersionBlock(2, 5, 0x01, 0xA5));
    EXPECT_FALSE(FirmwareVersion::fromVersionBlock(2, 5, 0x00, 0xFF));
}

TEST(VersionGate, Boxes)
{
    const FirmwareMessage refuse = VersionGate::message(VersionGate::Verdict::Refuse);
    EXPECT_EQ(refuse.text, QStringLiteral("This Bridge is not support upgrading"));
    EXPECT_EQ(refuse.caption, QStringLiteral("Error"));
    EXPECT_EQ(refuse.buttons, static_cast<int>(UiPort::Button::Ok));

    const FirmwareMessage ask = VersionGate::message(VersionGate::Verdict::Ask);
    EXPECT_EQ(ask.text,
              QStringLiteral("Current Bridge version has highest version! Continue program?"));
    EXPECT_EQ(ask.caption, QStringLiteral("Warning"));
    EXPECT_EQ(ask.buttons, UiPort::Button::Ok | UiPort::Button::Cancel);
}

} // namespace
