#include "gui/FileTabView.h"

#include "gui/LineSource.h"
#include "gui/LineView.h"
#include "script/BurstCapture.h"
#include "script/FileTabLines.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The File tab's lines as the line view asks for them, rendered from the record bytes.
class FileTabSource : public LineSource
{
public:
    explicit FileTabSource(const FileTabLines& lines) : m_lines(lines) {}
    qsizetype lineCount() const override { return m_lines.lineCount(); }
    QString line(qsizetype index) const override { return m_lines.line(index); }
    qsizetype longestLine() const override { return m_lines.longestLine(); }

private:
    const FileTabLines& m_lines;
};

} // namespace

FileTabView::FileTabView(BurstCapture& burst, QWidget* parent)
    : QWidget(parent), m_burst(burst), m_source(std::make_unique<FileTabSource>(burst.fileTab()))
{
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    m_fileName = new QPushButton(QStringLiteral("File name :"), this);
    m_fileName->setToolTip(QStringLiteral("File name ,where the \"BURST\" data should be written"));
    m_fileName->setAccessibleDescription(m_fileName->toolTip());
    m_label = new QLabel(burst.fileLabel(), this);
    m_label->setAccessibleName(QStringLiteral("Burst file name"));
    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    row->addWidget(m_fileName);
    row->addWidget(m_label, 1);
    row->addWidget(m_clear);
    layout->addLayout(row);

    m_view = new LineView(this);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(true);
    m_view->setFont(font);
    m_view->setSource(m_source.get());
    m_view->setAccessibleName(QStringLiteral("Burst data"));
    m_view->setProperty("helpKeyword", QStringLiteral("1104"));
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_view, 1);

    m_menu = new QMenu(this);
    m_menu->addAction(QStringLiteral("Clear Window"), this, [this] { m_burst.Button2Click(); });
    m_menu->addSeparator();
    m_menu->addAction(QStringLiteral("Select All"), m_view, &LineView::selectAll);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_menu->popup(m_view->mapToGlobal(at)); });

    connect(m_fileName, &QPushButton::clicked, this, [this] { m_burst.Button1Click(); });
    connect(m_clear, &QPushButton::clicked, this, [this] { m_burst.Button2Click(); });
    connect(&burst, &BurstCapture::fileLabelChanged, this,
            [this] { m_label->setText(m_burst.fileLabel()); });
    FileTabLines& lines = burst.fileTab();
    connect(&lines, &FileTabLines::appended, m_view, &LineView::sourceChanged);
    connect(&lines, &FileTabLines::cleared, m_view, &LineView::sourceChanged);
    connect(&lines, &FileTabLines::shownChanged, this,
            [this] { m_view->setVisible(m_burst.fileTab().isShown()); });
    m_view->setVisible(lines.isShown());
}

FileTabView::~FileTabView() = default;
