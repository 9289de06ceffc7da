#include "data/DataSettingsModel.h"
#include "base/Clock.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/DataSettings.h"
#include "data/IniFile.h"
#include "data/TVarType.h"
#include "data/VarColors.h"
#include "data/VariableDefinitions.h"
#include "support/RecordingUiPort.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>

namespace {

using M = DataSettingsModel;

const QLocale Dot = QLocale::c();
const QLocale Comma = QLocale(QLocale::German, QLocale::Germany);

class FakeClock : public Clock
{
public:
    quint32 nowMs() const override { return now; }
    quint32 now = 0;
};

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

class DataSettingsModelTest : public ::testing::Test
{
protected:
    DataSettingsModel& open(const QLocale& locale = Dot)
    {
        model = std::make_unique<DataSettingsModel>(chart, capture, ui, startup(), locale);
        model->FormActivate();
        return *model;
    }
    ProgramFiles::Location startup() const
    {
        const QString path = dir.filePath(QStringLiteral("taviro.ini"));
        return {path, path};
    }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // Types a text into a cell the way the grid does: the edit begins, then ends.
    void type(int column, int row, const QString& text)
    {
        model->GridBeforeEdit(column, row);
        model->GridAfterEdit(column, row, text);
    }
    QString cell(int column, int row) const
    {
        return model->data(model->index(row, column)).toString();
    }
    QStringList boxTexts() const
    {
        QStringList texts;
        for (const RecordingUiPort::Box& b : ui.boxes)
            texts << b.text;
        return texts;
    }

    QTemporaryDir dir;
    VariableDefinitions defs;
    ChartModel chart{defs};
    FakeClock clock;
    CaptureState capture{defs, chart, clock};
    RecordingUiPort ui;
    std::unique_ptr<DataSettingsModel> model;
};

} // namespace

TEST_F(DataSettingsModelTest, FillingShowsTheAppliedDefinitions)
{
    defs.DataVars[2] = {true, vtLongInt, true, 0.1f, -2.5f};
    defs.Names[2] = QStringLiteral("TEMP");
    defs.Colors[2] = 17;
    defs.DataVars[3].Type = 9; // hand-edited: names no type
    defs.Colors[3] = 40;       // nor a colour
    defs.Decimation = 0;
    defs.Scroll = 40000;
    defs.AxisX = true;
    open(Comma);

    for (int r = 0; r < M::RowCount; ++r)
        EXPECT_EQ(cell(M::ColN, r), QString::number(r + 1));
    EXPECT_TRUE(model->row(2).active);
    EXPECT_EQ(cell(M::ColName, 2), QStringLiteral("TEMP"));
    EXPECT_EQ(cell(M::ColType, 2), QStringLiteral("long int"));
    EXPECT_TRUE(model->row(2).sign);
    // The single-precision values widened, with the locale's separator.
    EXPECT_EQ(cell(M::ColScale, 2), QStringLiteral("0,100000001490116"));
    EXPECT_EQ(cell(M::ColOffset, 2), QStringLiteral("-2,5"));
    EXPECT_EQ(cell(M::ColColor, 2), QStringLiteral("Seagreen"));
    EXPECT_EQ(model->data(model->index(2, M::ColColor), M::ColorRgbRole).toUInt(), 0x2E8B57u);
    EXPECT_EQ(cell(M::ColType, 0), QStringLiteral("byte"));
    EXPECT_EQ(cell(M::ColColor, 1), QStringLiteral("Blue"));
    // Codes that name no entry leave the cells as they were (empty on the first showing).
    EXPECT_EQ(cell(M::ColType, 3), QString());
    EXPECT_EQ(cell(M::ColColor, 3), QString());
    // Spin boxes show values outside their limits as the nearest limit.
    EXPECT_EQ(model->decimation(), 1);
    EXPECT_EQ(model->scroll(), 32000);
    EXPECT_TRUE(model->axisXIsTime());

    // An edit that OK did not apply is gone at the next showing.
    type(M::ColName, 2, QStringLiteral("OTHER"));
    model->setChecked(M::ColActive, 2, false);
    model->FormActivate();
    EXPECT_EQ(cell(M::ColName, 2), QStringLiteral("TEMP"));
    EXPECT_TRUE(model->row(2).active);
}

TEST_F(DataSettingsModelTest, NameRuleDropsPunctuationWithOneBoxPerCharacter)
{
    open();
    struct Case
    {
        QString typed;
        QString kept;
        int boxes;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("T 1.a"), QStringLiteral("T1a"), 2},
        {QStringLiteral("@TEMP"), QStringLiteral("TEMP"), 1},
        {QStringLiteral("a_1z"), QStringLiteral("a_1z"), 0},
        {QStringLiteral("!/:@"), QString(), 4},                          // the edges of both ranges
        {QStringLiteral("[x]~\u00e9"), QStringLiteral("[x]~\u00e9"), 0}, // outside them
        {QString(), QString(), 0},
    };
    for (const Case& c : cases) {
        ui.boxes.clear();
        type(M::ColName, 4, c.typed);
        EXPECT_EQ(cell(M::ColName, 4), c.kept) << c.typed.toStdString();
        ASSERT_EQ(ui.boxes.size(), c.boxes) << c.typed.toStdString();
        for (const RecordingUiPort::Box& b : ui.boxes) {
            EXPECT_EQ(b.text, QStringLiteral("Wrong value!"));
            EXPECT_EQ(b.caption, QStringLiteral("Error"));
            EXPECT_EQ(b.icon, UiPort::Icon::Error);
        }
    }
}

TEST_F(DataSettingsModelTest, NumberRuleFollowsTheLocale)
{
    struct Case
    {
        const QLocale& locale;
        QString typed;
        QString shown;
        bool wrong;
    };
    // Either mark is taken as the locale's decimal separator.
    const std::vector<Case> cases = {
        {Comma, QStringLiteral("2.5"), QStringLiteral("2,5"), false},
        {Comma, QStringLiteral("2,5"), QStringLiteral("2,5"), false},
        {Dot, QStringLiteral("2,5"), QStringLiteral("2.5"), false},
        {Dot, QStringLiteral("-1e-3"), QStringLiteral("-1e-3"), false},
        {Comma, QStringLiteral("1.000,5"), QStringLiteral("7"), true},
        {Dot, QStringLiteral(""), QStringLiteral("7"), true},
        {Dot, QStringLiteral("nan"), QStringLiteral("7"), true},
        {Dot, QStringLiteral("1e39"), QStringLiteral("7"), true}, // beyond single precision
    };
    for (const Case& c : cases) {
        defs.DataVars[0].Scale = 7.0f;
        open(c.locale);
        ui.boxes.clear();
        type(M::ColScale, 0, c.typed);
        EXPECT_EQ(cell(M::ColScale, 0), c.shown) << c.typed.toStdString();
        EXPECT_EQ(boxTexts(), c.wrong ? QStringList{QStringLiteral("Wrong value!")} : QStringList())
            << c.typed.toStdString();
    }

    // The cell's number is what OK applies.
    open(Comma);
    type(M::ColScale, 0, QStringLiteral("2.5"));
    model->BtOkClick();
    EXPECT_EQ(defs.DataVars[0].Scale, 2.5f);
}

TEST_F(DataSettingsModelTest, WrongNumberReturnsToTheOneRememberedValue)
{
    defs.DataVars[1].Offset = std::numeric_limits<float>::infinity();
    open();

    // "abc" in an Offset that held 0: the box, and 0 again.
    type(M::ColOffset, 0, QStringLiteral("abc"));
    EXPECT_EQ(cell(M::ColOffset, 0), QStringLiteral("0"));
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("Wrong value!")});

    // A good entry becomes the remembered value, in single precision.
    type(M::ColScale, 0, QStringLiteral("0.1"));
    EXPECT_EQ(cell(M::ColScale, 0), QStringLiteral("0.1"));

    // A cell that holds no number when its edit begins: a beep and nothing else...
    ui.boxes.clear();
    model->GridBeforeEdit(M::ColOffset, 1);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(cell(M::ColOffset, 1), QStringLiteral("inf"));
    // ...so a wrong entry there returns to the value remembered from the other cell.
    model->GridAfterEdit(M::ColOffset, 1, QStringLiteral("x"));
    EXPECT_EQ(cell(M::ColOffset, 1), QStringLiteral("0.100000001490116"));
    EXPECT_EQ(ui.boxes.size(), 1);
}

TEST_F(DataSettingsModelTest, TypeAndColorTakeOnlyTheirListEntries)
{
    open();
    type(M::ColType, 0, QStringLiteral("float"));
    type(M::ColType, 0, QStringLiteral("double"));
    type(M::ColType, 0, QStringLiteral("Float"));
    EXPECT_EQ(cell(M::ColType, 0), QStringLiteral("float"));
    type(M::ColColor, 0, QStringLiteral("Seagreen"));
    type(M::ColColor, 0, QStringLiteral("SeaGreen"));
    type(M::ColColor, 0, QStringLiteral("White"));
    EXPECT_EQ(cell(M::ColColor, 0), QStringLiteral("Seagreen"));
    // N takes no text; the check boxes take their state.
    EXPECT_FALSE(model->flags(model->index(0, M::ColN)) & Qt::ItemIsEditable);
    type(M::ColN, 0, QStringLiteral("9"));
    EXPECT_EQ(cell(M::ColN, 0), QStringLiteral("1"));
    EXPECT_TRUE(model->setData(model->index(0, M::ColSign), Qt::Checked, Qt::CheckStateRole));
    EXPECT_TRUE(model->row(0).sign);
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(DataSettingsModelTest, SpinBoxesHoldTheirValuesWithinTheirLimits)
{
    open();
    struct Case
    {
        const char* text;
        int decimation;
        int scroll;
    };
    const std::vector<Case> cases = {
        {"10", 10, 10}, {"0", 1, 0}, {"40000", 32000, 32000},       {"-5", 1, 0},
        {"abc", 1, 0},  {"", 1, 0},  {"99999999999", 32000, 32000}, {" 12 ", 12, 12},
    };
    for (const Case& c : cases) {
        model->setDecimationText(QString::fromLatin1(c.text));
        model->setScrollText(QString::fromLatin1(c.text));
        EXPECT_EQ(model->decimation(), c.decimation) << c.text;
        EXPECT_EQ(model->scroll(), c.scroll) << c.text;
    }
}

TEST_F(DataSettingsModelTest, OkWithoutChangeClearsTheSeriesAndRestartsTheCapture)
{
    defs.DataVars[0].Active = true;
    chart.putOnChart(0);
    chart.series(0).append(0, 1);
    chart.series(5).append(0, 1); // off the chart: cleared all the same
    capture.SampleCount = 12;
    capture.DecimationCounter = 3;
    clock.now = 5000;
    open();
    const quint64 generation = chart.generation();

    model->BtOkClick();
    EXPECT_EQ(chart.series(0).count(), 0);
    EXPECT_EQ(chart.series(5).count(), 0);
    EXPECT_EQ(capture.SampleCount, 0);
    EXPECT_EQ(capture.CaptureStart, 5000u);
    EXPECT_EQ(capture.DecimationCounter, 1u);
    EXPECT_EQ(chart.seriesOnChart(), QList<int>{0});
    EXPECT_EQ(chart.generation(), generation + 1); // refreshed: a series is on the chart
    EXPECT_TRUE(ui.boxes.isEmpty());

    // With no series on the chart, nothing is refreshed.
    model->setChecked(M::ColActive, 0, false);
    model->BtOkClick();
    EXPECT_EQ(chart.generation(), generation + 1);
}

TEST_F(DataSettingsModelTest, OkAppliesEveryControlAndWritesTheStartupFile)
{
    open(Comma);
    model->setChecked(M::ColActive, 4, true);
    type(M::ColName, 4, QStringLiteral("TEMP"));
    type(M::ColType, 4, QStringLiteral("int"));
    model->setChecked(M::ColSign, 4, true);
    type(M::ColScale, 4, QStringLiteral("0.1"));
    type(M::ColOffset, 4, QStringLiteral("-40"));
    type(M::ColColor, 4, QStringLiteral("Seagreen"));
    model->setDecimationText(QStringLiteral("10"));
    model->setScrollText(QStringLiteral("0"));
    model->setAxisXIsTime(true);
    model->BtOkClick();

    EXPECT_TRUE(defs.DataVars[4].Active);
    EXPECT_EQ(defs.DataVars[4].Type, vtInt);
    EXPECT_TRUE(defs.DataVars[4].Sign);
    EXPECT_EQ(defs.DataVars[4].Scale, 0.1f);
    EXPECT_EQ(defs.DataVars[4].Offset, -40.0f);
    EXPECT_EQ(chart.series(4).title(), QStringLiteral("TEMP"));
    EXPECT_EQ(defs.Colors[4], 17);
    EXPECT_EQ(chart.series(4).rgb(), 0x2E8B57u);
    EXPECT_EQ(defs.Decimation, 10);
    EXPECT_EQ(defs.Scroll, 0);
    EXPECT_TRUE(defs.AxisX);
    EXPECT_EQ(chart.seriesOnChart(), QList<int>{4});
    EXPECT_EQ(defs.findActive(u"temp"), 4);

    // The file holds what was applied, written under the same locale.
    IniFile ini;
    ASSERT_TRUE(ini.load(startup().writePath));
    EXPECT_EQ(ini.value(DataSettings::Section, QStringLiteral("Var5.Scale")),
              QStringLiteral("0,100000001490116"));
    VariableDefinitions back;
    ASSERT_TRUE(DataSettings::readStartupFile(startup().writePath, back, Comma));
    EXPECT_EQ(back.Names[4], QStringLiteral("TEMP"));
    EXPECT_EQ(back.DataVars[4].Scale, 0.1f);
    EXPECT_EQ(back.Colors[4], 17);
    EXPECT_TRUE(back.AxisX);
    EXPECT_EQ(back.Decimation, 10);
}

TEST_F(DataSettingsModelTest, OffThenOnPutsTheSameSeriesBackAfterTheOthers)
{
    for (int i : {1, 4}) {
        defs.DataVars[size_t(i)].Active = true;
        chart.putOnChart(i);
    }
    defs.Names[1] = QStringLiteral("A");
    open();
    type(M::ColColor, 1, QStringLiteral("Orange"));

    model->setChecked(M::ColActive, 1, false);
    model->BtOkClick();
    EXPECT_EQ(chart.seriesOnChart(), QList<int>{4});
    // Off the chart, the series keeps its title and colour.
    EXPECT_EQ(chart.series(1).title(), QStringLiteral("A"));
    EXPECT_EQ(chart.series(1).rgb(), 0xFFA500u);

    model->FormActivate();
    model->setChecked(M::ColActive, 1, true);
    model->BtOkClick();
    EXPECT_EQ(chart.seriesOnChart(), (QList<int>{4, 1}));
    EXPECT_EQ(chart.series(1).title(), QStringLiteral("A"));
    EXPECT_EQ(chart.series(1).rgb(), 0xFFA500u);
}

TEST_F(DataSettingsModelTest, UnwritableStartupFileIsReportedAndTheSettingsApplyAnyway)
{
    const QString folder = file("missing/deeper");
    writeFile(file("missing"), "a file, not a folder");
    model = std::make_unique<DataSettingsModel>(
        chart, capture, ui,
        ProgramFiles::Location{folder + QStringLiteral("/taviro.ini"),
                               folder + QStringLiteral("/taviro.ini")},
        Dot);
    model->FormActivate();
    model->setChecked(M::ColActive, 2, true);
    model->BtOkClick();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_TRUE(ui.boxes[0].text.startsWith(QStringLiteral("Unable to write to ")));
    EXPECT_TRUE(ui.boxes[0].text.endsWith(QStringLiteral("taviro.ini")));
    EXPECT_TRUE(defs.DataVars[2].Active);
    EXPECT_EQ(chart.seriesOnChart(), QList<int>{2});
}

TEST_F(DataSettingsModelTest, LoadThenCancelAppliesNothing)
{
    writeFile(file("other.ini"), "[Data Settings]\r\nVar1.Active=1\r\nVar1.Name=X\r\n"
                                 "Decimation=5\r\n");
    open();
    ui.fileReplies = {file("other.ini")};
    model->LoadClick();
    EXPECT_TRUE(model->row(0).active);
    EXPECT_EQ(cell(M::ColName, 0), QStringLiteral("X"));
    EXPECT_EQ(model->decimation(), 5);

    // Cancel: the dialog closes without OK.
    EXPECT_FALSE(defs.DataVars[0].Active);
    EXPECT_EQ(defs.Names[0], QStringLiteral("Var1"));
    EXPECT_EQ(defs.Decimation, 0);
    EXPECT_FALSE(QFile::exists(startup().writePath));
    model->FormActivate();
    EXPECT_FALSE(model->row(0).active);
    EXPECT_EQ(cell(M::ColName, 0), QStringLiteral("Var1"));

    // The file dialogs open in the settings folder with the two filters.
    ASSERT_EQ(ui.fileRequests.size(), 1);
    EXPECT_EQ(ui.fileRequests[0].mode, UiPort::FileMode::Open);
    EXPECT_EQ(ui.fileRequests[0].initialFolder, dir.path());
    EXPECT_EQ(ui.fileRequests[0].filters,
              (QStringList{QStringLiteral("*.ini"), QStringLiteral("*.*")}));
    // A cancelled file dialog changes nothing.
    type(M::ColName, 0, QStringLiteral("KEEP"));
    model->LoadClick();
    model->SaveClick();
    EXPECT_EQ(cell(M::ColName, 0), QStringLiteral("KEEP"));
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(DataSettingsModelTest, LoadWithoutNamesNumbersThem)
{
    writeFile(file("nonames.ini"), "[Data Settings]\r\nVar3.Active=1\r\n");
    open();
    ui.fileReplies = {file("nonames.ini")};
    model->LoadClick();
    for (int r = 0; r < M::RowCount; ++r)
        EXPECT_EQ(cell(M::ColName, r), QStringLiteral("Var%1").arg(r + 1));
    EXPECT_TRUE(model->row(2).active);
    EXPECT_EQ(cell(M::ColColor, 10), QStringLiteral("Seagreen")); // its default colour
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(DataSettingsModelTest, SaveThenLoadRestoresEveryCellButNotTheAxisX)
{
    open(Comma);
    const std::array<const char*, 4> types = {"byte", "int", "long int", "float"};
    for (int r = 0; r < M::RowCount; ++r) {
        model->setChecked(M::ColActive, r, r % 2 == 0);
        type(M::ColName, r, QStringLiteral("N%1").arg(r * 7));
        type(M::ColType, r, QString::fromLatin1(types[size_t(r % 4)]));
        model->setChecked(M::ColSign, r, r % 3 == 0);
        // 0.1 is written as 0.1: the cells' doubles, not the applied floats.
        type(M::ColScale, r, r == 0 ? QStringLiteral("0.1") : QStringLiteral("%1.5").arg(r));
        type(M::ColOffset, r, QStringLiteral("-%1.25").arg(r));
        type(M::ColColor, r, QString::fromLatin1(VarColors[size_t(17 - r)].name));
    }
    model->setDecimationText(QStringLiteral("250"));
    model->setScrollText(QStringLiteral("1000"));
    std::array<DataSettingsModel::Row, M::RowCount> saved;
    for (int r = 0; r < M::RowCount; ++r)
        saved[size_t(r)] = model->row(r);

    ui.fileReplies = {file("set.ini")};
    model->SaveClick();
    IniFile ini;
    ASSERT_TRUE(ini.load(file("set.ini")));
    EXPECT_EQ(ini.value(DataSettings::Section, QStringLiteral("Var1.Scale")),
              QStringLiteral("0,1"));
    EXPECT_FALSE(ini.value(DataSettings::Section, QStringLiteral("AxisX")));

    model->FormActivate(); // back to the applied settings
    model->setAxisXIsTime(true);
    ui.fileReplies = {file("set.ini")};
    model->LoadClick();
    for (int r = 0; r < M::RowCount; ++r) {
        const DataSettingsModel::Row& got = model->row(r);
        const DataSettingsModel::Row& want = saved[size_t(r)];
        EXPECT_EQ(got.active, want.active) << r;
        EXPECT_EQ(got.name, want.name) << r;
        EXPECT_EQ(got.type, want.type) << r;
        EXPECT_EQ(got.sign, want.sign) << r;
        EXPECT_EQ(got.scale, want.scale) << r;
        EXPECT_EQ(got.offset, want.offset) << r;
        EXPECT_EQ(got.color, want.color) << r;
    }
    EXPECT_EQ(model->decimation(), 250);
    EXPECT_EQ(model->scroll(), 1000);
    EXPECT_TRUE(model->axisXIsTime());
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_EQ(ui.fileRequests[0].mode, UiPort::FileMode::Save);
    EXPECT_EQ(ui.fileRequests[0].defaultSuffix, QStringLiteral("ini"));
}

TEST_F(DataSettingsModelTest, BadColorStopsLoadingAtItsRow)
{
    writeFile(file("bad.ini"), "[Data Settings]\r\nScroll=7\r\n"
                               "Var1.Active=1\r\nVar1.Scale=2\r\nVar1.Color=3\r\n"
                               "Var2.Active=1\r\nVar2.Type=2\r\nVar2.Scale=3\r\nVar2.Color=18\r\n"
                               "Var3.Active=1\r\nVar3.Scale=4\r\n"
                               "Var1.Name=A\r\nVar2.Name=B\r\n");
    open();
    for (int r = 0; r < M::RowCount; ++r)
        type(M::ColName, r, QStringLiteral("shown%1").arg(r));
    type(M::ColScale, 2, QStringLiteral("9"));
    ui.fileReplies = {file("bad.ini")};
    model->LoadClick();

    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("grid error!")});
    EXPECT_EQ(ui.boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(ui.boxes[0].icon, UiPort::Icon::Error);
    EXPECT_EQ(model->scroll(), 7);
    // Row 1 whole.
    EXPECT_TRUE(model->row(0).active);
    EXPECT_EQ(cell(M::ColScale, 0), QStringLiteral("2"));
    EXPECT_EQ(cell(M::ColColor, 0), QStringLiteral("Chocolate"));
    // Row 2 but its colour.
    EXPECT_TRUE(model->row(1).active);
    EXPECT_EQ(cell(M::ColType, 1), QStringLiteral("long int"));
    EXPECT_EQ(cell(M::ColScale, 1), QStringLiteral("3"));
    EXPECT_EQ(cell(M::ColColor, 1), QStringLiteral("Blue"));
    // Rows 3 to 16 and every name as they were.
    EXPECT_FALSE(model->row(2).active);
    EXPECT_EQ(cell(M::ColScale, 2), QStringLiteral("9"));
    for (int r = 0; r < M::RowCount; ++r)
        EXPECT_EQ(cell(M::ColName, r), QStringLiteral("shown%1").arg(r));
}

TEST_F(DataSettingsModelTest, FileFailuresAreReported)
{
    open();
    type(M::ColName, 0, QStringLiteral("KEEP"));
    // A file that cannot be read loads nothing.
    ui.fileReplies = {file("absent.ini")};
    model->LoadClick();
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("grid error!")});
    EXPECT_EQ(cell(M::ColName, 0), QStringLiteral("KEEP"));
    EXPECT_EQ(cell(M::ColName, 1), QStringLiteral("Var1"));

    // A file that cannot be written says so instead of passing for saved.
    ui.boxes.clear();
    ui.fileReplies = {file("no/such/folder/set.ini")};
    model->SaveClick();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_TRUE(ui.boxes[0].text.startsWith(QStringLiteral("Unable to write to ")));
}

TEST_F(DataSettingsModelTest, CellsCarryTheirNamesAndTheGridHint)
{
    open();
    const QStringList headers = {"N",    "Active", "Variable Name", "Type",
                                 "Sign", "Scale",  "Offset",        "Color"};
    ASSERT_EQ(model->columnCount(), headers.size());
    EXPECT_EQ(model->rowCount(), 16);
    for (int c = 0; c < M::ColumnCount; ++c)
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), headers[c]);
    const QModelIndex active = model->index(3, M::ColActive);
    EXPECT_EQ(active.data(Qt::AccessibleTextRole).toString(), QStringLiteral("Active"));
    EXPECT_EQ(active.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    EXPECT_EQ(model->index(3, M::ColScale).data(Qt::AccessibleDescriptionRole).toString(),
              QStringLiteral("Enter variables parameters here"));
}
