#include "data/VariableDefinitions.h"
#include "data/TVarType.h"
#include "data/VarColors.h"

#include <gtest/gtest.h>

namespace {

TEST(VariableDefinitions, StartsAsSixteenInactiveByteVariablesNamedVar1)
{
    const VariableDefinitions v;
    for (int i = 0; i < VariableDefinitions::Count; ++i) {
        EXPECT_FALSE(v.DataVars[i].Active);
        EXPECT_EQ(v.DataVars[i].Type, vtByte);
        EXPECT_FALSE(v.DataVars[i].Sign);
        EXPECT_EQ(v.DataVars[i].Scale, 1.0f);
        EXPECT_EQ(v.DataVars[i].Offset, 0.0f);
        EXPECT_EQ(v.Names[i], QStringLiteral("Var1"));
        EXPECT_EQ(v.Colors[i], DefaultVarColor[i]);
    }
    EXPECT_EQ(v.Decimation, 0);
    EXPECT_EQ(v.Scroll, 1);
    EXPECT_FALSE(v.AxisX);
    EXPECT_EQ(v.findActive(u"VAR1"), -1) << "inactive variables have no name to commands";
}

TEST(VariableDefinitions, FindActiveComparesUpperCasedAndTakesTheHighestIndex)
{
    VariableDefinitions v;
    v.declare(1, QStringLiteral("temp"), vtInt);
    v.declare(7, QStringLiteral("TEMP"), vtInt);
    v.declare(12, QStringLiteral("Temp"), vtInt);
    v.DataVars[12].Active = false;
    v.declare(3, QStringLiteral("\u00e9t\u00e9"), vtByte);
    EXPECT_EQ(v.findActive(u"Temp"), 7);
    EXPECT_EQ(v.findActive(u"tEmP"), 7);
    EXPECT_EQ(v.findActive(u"TEM"), -1);
    EXPECT_EQ(v.findActive(u"\u00e9T\u00e9"), 3);
    EXPECT_EQ(v.findActive(u"\u00c9T\u00c9"), -1) << "only a..z change case";
    v.declare(0, QString(), vtByte);
    EXPECT_EQ(v.findActive(u""), 0) << "an empty name is a name like any other";
}

TEST(VarColors, TableAndDefaults)
{
    EXPECT_STREQ(VarColors[17].name, "Seagreen");
    EXPECT_EQ(varColorRgb(17), 0x2E8B57u);
    EXPECT_STREQ(VarColors[10].name, "MidnighBlue");
    EXPECT_EQ(varColorRgb(10), 0x191970u);
    EXPECT_EQ(varColorRgb(18), 0x000000u);
    EXPECT_EQ(DefaultVarColor[3], 15); // variable 4 draws red
    EXPECT_EQ(DefaultVarColor[15], 4); // variable 16 gray
}

TEST(TVarType, GridTextsAndByteCounts)
{
    const char* texts[] = {"byte", "int", "long int", "float"};
    const int bytes[] = {1, 2, 4, 4};
    for (int code = 0; code < 4; ++code) {
        EXPECT_EQ(varTypeText(code), QLatin1String(texts[code]));
        EXPECT_EQ(varTypeFromText(QLatin1String(texts[code])), code);
        EXPECT_EQ(varTypeByteCount(code), bytes[code]);
    }
    EXPECT_TRUE(varTypeText(4).isEmpty());
    EXPECT_EQ(varTypeFromText(QStringLiteral("long")), -1);
    EXPECT_EQ(varTypeByteCount(4), 0);
}

} // namespace
