#include "base/Clock.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/DataSettingsModel.h"
#include "data/VarColors.h"
#include "data/VariableDefinitions.h"
#include "gui/GuiUiPort.h"
#include "gui/TfmDataSettings.h"
#include "support/RecordingUiPort.h"
#include "support/WaitFor.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>

namespace {

using M = DataSettingsModel;

class FakeClock : public Clock
{
public:
    quint32 nowMs() const override { return 0; }
};

class DataSettingsDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString ini = dir.filePath(QStringLiteral("taviro.ini"));
        model = std::make_unique<M>(chart, capture, ui, ProgramFiles::Location{ini, ini},
                                    QLocale(QLocale::German, QLocale::Germany));
        dialog = std::make_unique<TfmDataSettings>(*model);
        grid = child<QTableView>("grid");
    }

    template <typename W> W* child(const char* name) const
    {
        W* w = dialog->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    // Opens the cell's editor as a double click would.
    QWidget* edit(int row, int column)
    {
        const QModelIndex at = model->index(row, column);
        grid->setCurrentIndex(at);
        grid->edit(at);
        return grid->indexWidget(at);
    }
    bool editorCloses(int row, int column)
    {
        return waitFor([&] { return grid->indexWidget(model->index(row, column)) == nullptr; });
    }
    QString cell(int row, int column) const { return model->index(row, column).data().toString(); }
    void leave(QWidget* w)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w, &out);
    }

    QTemporaryDir dir;
    VariableDefinitions defs;
    ChartModel chart{defs};
    FakeClock clock;
    CaptureState capture{defs, chart, clock};
    RecordingUiPort ui;
    std::unique_ptr<M> model;
    std::unique_ptr<TfmDataSettings> dialog;
    QTableView* grid = nullptr;
};

} // namespace

TEST_F(DataSettingsDialogTest, ScaleCellEditedThroughTheDelegateRunsTheNumberRule)
{
    defs.DataVars[1].Scale = std::numeric_limits<float>::infinity();
    dialog->show();

    auto* editor = qobject_cast<QLineEdit*>(edit(0, M::ColScale));
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("2.5"));
    // Enter ends the cell's edit; it does not press OK.
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(editorCloses(0, M::ColScale));
    EXPECT_EQ(cell(0, M::ColScale), QStringLiteral("2,5"));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(defs.DataVars[0].Scale, 1.0f);

    // Not a number: the box, and the cell back at the value its edit began with.
    editor = qobject_cast<QLineEdit*>(edit(0, M::ColOffset));
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("abc"));
    grid->setCurrentIndex(model->index(5, M::ColName)); // moving on commits the edit
    EXPECT_EQ(cell(0, M::ColOffset), QStringLiteral("0"));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, QStringLiteral("Wrong value!"));

    // A cell that holds no number beeps when its editor opens.
    EXPECT_EQ(ui.beeps, 0);
    ASSERT_NE(edit(1, M::ColScale), nullptr);
    EXPECT_EQ(ui.beeps, 1);
}

TEST_F(DataSettingsDialogTest, DropDownsOfferOnlyTheirLists)
{
    dialog->show();
    auto* type = qobject_cast<QComboBox*>(edit(2, M::ColType));
    ASSERT_NE(type, nullptr);
    EXPECT_FALSE(type->isEditable());
    QStringList items;
    for (int i = 0; i < type->count(); ++i)
        items << type->itemText(i);
    EXPECT_EQ(items, (QStringList{"byte", "int", "long int", "float"}));
    EXPECT_EQ(type->currentText(), QStringLiteral("byte"));
    // Choosing an entry ends the edit.
    type->setCurrentIndex(3);
    Q_EMIT type->activated(3);
    EXPECT_TRUE(editorCloses(2, M::ColType));
    EXPECT_EQ(cell(2, M::ColType), QStringLiteral("float"));

    auto* color = qobject_cast<QComboBox*>(edit(2, M::ColColor));
    ASSERT_NE(color, nullptr);
    EXPECT_FALSE(color->isEditable());
    ASSERT_EQ(color->count(), 18);
    for (int i = 0; i < color->count(); ++i) {
        EXPECT_EQ(color->itemText(i), QString::fromLatin1(VarColors[size_t(i)].name));
        // Each entry with a swatch of its own colour.
        const QImage swatch = color->itemIcon(i).pixmap(QSize(16, 12)).toImage();
        EXPECT_EQ(swatch.pixelColor(8, 6).rgb() & 0xFFFFFF, VarColors[size_t(i)].rgb) << i;
    }
    color->setCurrentIndex(17);
    Q_EMIT color->activated(17);
    EXPECT_TRUE(editorCloses(2, M::ColColor));
    EXPECT_EQ(cell(2, M::ColColor), QStringLiteral("Seagreen"));

    // Nothing else gets into the cells, whatever the editor holds.
    type = qobject_cast<QComboBox*>(edit(2, M::ColType));
    ASSERT_NE(type, nullptr);
    type->setCurrentIndex(-1);
    grid->setCurrentIndex(model->index(0, M::ColName));
    EXPECT_EQ(cell(2, M::ColType), QStringLiteral("float"));
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(DataSettingsDialogTest, SpinBoxesClamp)
{
    defs.Decimation = 0;
    defs.Scroll = 40000;
    dialog->show();
    auto* decimation = child<QSpinBox>("decimation");
    auto* scroll = child<QSpinBox>("scroll");
    EXPECT_EQ(decimation->value(), 1);
    EXPECT_EQ(scroll->value(), 32000);
    EXPECT_EQ(decimation->minimum(), 1);
    EXPECT_EQ(decimation->maximum(), 32000);
    EXPECT_EQ(scroll->minimum(), 0);
    EXPECT_EQ(scroll->maximum(), 32000);

    // A value below the limit becomes the limit when the box is left.
    decimation->selectAll();
    QTest::keyClicks(decimation, QStringLiteral("0"));
    leave(decimation);
    EXPECT_EQ(decimation->value(), 1);
    // Text that is no number is the minimum.
    scroll->selectAll();
    QTest::keyClick(scroll, Qt::Key_Backspace);
    leave(scroll);
    EXPECT_EQ(scroll->value(), 0);
    EXPECT_EQ(model->scroll(), 0);
    // Typing in range reaches the model.
    decimation->selectAll();
    QTest::keyClicks(decimation, QStringLiteral("25"));
    leave(decimation);
    EXPECT_EQ(model->decimation(), 25);
}

TEST_F(DataSettingsDialogTest, OkAppliesWhatIsStillBeingEditedAndCancelNothing)
{
    dialog->show();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(model->index(3, M::ColActive)).topLeft() + QPoint(3, 3));
    EXPECT_TRUE(model->row(3).active); // a click anywhere in the cell ticks it
    auto* name = qobject_cast<QLineEdit*>(edit(3, M::ColName));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("T 1.a"));
    child<QRadioButton>("axisTime")->click();
    child<QPushButton>("ok")->click();

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(ui.boxes.size(), 2);
    EXPECT_EQ(defs.Names[3], QStringLiteral("T1a"));
    EXPECT_TRUE(defs.DataVars[3].Active);
    EXPECT_TRUE(defs.AxisX);
    EXPECT_EQ(chart.seriesOnChart(), QList<int>{3});

    // Shown again, it starts from the applied settings; Cancel leaves them.
    dialog->show();
    EXPECT_TRUE(child<QRadioButton>("axisTime")->isChecked());
    EXPECT_EQ(cell(3, M::ColName), QStringLiteral("T1a"));
    auto* other = qobject_cast<QLineEdit*>(edit(3, M::ColName));
    ASSERT_NE(other, nullptr);
    other->setText(QStringLiteral("LOST"));
    child<QRadioButton>("axisCount")->click();
    child<QPushButton>("cancel")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(defs.Names[3], QStringLiteral("T1a"));
    EXPECT_TRUE(defs.AxisX);
    dialog->show();
    EXPECT_EQ(grid->indexWidget(model->index(3, M::ColName)), nullptr); // closed, not applied
    EXPECT_EQ(cell(3, M::ColName), QStringLiteral("T1a"));
    EXPECT_TRUE(child<QRadioButton>("axisTime")->isChecked());
}

TEST_F(DataSettingsDialogTest, ControlsAreNamedAndHinted)
{
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Variables Settings"));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    // All sixteen rows and eight columns in view.
    EXPECT_LE(grid->horizontalHeader()->length(), grid->viewport()->width());
    EXPECT_LE(grid->verticalHeader()->length(), grid->viewport()->height());

    auto describe = [](QObject* o) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
        return a ? std::pair{a->text(QAccessible::Name), a->text(QAccessible::Description)}
                 : std::pair<QString, QString>{};
    };
    using P = std::pair<QString, QString>;
    EXPECT_EQ(describe(grid), P("Variables", "Enter variables parameters here"));
    EXPECT_EQ(describe(child<QSpinBox>("decimation")),
              P("Print packet every", "For Example, if value set to 10 it mean what 9 packets "
                                      "will be skipped and only one was added to archive"));
    EXPECT_EQ(describe(child<QSpinBox>("scroll")),
              P("Scroll", "Set how much packets will be show in Chart window. Zero means all "
                          "packets"));
    EXPECT_EQ(describe(child<QRadioButton>("axisCount")),
              P("AxisX is a count", "Axis X shows packets count"));
    EXPECT_EQ(describe(child<QRadioButton>("axisTime")),
              P("AxisX is a time", "Axis X shows packets time in miliseconds"));
    EXPECT_EQ(describe(child<QPushButton>("load")), P("Load...", "Load settings from file"));
    EXPECT_EQ(describe(child<QPushButton>("save")), P("Save...", "Save current settings to file"));
    EXPECT_EQ(describe(child<QPushButton>("ok")).first, QStringLiteral("OK"));
    EXPECT_EQ(describe(child<QPushButton>("cancel")).first, QStringLiteral("Cancel"));

    // The grid's cells and headers.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(table, nullptr);
    QAccessibleTableInterface* cells = table->tableInterface();
    ASSERT_NE(cells, nullptr);
    EXPECT_EQ(cells->rowCount(), 16);
    EXPECT_EQ(cells->columnCount(), 8);
    QAccessibleInterface* active = cells->cellAt(2, M::ColActive);
    ASSERT_NE(active, nullptr);
    EXPECT_EQ(active->text(QAccessible::Name), QStringLiteral("Active"));
    EXPECT_TRUE(active->state().checkable);
    EXPECT_EQ(active->text(QAccessible::Description),
              QStringLiteral("Enter variables parameters here"));
    QAccessibleInterface* color = cells->cellAt(2, M::ColColor);
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->text(QAccessible::Name), QStringLiteral("Lime"));
    const QList<QAccessibleInterface*> headers = color->tableCellInterface()->columnHeaderCells();
    // Qt 6.4 makes header cells without registering them, which leaves them to the caller;
    // registered, Qt's cache frees them with the rest.
    for (QAccessibleInterface* header : headers)
        QAccessible::uniqueId(header);
    ASSERT_EQ(headers.size(), 1);
    EXPECT_EQ(headers[0]->text(QAccessible::Name), QStringLiteral("Color"));
}

TEST_F(DataSettingsDialogTest, Screenshot)
{
    defs.DataVars[0] = {true, 1, true, 0.0625f, -40.0f};
    defs.Names[0] = QStringLiteral("TEMP");
    defs.DataVars[1] = {true, 1, false, 1.0f, 0.0f};
    defs.Names[1] = QStringLiteral("SINE");
    for (int i = 2; i < 16; ++i)
        defs.Names[size_t(i)] = QStringLiteral("Var%1").arg(i + 1);
    defs.Decimation = 1;
    defs.Scroll = 1000;
    dialog->show();
    const QImage shot = dialog->grab().toImage();
    EXPECT_EQ(shot.size(), dialog->size() * shot.devicePixelRatio());
    // The swatch of row 3's "Lime" is drawn in its cell.
    const QRect lime = grid->visualRect(model->index(2, M::ColColor));
    const QPoint inGrid = grid->viewport()->mapTo(dialog.get(), lime.topLeft());
    bool found = false;
    for (int x = inGrid.x(); x < inGrid.x() + lime.width() && !found; ++x)
        found = shot.pixelColor(x, inGrid.y() + lime.height() / 2) == QColor(0x00FF00);
    EXPECT_TRUE(found);
    // TAVIRO_SCREENSHOTS=docs keeps it for the README.
    const QString folder = qEnvironmentVariable("TAVIRO_SCREENSHOTS");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(shot.save(QDir(folder).filePath(QStringLiteral("variables-settings.png"))));
    }
}

TEST_F(DataSettingsDialogTest, RealMessageBoxesDuringACommitComeOncePerCharacter)
{
    // The boxes open while the view commits the editor, and take the focus from it.
    GuiUiPort real;
    const QString ini = dir.filePath(QStringLiteral("taviro.ini"));
    M withBoxes(chart, capture, real, ProgramFiles::Location{ini, ini}, QLocale::c());
    TfmDataSettings shown(withBoxes);
    real.setParentWidget(&shown);
    shown.show();
    shown.activateWindow();
    ASSERT_TRUE(waitFor([&] { return shown.isActiveWindow(); }));

    int boxes = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            EXPECT_EQ(box->text(), QStringLiteral("Wrong value!"));
            ++boxes;
            box->accept();
        }
    });
    closer.start(5);

    auto* view = shown.findChild<QTableView*>(QStringLiteral("grid"));
    const QModelIndex name = withBoxes.index(0, M::ColName);
    view->setCurrentIndex(name);
    view->edit(name);
    auto* editor = qobject_cast<QLineEdit*>(view->indexWidget(name));
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    editor->setText(QStringLiteral("T 1.a"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(waitFor([&] { return view->indexWidget(name) == nullptr; }));
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(withBoxes.row(0).name, QStringLiteral("T1a"));
    EXPECT_TRUE(shown.isVisible());
}
