#include "data/IniFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(IniFile, WritesReplaceInPlaceOrAppendToTheSectionAndLeaveTheRestAlone)
{
    const QByteArray original = "; hand-written\r\n"
                                "[Other]\r\n"
                                "Decimation=99\r\n"
                                "\r\n"
                                "[data settings]\r\n"
                                "  SCROLL = 5  \r\n"
                                ";Decimation=3\r\n"
                                "Var1.Name= Temp sensor \r\n"
                                "\r\n"
                                "[Tail]\r\n"
                                "x=\xE9t\xE9\r\n"; // not UTF-8: must survive byte for byte
    IniFile ini;
    ini.setContent(original);

    EXPECT_EQ(ini.value(QStringLiteral("Data Settings"), QStringLiteral("scroll")),
              QStringLiteral("5"));
    EXPECT_EQ(ini.value(QStringLiteral("Data Settings"), QStringLiteral("Var1.Name")),
              QStringLiteral("Temp sensor"));
    EXPECT_EQ(ini.value(QStringLiteral("Data Settings"), QStringLiteral("Decimation")),
              std::nullopt);
    EXPECT_EQ(ini.value(QStringLiteral("Other"), QStringLiteral("Decimation")),
              QStringLiteral("99"));
    EXPECT_EQ(ini.value(QStringLiteral("Missing"), QStringLiteral("x")), std::nullopt);

    ini.setValue(QStringLiteral("Data Settings"), QStringLiteral("Scroll"), QStringLiteral("0"));
    ini.setValue(QStringLiteral("Data Settings"), QStringLiteral("Decimation"),
                 QStringLiteral("2"));
    ini.setValue(QStringLiteral("Data Settings"), QStringLiteral("Var1.Name"),
                 QStringLiteral("two\nlines"));
    EXPECT_EQ(ini.content(), QByteArray("; hand-written\r\n"
                                        "[Other]\r\n"
                                        "Decimation=99\r\n"
                                        "\r\n"
                                        "[data settings]\r\n"
                                        "SCROLL=0\r\n"
                                        ";Decimation=3\r\n"
                                        "Var1.Name=two lines\r\n"
                                        "Decimation=2\r\n"
                                        "\r\n"
                                        "[Tail]\r\n"
                                        "x=\xE9t\xE9\r\n"));
}

TEST(IniFile, CreatesFileAndSectionAndKeepsLineEndsAndBom)
{
    IniFile fresh;
    fresh.setValue(QStringLiteral("Data Settings"), QStringLiteral("Scroll"), QStringLiteral("1"));
    EXPECT_EQ(fresh.content(), QByteArray("[Data Settings]\r\nScroll=1\r\n"));

    IniFile unix;
    unix.setContent("\xEF\xBB\xBF[A]\nk=v"); // LF ends, no final line end
    unix.setValue(QStringLiteral("B"), QStringLiteral("Name"),
                  QString::fromUtf8("\xC3\xA9t\xC3\xA9"));
    EXPECT_EQ(unix.content(), QByteArray("\xEF\xBB\xBF[A]\nk=v\n\n[B]\nName=\xC3\xA9t\xC3\xA9\n"));
    EXPECT_EQ(unix.value(QStringLiteral("A"), QStringLiteral("K")), QStringLiteral("v"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s.ini"));
    ASSERT_TRUE(unix.save(path));
    IniFile loaded;
    ASSERT_TRUE(loaded.load(path));
    EXPECT_EQ(loaded.content(), unix.content());
    EXPECT_FALSE(loaded.load(dir.filePath(QStringLiteral("missing.ini"))));
    EXPECT_TRUE(loaded.content().isEmpty());
    EXPECT_FALSE(unix.save(dir.filePath(QStringLiteral("no/such/folder/s.ini"))));
}
