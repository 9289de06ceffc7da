#include "data/StartupSettings.h"
#include "data/VariableDefinitions.h"
#include "script/BurstCapture.h"
#include "support/ModelFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <sys/resource.h>

#include <csignal>

namespace {

// A full disk, as the process sees it: files may not grow past this many bytes (writes past it
// fail with EFBIG), for as long as the object lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }
    bool set() const { return m_set; }

private:
    rlimit m_old{};
    bool m_set = false;
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class FileFaultTest : public ModelFixture
{
};

TEST_F(FileFaultTest, ACaptureThatHitsAFullDiskIsReportedAndKeepsItsWholeRecords)
{
    startWithOneFastBridge();
    firmware().setBurstCounter(true);
    const QString path = dir.filePath(QStringLiteral("capture.dat"));
    model->burst().setFilePath(path);
    editor.setLines({QStringLiteral("R 49 X X X")});
    // The program itself turns the signal of a file past the limit into a failed write.
    EXPECT_EQ(std::signal(SIGXFSZ, SIG_IGN), SIG_IGN);
    {
        // Room for 2500 records of 4 bytes: 166 reports of 15 records and part of one more.
        FileSizeLimit limit(10000);
        ASSERT_TRUE(limit.set());
        model->AcSendSpeedExecute();
        ASSERT_TRUE(model->execution().BurstRunning);
        ASSERT_TRUE(waitFor([&] { return model->burst().recordsReceived() >= 15 * 400; }));
        model->AcStopExecute();
    }
    EXPECT_FALSE(model->execution().BurstRunning);
    EXPECT_TRUE(model->actions().ToFile);
    const QStringList lines = status.lines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(
        lines.last().startsWith(QStringLiteral(" Error - ")) &&
        lines.last().endsWith(QStringLiteral(" burst reports could not be written to ") + path))
        << lines.last().toStdString();
    EXPECT_GT(model->burst().unwrittenReports(), 0);

    // What fitted is read back as whole records, in order, none missing.
    const QByteArray file = contents(path);
    EXPECT_LE(file.size(), 10000);
    EXPECT_EQ(model->burst().records(), file.size() / 4);
    EXPECT_GE(model->burst().records(), 2400);
    for (qint64 r = 0; r < model->burst().records(); ++r) {
        const auto* record = reinterpret_cast<const quint8*>(file.constData()) + r * 4;
        ASSERT_EQ(record[1] | record[2] << 8 | record[3] << 16, r) << "record " << r;
    }
    EXPECT_EQ(model->burst().fileTab().lineCount(), model->burst().records());
}

TEST_F(FileFaultTest, SettingsAutosaveAndScriptOnAFullDiskKeepTheOldFileAndSaySo)
{
    createModel();
    const QString settings = paths().settings.writePath;
    const QString autosave = paths().autosave.writePath;
    const QString script = dir.filePath(QStringLiteral("mine.iic"));
    const QByteArray oldSettings("[Data Settings]\r\nVar1.Name=OLD\r\n");
    const QByteArray oldScript("R 48 X X\r\n");
    writeFile(settings, oldSettings);
    writeFile(autosave, oldScript);
    writeFile(script, oldScript);
    QStringList lines;
    for (int i = 0; i < 50; ++i)
        lines << QStringLiteral("S A0 00 11 22 33 ; a line longer than the room left");
    editor.setLines(lines);
    VariableDefinitions definitions;
    definitions.declare(0, QStringLiteral("NEW"), 1);
    ui.boxes.clear();
    {
        FileSizeLimit limit(64);
        ASSERT_TRUE(limit.set());
        EXPECT_FALSE(StartupSettings(ui, paths().settings).write(definitions));
        EXPECT_TRUE(model->FormCloseQuery());
        EXPECT_FALSE(model->saveScript(script));
    }
    EXPECT_EQ(contents(settings), oldSettings);
    EXPECT_EQ(contents(autosave), oldScript);
    EXPECT_EQ(contents(script), oldScript);
    ASSERT_EQ(ui.boxes.size(), 3);
    EXPECT_EQ(ui.boxes[0].text,
              QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(settings));
    EXPECT_TRUE(ui.boxes[1].text.startsWith(QStringLiteral("Cannot save ") + autosave))
        << ui.boxes[1].text.toStdString();
    EXPECT_EQ(ui.boxes[2].caption, QStringLiteral("Error"));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{QStringLiteral("mine.iic"), QStringLiteral("taviro.cmd"),
                           QStringLiteral("taviro.ini")}));
}

TEST(FileFaults, AProgramKilledWhileItSavesLeavesTheOldOrTheNewFile)
{
    QTemporaryDir dir;
    for (const char* kind : {"script", "settings"}) {
        SCOPED_TRACE(kind);
        const QString path = dir.filePath(QString::fromLatin1(kind));
        for (int round = 0; round < 12; ++round) {
            QProcess saver;
            saver.start(QStringLiteral(TAVIRO_SAVE_LOOP_PATH), {QString::fromLatin1(kind), path});
            ASSERT_TRUE(saver.waitForStarted());
            // Killed right as save number (round % 4) + 1 begins.
            const QByteArray target = QByteArray("saving ") + QByteArray::number(round % 4 + 1);
            QByteArray out;
            while (!out.contains(target) && saver.waitForReadyRead(10000))
                out += saver.readAllStandardOutput();
            ASSERT_TRUE(out.contains(target)) << out.toStdString();
            saver.kill();
            ASSERT_TRUE(saver.waitForFinished());
            const QByteArray saved = contents(path);
            EXPECT_TRUE(saved == contents(path + QStringLiteral(".a")) ||
                        saved == contents(path + QStringLiteral(".b")))
                << "round " << round << ": a file of " << saved.size() << " bytes";
        }
    }
}

} // namespace
