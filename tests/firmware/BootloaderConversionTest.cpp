#include "firmware/BootloaderConversion.h"

#include "ScriptedDevice.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(NextField, TakesUpToTheFirstCommaOrNothing)
{
    struct Case
    {
        const char* text;
        const char* field;
        const char* rest;
    };
    const std::vector<Case> cases = {
        {"50,WRITE,NO", "50", "WRITE,NO"}, {",X", "", "X"}, {"A,", "A", ""}, {",", "", ""},
        {"NOCOMMA", "", "NOCOMMA"},        {"", "", ""},
    };
    for (const Case& c : cases) {
        QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(NextField(text), QString::fromLatin1(c.field)) << c.text;
        EXPECT_EQ(text, QString::fromLatin1(c.rest)) << c.text;
    }
}

TEST(BootloaderConversion, RecordsBecomeCommandLines)
{
    struct Case
    {
        const char* what;
        QStringList file;
        QStringList editor;
    };
    const std::vector<Case> cases = {
        {"the pause goes to the next record",
         {"TITLE", "50,write,no,01,02", "50,READ,YES,20,4", "50,WRITE,NO,00"},
         {";TITLE", "W 50 01,02", "R 50 4", "W 50 [DELAY=20]  00", ";END"}},
        {"a comma after WRITE makes it a write", {"T", "50,WRITE,"}, {";T", "W 50 ", ";END"}},
        {"one comma at the end: a read", {"T", "50,WRITE"}, {";T", "R 50 WRITE", ";END"}},
        {"a pause in the last record is dropped",
         {"T", "50,WRITE,NO,01", "50,READ,yes,5,X X"},
         {";T", "W 50 01", "R 50 X X", ";END"}},
        {"empty line and a line without commas",
         {"T", "", "just text"},
         {";T", "R  ", "R  JUST TEXT", ";END"}},
        {"title keeps its case, records are upper-cased",
         {"My Loader v1", "5a,Write,No,0a ;first block"},
         {";My Loader v1", "W 5A 0A ;FIRST BLOCK", ";END"}},
        {"a final YES is no pause",
         {"T", "50,READ,YES", "50,READ,NO,X"},
         {";T", "R 50 YES", "R 50 X", ";END"}},
        {"a final pause value stays in the rest, the next delay is empty",
         {"T", "50,READ,YES,20", "50,READ,NO,X"},
         {";T", "R 50 20", "R 50 [DELAY=]  X", ";END"}},
        {"pauses carry one record each",
         {"T", "50,WRITE,YES,1,00", "50,WRITE,YES,2,01", "50,WRITE,NO,02", "50,WRITE,NO,03"},
         {";T", "W 50 00", "W 50 [DELAY=1]  01", "W 50 [DELAY=2]  02", "W 50 03", ";END"}},
        {"only a..z are upper-cased", {"T", "50,write,no,été"}, {";T", "W 50 éTé", ";END"}},
        {"title only", {"Title"}, {";Title", ";END"}},
        {"empty file", {}, {";", ";END"}},
    };
    for (const Case& c : cases) {
        const BootloaderConversion conversion = BootloaderConversion::convert(c.file);
        EXPECT_EQ(conversion.lines(), c.editor) << c.what;
        EXPECT_TRUE(conversion.completed()) << c.what;
        EXPECT_TRUE(conversion.error().isEmpty()) << c.what;
    }
}

TEST(BootloaderConversion, ReadsTheFileLineByLine)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bl.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("TITLE\r\n50,write,no,01,02\n50,READ,YES,20,4\r\n50,WRITE,NO,00\r\n");
    }
    const BootloaderConversion conversion = BootloaderConversion::readFile(path);
    EXPECT_TRUE(conversion.completed());
    EXPECT_EQ(conversion.lines(),
              QStringList({";TITLE", "W 50 01,02", "R 50 4", "W 50 [DELAY=20]  00", ";END"}));

    ScriptedDevice empty(QByteArray{});
    EXPECT_EQ(BootloaderConversion::read(empty).lines(), QStringList({";", ";END"}));
}

TEST(BootloaderConversion, UnreadableFileKeepsTheLinesSoFarWithoutEnd)
{
    QTemporaryDir dir;
    const BootloaderConversion missing =
        BootloaderConversion::readFile(dir.filePath(QStringLiteral("missing.txt")));
    EXPECT_FALSE(missing.completed());
    EXPECT_TRUE(missing.lines().isEmpty());
    EXPECT_FALSE(missing.error().isEmpty());

    const BootloaderConversion directory = BootloaderConversion::readFile(dir.path());
    EXPECT_FALSE(directory.completed());
    EXPECT_FALSE(directory.error().isEmpty());

    const QByteArray text = "TITLE\r\n50,WRITE,YES,5,01\r\n50,READ,NO,X\r\n50,WRITE,NO,02\r\n";
    ScriptedDevice failing(text, text.indexOf("50,WRITE,NO") + 4, 8);
    const BootloaderConversion partial = BootloaderConversion::read(failing);
    EXPECT_FALSE(partial.completed());
    EXPECT_EQ(partial.lines(), QStringList({";TITLE", "W 50 01", "R 50 [DELAY=5]  X"}));
    EXPECT_EQ(partial.error(), QStringLiteral("Input/output error"));

    ScriptedDevice failsAtOnce(text, 0);
    const BootloaderConversion nothing = BootloaderConversion::read(failsAtOnce);
    EXPECT_FALSE(nothing.completed());
    EXPECT_TRUE(nothing.lines().isEmpty());
}

} // namespace
