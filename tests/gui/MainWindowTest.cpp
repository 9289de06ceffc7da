#include "MainWindowFixture.h"

#include "gui/PaintedPanel.h"
#include "script/ScriptFile.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

namespace {

class MainWindowTest : public MainWindowFixture
{
protected:
    QTextCharFormat formatAt(int line, int column)
    {
        const QTextBlock block = editor().document()->findBlockByNumber(line);
        for (const QTextLayout::FormatRange& r : block.layout()->formats())
            if (column >= r.start && column < r.start + r.length)
                return r.format;
        return {};
    }
    bool isRed(int line, int column)
    {
        return formatAt(line, column).foreground().color() == QColor(255, 0, 0);
    }
    // A comment: italic and not bold; code keeps the editor's bold font.
    bool isComment(int line, int column)
    {
        const QTextCharFormat f = formatAt(line, column);
        return f.fontItalic() && f.hasProperty(QTextFormat::FontWeight) &&
               f.fontWeight() == QFont::Normal;
    }
};

TEST_F(MainWindowTest, WithoutABridgeNothingRunsAndTheConnectionPanelIsRed)
{
    createWindow();
    ASSERT_TRUE(waitFor([&] { return model().HIDCtl().EnumerationCount() > 0; }));
    for (const char* name :
         {"AcReset", "AcList", "AcSend", "AcSendRepeat", "AcSendSpeed", "AcStop"})
        EXPECT_FALSE(action(name)->isEnabled()) << name;
    for (QPushButton* b : {bottom().resetButton(), bottom().listButton(), bottom().sendButton(),
                           bottom().stopButton(), bottom().repeatButton(), bottom().toFileButton()})
        EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
    EXPECT_EQ(window->panels().panel(3)->text(), QStringLiteral("disconnected"));
    EXPECT_FALSE(window->panels().connectionPanel()->isLit());
    EXPECT_EQ(window->panels().panel(4)->text(), QStringLiteral("No power"));
    // Painted red, with the text in black from (5, 2) on.
    for (int panel : {3, 4}) {
        const QImage image = window->panels().panel(panel)->grab().toImage();
        EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 0, 0)) << panel;
        EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), QColor(255, 0, 0));
        bool black = false;
        for (int y = 2; y < image.height(); ++y)
            for (int x = 5; x < image.width(); ++x)
                black = black || image.pixelColor(x, y) == QColor(0, 0, 0);
        EXPECT_TRUE(black) << panel;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(image.pixelColor(x, y), QColor(255, 0, 0)) << panel;
    }
    EXPECT_FALSE(editor().isReadOnly());
}

TEST_F(MainWindowTest, EnablingFollowsEveryKindOfRun)
{
    startWithOneFastBridge();
    // Replies held back make Send and List last; the poll must not take them.
    model().control().pollTimer().stop();
    model().burst().setFilePath(dir.filePath(QStringLiteral("burst.dat")));
    const ExecutionState& e = model().execution();

    struct Case
    {
        const char* name;
        QString script;
        const char* start;
        std::function<bool()> running;
        bool stop;
        bool readOnly;
        const char* end;
    };
    const std::vector<Case> cases = {
        {"send", QStringLiteral("R 48 X"), "AcSend", [&] { return e.SendBusy; }, false, true,
         "AcReset"},
        {"repeat", QStringLiteral("R 48 X"), "AcSendRepeat", [&] { return e.RepeatRunning; }, true,
         true, "AcStop"},
        {"burst", QStringLiteral("R 49 X X"), "AcSendSpeed", [&] { return e.BurstRunning; }, true,
         false, "AcStop"},
        {"scan", QString(), "AcList", [&] { return e.ListBusy; }, false, false, "AcReset"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        editor().setLines({c.script});
        // Idle: every run command is free, Stop is not.
        for (const char* name : {"AcReset", "AcList", "AcSend", "AcSendRepeat", "AcSendSpeed"})
            EXPECT_TRUE(action(name)->isEnabled()) << name;
        EXPECT_FALSE(action("AcStop")->isEnabled());
        EXPECT_FALSE(editor().isReadOnly());

        sim.devices().first()->delayNextReplies(1, 300);
        bool checked = false;
        whenReady(c.running, [&] {
            for (const char* name : {"AcList", "AcSend", "AcSendRepeat", "AcSendSpeed"})
                EXPECT_FALSE(action(name)->isEnabled()) << name;
            EXPECT_FALSE(bottom().sendButton()->isEnabled());
            EXPECT_TRUE(action("AcReset")->isEnabled());
            EXPECT_EQ(action("AcStop")->isEnabled(), c.stop);
            EXPECT_EQ(bottom().stopButton()->isEnabled(), c.stop);
            EXPECT_EQ(editor().isReadOnly(), c.readOnly);
            // Typing reaches the script only while it is editable.
            const QStringList before = editor().lines();
            editor().moveCursor(QTextCursor::End);
            QTest::keyClicks(&editor(), QStringLiteral(" 1"));
            EXPECT_EQ(editor().lines() == before, c.readOnly);
            checked = true;
            action(c.end)->trigger();
        });
        action(c.start)->trigger();
        ASSERT_TRUE(waitFor([&] { return checked && !e.anyRunning(); }));
        ASSERT_TRUE(waitForIdleLink());
        EXPECT_TRUE(action("AcSend")->isEnabled());
        EXPECT_FALSE(editor().isReadOnly());
    }
}

TEST_F(MainWindowTest, EnterSendsAndShiftOrCtrlEnterBreaksTheLine)
{
    startWithOneFastBridge();
    editor().setLines({QStringLiteral("R 48 X X")});
    editor().setFocus();
    QTest::keyClick(&editor(), Qt::Key_End);
    QTest::keyClick(&editor(), Qt::Key_Return);
    ASSERT_EQ(status().lineCount(), 1);
    EXPECT_TRUE(status().lines().first().startsWith(QStringLiteral("s 91+ ")))
        << status().lines().first().toStdString();
    EXPECT_EQ(editor().lines(), QStringList{QStringLiteral("R 48 X X")});
    EXPECT_EQ(model().panel(2), QStringLiteral("ok"));

    QTest::keyClick(&editor(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&editor(), QStringLiteral("R 50 X"));
    QTest::keyClick(&editor(), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(editor().lines(),
              (QStringList{QStringLiteral("R 48 X X"), QStringLiteral("R 50 X"), QString()}));
    EXPECT_EQ(status().lineCount(), 1);
    // Enter on the last line sends it (an empty line exchanges nothing).
    QTest::keyClick(&editor(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(status().lines(), (QStringList{status().lines().first(), QString()}));
}

TEST_F(MainWindowTest, AnErrorColoursTheRestRedAndCommentsAreItalicWithoutAnUndoStep)
{
    createWindow();
    int checks = 0;
    QObject::connect(&model(), &MainModel::verdictChanged, [&] { ++checks; });
    editor().setLines({QStringLiteral("S A0 00"), QStringLiteral("R 48 X ;read"),
                       QStringLiteral("S A0 Q1"), QStringLiteral("R 48 X"),
                       QStringLiteral(";only")});
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(model().panel(1), QStringLiteral("  Syntax : ERROR  [ 3 : 5 ]"));
    EXPECT_EQ(window->panels().panel(1)->text(), QStringLiteral("  Syntax : ERROR  [ 3 : 5 ]"));

    struct Cell
    {
        int line, column;
        bool red, comment;
    };
    const Cell error[] = {{0, 0, false, false}, {1, 0, false, false}, {1, 7, false, true},
                          {1, 11, false, true}, {2, 4, false, false}, {2, 5, true, false},
                          {2, 6, true, false},  {3, 0, true, false},  {4, 0, true, true}};
    for (const Cell& c : error) {
        EXPECT_EQ(isRed(c.line, c.column), c.red) << c.line << ":" << c.column;
        EXPECT_EQ(isComment(c.line, c.column), c.comment) << c.line << ":" << c.column;
    }
    QTextDocument* doc = editor().document();
    EXPECT_EQ(doc->availableUndoSteps(), 0);
    EXPECT_FALSE(doc->isModified());

    // Mending the error is one edit: one check, one undo step, the rest black again.
    checks = 0;
    editor().setCaretToOffset(model().verdict().position);
    QTest::keyClick(&editor(), Qt::Key_Delete);
    EXPECT_EQ(editor().line(2), QStringLiteral("S A0 1"));
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(model().panel(1), QStringLiteral("  Syntax : OK"));
    EXPECT_EQ(doc->availableUndoSteps(), 1);
    for (int line = 0; line < 5; ++line)
        EXPECT_FALSE(isRed(line, 0)) << line;
    EXPECT_TRUE(isComment(4, 0));

    // Text that stops being a comment loses its italics.
    QTextCursor cursor(doc->findBlockByNumber(4));
    cursor.deleteChar();
    EXPECT_EQ(editor().line(4), QStringLiteral("only"));
    EXPECT_EQ(checks, 2);
    EXPECT_FALSE(isComment(4, 0));
    EXPECT_TRUE(isRed(4, 0));

    // A script loaded from a file is checked once, after loading, and coloured at once.
    const QString path = dir.filePath(QStringLiteral("errors.iic"));
    ASSERT_TRUE(ScriptFile::write(path, {QStringLiteral("; title"), QStringLiteral("W 50 00 ZZ")}));
    checks = 0;
    ASSERT_TRUE(model().openScript(path));
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(isComment(0, 0));
    EXPECT_FALSE(isRed(1, 7));
    EXPECT_TRUE(isRed(1, 8));
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Taviro - ") + QFileInfo(path).absoluteFilePath());
}

TEST_F(MainWindowTest, TheCaretPanelFollowsKeysAndMouse)
{
    createWindow();
    editor().setLines({QStringLiteral("S A0 00"), QStringLiteral("R 48 X X")});
    editor().setFocus();
    QTest::keyClick(&editor(), Qt::Key_Down);
    EXPECT_EQ(window->panels().panel(0)->text(), QStringLiteral("2 : 0"));
    QTest::keyClick(&editor(), Qt::Key_End);
    EXPECT_EQ(window->panels().panel(0)->text(), QStringLiteral("2 : 8"));

    QTextCursor third(editor().document()->findBlockByNumber(0));
    third.setPosition(3);
    const QRect at = editor().cursorRect(third);
    QTest::mouseClick(editor().viewport(), Qt::LeftButton, {},
                      QPoint(at.left() + 2, at.center().y()));
    EXPECT_EQ(window->panels().panel(0)->text(), QStringLiteral("1 : 3"));
}

TEST_F(MainWindowTest, AClickOnTheStatusBarJumpsToTheError)
{
    createWindow();
    editor().setLines(
        {QStringLiteral("S A0 00"), QStringLiteral("R 48 X"), QStringLiteral("S A0 Q1")});
    window->tabs().setCurrentIndex(1);
    ASSERT_EQ(model().activeTab(), MainModel::Tab::Chart);
    QTest::mouseClick(window->panels().panel(4), Qt::LeftButton);
    EXPECT_EQ(window->tabs().currentIndex(), 0);
    EXPECT_EQ(editor().selectionStart(), (CommandEditor::Position{2, 5}));
    EXPECT_EQ(window->panels().panel(0)->text(), QStringLiteral("3 : 5"));

    // Without an error a click changes nothing.
    editor().setLines({QStringLiteral("S A0 00")});
    editor().setCaretToOffset(3);
    QTest::mouseClick(window->panels().panel(1), Qt::LeftButton);
    EXPECT_EQ(editor().selectionStart(), (CommandEditor::Position{0, 3}));
}

TEST_F(MainWindowTest, ThePowerChoiceReachesTheBridgeAndFollowsItsStatus)
{
    startWithOneFastBridge();
    ASSERT_TRUE(waitFor([&] { return window->panels().powerPanel()->isLit(); }));
    EXPECT_EQ(window->panels().panel(4)->text(), QStringLiteral("Powered"));
    EXPECT_TRUE(bottom().externalPower()->isChecked());

    QTest::mouseClick(bottom().power5V(), Qt::LeftButton);
    EXPECT_TRUE(bottom().power5V()->isChecked());
    ASSERT_TRUE(waitFor([&] { return firmware().powerSource() == 1; }));

    // The bridge reports another source: the buttons follow.
    const quint8 power3V3[] = {0x02, 0x01, 0x80, 0x02};
    firmware().receive(power3V3, sizeof power3V3);
    ASSERT_TRUE(waitFor([&] { return bottom().power3V3()->isChecked(); }));
    EXPECT_FALSE(bottom().power5V()->isChecked());

    // Back on external power, which is gone: the target has none.
    firmware().setExternalPower(false);
    QTest::mouseClick(bottom().externalPower(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !window->panels().powerPanel()->isLit(); }));
    EXPECT_EQ(window->panels().panel(4)->text(), QStringLiteral("No power"));
    EXPECT_EQ(firmware().powerSource(), 0);
}

TEST_F(MainWindowTest, TheSpeedItemsReachTheBridgeAndFollowItsStatus)
{
    startWithOneFastBridge();
    EXPECT_TRUE(action("IICSpeed100K1")->isChecked());
    action("IICSpeed50K1")->trigger();
    EXPECT_TRUE(action("IICSpeed50K1")->isChecked());
    EXPECT_FALSE(action("IICSpeed100K1")->isChecked());
    ASSERT_TRUE(waitFor([&] { return firmware().busSpeedCode() == 0x08; }));

    const quint8 speed400[] = {0x24, 0x00, 0x00};
    firmware().receive(speed400, sizeof speed400);
    ASSERT_TRUE(waitFor([&] { return action("IICSpeed400K1")->isChecked(); }));
    EXPECT_FALSE(action("IICSpeed50K1")->isChecked());
    EXPECT_FALSE(action("IICSpeed100K1")->isChecked());
}

TEST_F(MainWindowTest, TheBridgeListFollowsPluggingAndClicks)
{
    sim.addBridges(2);
    createWindow();
    ASSERT_TRUE(waitForBridges(2));
    QListWidget* list = bottom().bridgeList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("USB-I2C converter N=SIM0001, Ver2.5"));
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("USB-I2C converter N=SIM0002, Ver2.5"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(window->panels().panel(3)->text(), QStringLiteral("connected to N=1"));
    EXPECT_TRUE(window->panels().connectionPanel()->isLit());
    EXPECT_EQ(window->panels().panel(3)->grab().toImage().pixelColor(1, 1), QColor(0, 255, 0));

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    ASSERT_TRUE(
        waitFor([&] { return model().bridges().SelectedBridge() == model().bridges().entry(1); }));
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(window->panels().panel(3)->text(), QStringLiteral("connected to N=2"));

    sim.devices().at(1)->unplug();
    ASSERT_TRUE(waitFor([&] { return list->count() == 1; }));
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("USB-I2C converter N=SIM0001, Ver2.5"));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(window->panels().panel(3)->text(), QStringLiteral("connected to N=1"));

    sim.devices().at(0)->unplug();
    ASSERT_TRUE(waitFor([&] { return list->count() == 0; }));
    EXPECT_EQ(window->panels().panel(3)->text(), QStringLiteral("disconnected"));
    EXPECT_FALSE(window->panels().connectionPanel()->isLit());
    EXPECT_FALSE(action("AcSend")->isEnabled());

    sim.devices().at(0)->plug();
    ASSERT_TRUE(waitForBridges(1));
    EXPECT_EQ(list->count(), 1);
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_TRUE(action("AcSend")->isEnabled());
}

TEST_F(MainWindowTest, StartUpLoadsTheNamedScriptElseTheAutosaveFile)
{
    const QString named = dir.filePath(QStringLiteral("named.iic"));
    ASSERT_TRUE(ScriptFile::write(named, {QStringLiteral("R 48 X"), QStringLiteral("Q")}));
    ASSERT_TRUE(ScriptFile::write(paths().autosave.readPath, {QStringLiteral("S A0 00")}));

    createWindow({named});
    EXPECT_EQ(editor().lines(), (QStringList{QStringLiteral("R 48 X"), QStringLiteral("Q")}));
    // Checked and coloured at once.
    EXPECT_EQ(window->panels().panel(1)->text(), QStringLiteral("  Syntax : ERROR  [ 2 : 0 ]"));
    EXPECT_TRUE(isRed(1, 0));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Taviro"));
    EXPECT_EQ(window->tabs().currentIndex(), 0);
    window.reset();

    createWindow({QString()});
    EXPECT_EQ(editor().lines(), QStringList{QStringLiteral("S A0 00")});
    EXPECT_EQ(window->panels().panel(1)->text(), QStringLiteral("  Syntax : OK"));
}

TEST_F(MainWindowTest, ClosingDuringSendEndsTheRunAndSavesTheScript)
{
    startWithOneFastBridge();
    model().control().pollTimer().stop();
    const QStringList script(50, QStringLiteral("R 48 X"));
    editor().setLines(script);
    bottom().sendAll()->setChecked(true);
    // Every reply takes 200 ms: the whole Send would last ten seconds.
    sim.devices().first()->delayNextReplies(50, 200);
    bool closedDuringSend = false;
    whenReady([&] { return model().execution().SendBusy && status().lineCount() > 0; },
              [&] {
                  closedDuringSend = true;
                  window->close();
                  // The Send still has to return through its handler: not closed yet.
                  EXPECT_TRUE(window->isVisible());
              });
    action("AcSend")->trigger();
    EXPECT_TRUE(closedDuringSend);
    EXPECT_FALSE(model().execution().SendBusy);
    EXPECT_LT(status().lineCount(), 5);
    ASSERT_TRUE(waitFor([&] { return !window->isVisible(); }));
    QStringList saved;
    ASSERT_TRUE(ScriptFile::read(paths().autosave.readPath, saved));
    EXPECT_EQ(saved, script);
    window.reset();
}

TEST_F(MainWindowTest, ClosingDuringRepeatOrBurstStopsTheRunAndSavesTheScript)
{
    struct Case
    {
        const char* name;
        const char* start;
        std::function<bool()> running;
    };
    const std::vector<Case> cases = {
        {"repeat", "AcSendRepeat",
         [&] { return model().execution().RepeatRunning && status().lineCount() > 20; }},
        {"burst", "AcSendSpeed",
         [&] { return model().execution().BurstRunning && firmware().streaming(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startWithOneFastBridge();
        model().burst().setFilePath(dir.filePath(QStringLiteral("burst.dat")));
        const QStringList script = {QStringLiteral("R 49 X X")};
        editor().setLines(script);
        action(c.start)->trigger();
        ASSERT_TRUE(waitFor(c.running));
        window->close();
        EXPECT_FALSE(window->isVisible());
        EXPECT_FALSE(model().execution().anyRunning());
        // The bridge is not left streaming.
        EXPECT_TRUE(waitFor([&] { return !firmware().streaming(); }));
        QStringList saved;
        ASSERT_TRUE(ScriptFile::read(paths().autosave.readPath, saved));
        EXPECT_EQ(saved, script);
        window.reset();
        QFile::remove(paths().autosave.readPath);
        sim.remove(*sim.devices().first());
    }
}

TEST_F(MainWindowTest, TheBottomPanelTellsScreenReadersItsCaptionsAndHints)
{
    createWindow();
    BottomPanel& p = bottom();
    struct Case
    {
        QWidget* widget;
        QString name;
        QString description;
    };
    const std::vector<Case> cases = {
        {p.resetButton(), QStringLiteral("Reset"),
         QStringLiteral("Break current operation. Initialize USB-I2C bridge")},
        {p.listButton(), QStringLiteral("List"),
         QStringLiteral("Find devices,which connected to current bridge ")},
        {p.sendButton(), QStringLiteral("Send"), QStringLiteral("Send commands once")},
        {p.stopButton(), QStringLiteral("Stop"),
         QStringLiteral("Stop \"Repeat\" or \"BURST\" mode.End of data collecting")},
        {p.repeatButton(), QStringLiteral("Repeat"),
         QStringLiteral("Continuously perform commands. Use for data collecting")},
        {p.toFileButton(), QStringLiteral("To file"),
         QStringLiteral("start to collect data in \"BURST\" mode and save this data to the file")},
        {p.sendAll(), QStringLiteral("Send all strings:      "),
         QStringLiteral("Send all commands , which present into Commands Window, when \"Send\" "
                        "button pressed")},
        {p.repeatCount(), QStringLiteral("Repeat count:"),
         QStringLiteral("Quantity of Repeat transactions. 0- continuously")},
        {p.scanPeriod(), QStringLiteral("Scan period, ms:"),
         QStringLiteral("Pause between commands packet ,when \"Repeat\" mode activated")},
        {p.bridgeList(), QStringLiteral("Connected I2C-USB bridges:"),
         QStringLiteral("Detected USB-I2C bridges  . Choose appropriate bridge here.")},
        {p.powerGroup(), QStringLiteral("Power"), QString()},
        {p.externalPower(), QStringLiteral("External"), QString()},
        {p.power5V(), QStringLiteral("+5V"), QString()},
        {p.power3V3(), QStringLiteral("+3.3V"), QString()},
    };
    for (const Case& c : cases) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c.widget);
        ASSERT_TRUE(a) << c.name.toStdString();
        EXPECT_EQ(a->text(QAccessible::Name), c.name);
        EXPECT_EQ(a->text(QAccessible::Description), c.description) << c.name.toStdString();
    }
    EXPECT_EQ(p.repeatCount()->maximum(), 10'000'000);
    EXPECT_EQ(p.repeatCount()->singleStep(), 10);
    EXPECT_EQ(p.scanPeriod()->maximum(), 32'000);
    EXPECT_EQ(p.repeatCount()->value(), 0);
    EXPECT_FALSE(p.sendAll()->isChecked());

    // The painted panels read out their text.
    for (int panel : {3, 4}) {
        QAccessibleInterface* a =
            QAccessible::queryAccessibleInterface(window->panels().panel(panel));
        ASSERT_TRUE(a);
        EXPECT_EQ(a->text(QAccessible::Name), model().panel(panel));
    }
}

} // namespace
