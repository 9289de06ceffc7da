#include "data/DataSettings.h"
#include "data/IniFile.h"
#include "data/SettingsForm.h"
#include "data/TVarType.h"
#include "data/VarColors.h"
#include "data/VariableDefinitions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

namespace {

const QLocale Dot = QLocale::c();
const QLocale Comma = QLocale(QLocale::German, QLocale::Germany);

IniFile iniOf(const QByteArray& body)
{
    IniFile ini;
    ini.setContent("[Data Settings]\r\n" + body);
    return ini;
}

VariableDefinitions startupOf(const QByteArray& body, const QLocale& locale = Dot)
{
    VariableDefinitions defs;
    defs.Names.fill(QStringLiteral("stale"));
    DataSettings::readStartup(iniOf(body), defs, locale);
    return defs;
}

// The keys of the section, in file order.
QStringList keysOf(const IniFile& ini)
{
    QStringList keys;
    for (const QByteArray& line : ini.content().split('\n'))
        if (line.contains('='))
            keys << QString::fromUtf8(line.left(line.indexOf('=')));
    return keys;
}

} // namespace

TEST(DataSettings, ValueForms)
{
    struct IntCase
    {
        const char* text;
        std::optional<qint32> want;
    };
    const std::vector<IntCase> ints = {
        {"12", 12},
        {"-3", -3},
        {"0x10", 16},
        {"0X1f", 31},
        {"0x", std::nullopt},
        {"0", 0},
        {"yes", std::nullopt},
        {"1.5", std::nullopt},
        {"", std::nullopt},
        {"0xFFFFFFFF", -1},
        {"0xZZ", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const IntCase& c : ints)
        EXPECT_EQ(DataSettings::toInteger(QString::fromLatin1(c.text)), c.want) << c.text;

    struct FloatCase
    {
        const char* text;
        const QLocale& locale;
        std::optional<double> want;
    };
    const std::vector<FloatCase> floats = {
        {"1.5", Dot, 1.5},          {"1,5", Dot, std::nullopt},
        {"1,5", Comma, 1.5},        {"1.5", Comma, std::nullopt},
        {"-2e-3", Dot, -0.002},     {"1.000,5", Comma, std::nullopt},
        {"abc", Dot, std::nullopt},
    };
    for (const FloatCase& c : floats)
        EXPECT_EQ(DataSettings::toFloat(QString::fromLatin1(c.text), c.locale), c.want)
            << c.text << " " << c.locale.name().toStdString();

    EXPECT_EQ(DataSettings::fromFloat(double(0.1f), Dot), QStringLiteral("0.100000001490116"));
    EXPECT_EQ(DataSettings::fromFloat(double(0.1f), Comma), QStringLiteral("0,100000001490116"));
    EXPECT_EQ(DataSettings::fromFloat(1.0, Comma), QStringLiteral("1"));
    EXPECT_EQ(DataSettings::fromFloat(12345.5, Comma), QStringLiteral("12345,5"));
    EXPECT_EQ(DataSettings::fromFloat(1e-7, Dot), QStringLiteral("1e-7"));
}

TEST(DataSettings, StartupDefaultsForAMissingFile)
{
    QTemporaryDir dir;
    VariableDefinitions defs;
    defs.Scroll = 77;
    defs.DataVars[3].Active = true;
    EXPECT_FALSE(
        DataSettings::readStartupFile(dir.filePath(QStringLiteral("none.ini")), defs, Dot));
    EXPECT_EQ(defs.Decimation, 0);
    EXPECT_EQ(defs.Scroll, 1);
    EXPECT_FALSE(defs.AxisX);
    for (int i = 0; i < VariableDefinitions::Count; ++i) {
        const TDataVariable& d = defs.DataVars[size_t(i)];
        EXPECT_FALSE(d.Active);
        EXPECT_EQ(d.Type, 0);
        EXPECT_FALSE(d.Sign);
        EXPECT_EQ(d.Scale, 1.0f);
        EXPECT_EQ(d.Offset, 0.0f);
        EXPECT_EQ(defs.Names[size_t(i)], QStringLiteral("Var1"));
        EXPECT_EQ(defs.Colors[size_t(i)], DefaultVarColor[size_t(i)]);
    }
}

TEST(DataSettings, StartupReadsEachValueForm)
{
    struct Case
    {
        const char* line;
        const QLocale& locale;
        std::function<bool(const VariableDefinitions&)> check;
    };
    using V = const VariableDefinitions&;
    const std::vector<Case> cases = {
        {"Var3.Active=5", Dot, [](V d) { return d.DataVars[2].Active; }},
        {"Var3.Active=yes", Dot, [](V d) { return !d.DataVars[2].Active; }},
        {"var3.ACTIVE=1", Dot, [](V d) { return d.DataVars[2].Active; }},
        {"Decimation=0x10", Dot, [](V d) { return d.Decimation == 16; }},
        {"Decimation=ten", Dot, [](V d) { return d.Decimation == 0; }},
        {"Scroll=", Dot, [](V d) { return d.Scroll == 1; }},
        {"AxisX=-1", Dot, [](V d) { return d.AxisX; }},
        {"Var1.Scale=1.5", Comma, [](V d) { return d.DataVars[0].Scale == 1.0f; }},
        {"Var1.Scale=1,5", Comma, [](V d) { return d.DataVars[0].Scale == 1.5f; }},
        {"Var1.Scale=0.1", Dot, [](V d) { return d.DataVars[0].Scale == 0.1f; }},
        {"Var2.Offset=-2.25", Dot, [](V d) { return d.DataVars[1].Offset == -2.25f; }},
        {"Var4.Type=257", Dot, [](V d) { return d.DataVars[3].Type == 1; }},
        {"Var4.Type=0x103", Dot, [](V d) { return d.DataVars[3].Type == 3; }},
        {"Var5.Color=-1", Dot, [](V d) { return d.Colors[4] == 255; }},
        {"Var5.Color=17", Dot, [](V d) { return d.Colors[4] == 17; }},
        {"Var5.Sign=2", Dot, [](V d) { return d.DataVars[4].Sign; }},
        {"Var16.Name=  T 1.a  ", Dot, [](V d) { return d.Names[15] == QStringLiteral("T 1.a"); }},
        {"Var16.Name=", Dot, [](V d) { return d.Names[15].isEmpty(); }},
        {"Var2.Name=x", Dot, [](V d) { return d.Names[0] == QStringLiteral("Var1"); }},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.check(startupOf(QByteArray(c.line) + "\r\n", c.locale))) << c.line;
}

TEST(DataSettings, FirstRunWriteHoldsEveryKeyInOrderAndReadsBack)
{
    for (const QLocale& locale : {Dot, Comma}) {
        VariableDefinitions defs;
        IniFile ini;
        DataSettings::writeStartup(ini, defs, locale);
        QStringList want = {QStringLiteral("Decimation"), QStringLiteral("Scroll"),
                            QStringLiteral("AxisX")};
        for (int n = 1; n <= 16; ++n)
            for (const char* f : {"Active", "Type", "Sign", "Scale", "Offset", "Name", "Color"})
                want << QStringLiteral("Var%1.%2").arg(n).arg(QLatin1String(f));
        EXPECT_EQ(keysOf(ini), want);
        EXPECT_EQ(ini.value(DataSettings::Section, QStringLiteral("Scroll")), QStringLiteral("1"));
        EXPECT_EQ(ini.value(DataSettings::Section, QStringLiteral("Var9.Name")),
                  QStringLiteral("Var1"));
        EXPECT_EQ(ini.value(DataSettings::Section, QStringLiteral("Var9.Color")),
                  QStringLiteral("10"));

        // Round trip of every field under the same locale.
        defs.Decimation = 10;
        defs.Scroll = 0;
        defs.AxisX = true;
        defs.DataVars[6] = {true, vtFloat, true, 0.1f, -273.15f};
        defs.Names[6] = QStringLiteral("TEMP");
        defs.Colors[6] = 17;
        DataSettings::writeStartup(ini, defs, locale);
        EXPECT_EQ(ini.value(DataSettings::Section, QStringLiteral("Var7.Scale")),
                  DataSettings::fromFloat(double(0.1f), locale));
        VariableDefinitions back;
        DataSettings::readStartup(ini, back, locale);
        EXPECT_EQ(back.Decimation, 10);
        EXPECT_EQ(back.Scroll, 0);
        EXPECT_TRUE(back.AxisX);
        EXPECT_TRUE(back.DataVars[6].Active);
        EXPECT_EQ(back.DataVars[6].Type, vtFloat);
        EXPECT_TRUE(back.DataVars[6].Sign);
        EXPECT_EQ(back.DataVars[6].Scale, 0.1f);
        EXPECT_EQ(back.DataVars[6].Offset, -273.15f);
        EXPECT_EQ(back.Names[6], QStringLiteral("TEMP"));
        EXPECT_EQ(back.Colors[6], 17);
        EXPECT_EQ(keysOf(ini).size(), want.size()); // replaced in place, nothing added
    }
}

TEST(DataSettings, HandWrittenFileSurvivesAWrite)
{
    const QByteArray original = "; settings for the lab rig\r\n"
                                "[Window]\r\n"
                                "Left=10\r\n"
                                "\r\n"
                                "[DATA SETTINGS]\r\n"
                                "; keep decimation low\r\n"
                                "decimation=4\r\n"
                                "MyOwnKey=keep me\r\n"
                                "\r\n"
                                "[Notes]\r\n"
                                "Var1.Name=not ours\r\n";
    IniFile ini;
    ini.setContent(original);
    VariableDefinitions defs;
    DataSettings::writeStartup(ini, defs, Dot);
    const QByteArray out = ini.content();
    EXPECT_TRUE(out.startsWith("; settings for the lab rig\r\n[Window]\r\nLeft=10\r\n\r\n"
                               "[DATA SETTINGS]\r\n; keep decimation low\r\ndecimation=0\r\n"
                               "MyOwnKey=keep me\r\nScroll=1\r\nAxisX=0\r\nVar1.Active=0\r\n"));
    EXPECT_TRUE(out.endsWith("Var16.Color=4\r\n\r\n[Notes]\r\nVar1.Name=not ours\r\n"));
}

TEST(DataSettings, LoadUsesItsOwnDefaultsAndStopsAtABadColor)
{
    SettingsForm form;
    for (auto& row : form.rows) {
        row.name = QStringLiteral("shown");
        row.color = 3;
        row.scale = 9;
    }
    EXPECT_TRUE(DataSettings::loadForm(iniOf("Var2.Type=9\r\n"), form, Dot));
    EXPECT_EQ(form.decimation, 0);
    EXPECT_EQ(form.scroll, 1);
    for (int n = 1; n <= 16; ++n) {
        const SettingsForm::Row& row = form.rows[size_t(n - 1)];
        EXPECT_EQ(row.name, QStringLiteral("Var%1").arg(n));
        EXPECT_EQ(row.color, DefaultVarColor[size_t(n - 1)]);
        EXPECT_EQ(row.scale, 1.0);
        EXPECT_EQ(row.type, n == 2 ? -1 : 0); // a Type outside 0..3 leaves the cell
    }

    SettingsForm shown;
    for (auto& row : shown.rows) {
        row.name = QStringLiteral("shown");
        row.color = 3;
        row.scale = 9;
    }
    const IniFile bad = iniOf("Var1.Scale=2\r\nVar2.Active=1\r\nVar2.Scale=3\r\nVar2.Color=18\r\n"
                              "Var3.Scale=4\r\nVar1.Name=A\r\n");
    int failedRow = -1;
    EXPECT_FALSE(DataSettings::loadForm(bad, shown, Dot, &failedRow));
    EXPECT_EQ(failedRow, 1);
    EXPECT_EQ(shown.rows[0].scale, 2.0);
    EXPECT_EQ(shown.rows[0].color, 0);
    EXPECT_TRUE(shown.rows[1].active);
    EXPECT_EQ(shown.rows[1].scale, 3.0);
    EXPECT_EQ(shown.rows[1].color, 3); // its colour was not loaded
    EXPECT_EQ(shown.rows[2].scale, 9.0);
    EXPECT_EQ(shown.rows[0].name, QStringLiteral("shown"));
}

TEST(DataSettings, SaveWritesTheFormAndLoadRestoresIt)
{
    SettingsForm form;
    form.decimation = 3;
    form.scroll = 500;
    for (int n = 1; n <= 16; ++n) {
        SettingsForm::Row& row = form.rows[size_t(n - 1)];
        row.active = n % 2 == 1;
        row.type = n % 4;
        row.sign = n % 3 == 0;
        row.scale = 0.1 * n;
        row.offset = -1.5 * n;
        row.name = QStringLiteral("N%1").arg(n);
        row.color = n;
    }
    form.rows[4].color = -1; // a colour text that names no entry is not written

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rig.ini"));
    ASSERT_TRUE(DataSettings::saveFormFile(path, form, Comma));

    IniFile ini;
    ASSERT_TRUE(ini.load(path));
    const QStringList keys = keysOf(ini);
    EXPECT_EQ(keys.mid(0, 8),
              (QStringList{QStringLiteral("Decimation"), QStringLiteral("Scroll"),
                           QStringLiteral("Var1.Active"), QStringLiteral("Var1.Type"),
                           QStringLiteral("Var1.Sign"), QStringLiteral("Var1.Scale"),
                           QStringLiteral("Var1.Offset"), QStringLiteral("Var1.Color")}));
    EXPECT_EQ(keys.mid(keys.size() - 16, 1), QStringList{QStringLiteral("Var1.Name")});
    EXPECT_FALSE(keys.contains(QStringLiteral("AxisX")));
    EXPECT_FALSE(keys.contains(QStringLiteral("Var5.Color")));
    EXPECT_EQ(ini.value(DataSettings::Section, QStringLiteral("Var1.Scale")),
              QStringLiteral("0,1"));

    SettingsForm back;
    EXPECT_TRUE(DataSettings::loadFormFile(path, back, Comma));
    EXPECT_EQ(back.decimation, 3);
    EXPECT_EQ(back.scroll, 500);
    for (int n = 1; n <= 16; ++n) {
        const SettingsForm::Row& want = form.rows[size_t(n - 1)];
        const SettingsForm::Row& got = back.rows[size_t(n - 1)];
        EXPECT_EQ(got.active, want.active) << n;
        EXPECT_EQ(got.type, want.type) << n;
        EXPECT_EQ(got.sign, want.sign) << n;
        EXPECT_DOUBLE_EQ(got.scale, want.scale) << n;
        EXPECT_DOUBLE_EQ(got.offset, want.offset) << n;
        EXPECT_EQ(got.name, want.name) << n;
        EXPECT_EQ(got.color, n == 5 ? DefaultVarColor[4] : want.color) << n;
    }
}

TEST(DataSettings, SaveRefusesAnExistingFileItCannotRead)
{
    // Its other sections could not be kept, so it is not replaced, and the caller hears so.
    QTemporaryDir dir;
    SettingsForm form;
    form.rows[0].name = QStringLiteral("NEW");

    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.ini")));
    EXPECT_FALSE(DataSettings::saveFormFile(folder, form, Comma));
    EXPECT_TRUE(QFileInfo(folder).isDir());

    // Without read permission (root reads everything, so only as another user).
    if (::geteuid() == 0)
        return;
    const QString locked = dir.filePath(QStringLiteral("locked.ini"));
    QFile file(locked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Other]\r\nKeep=1\r\n");
    file.close();
    ASSERT_TRUE(file.setPermissions(QFileDevice::WriteOwner));
    EXPECT_FALSE(DataSettings::saveFormFile(locked, form, Comma));
    ASSERT_TRUE(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    IniFile ini;
    ASSERT_TRUE(ini.load(locked));
    EXPECT_EQ(ini.value(QStringLiteral("Other"), QStringLiteral("Keep")), QStringLiteral("1"));
    EXPECT_FALSE(ini.value(DataSettings::Section, QStringLiteral("Var1.Name")).has_value());
}
