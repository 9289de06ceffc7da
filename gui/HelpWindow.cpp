#include "gui/HelpWindow.h"

#include "gui/HelpBrowser.h"

#include <QAction>
#include <QHelpContentItem>
#include <QHelpContentModel>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr QSize InitialSize(900, 640);
constexpr int NavigationWidth = 290;

} // namespace

HelpWindow::HelpWindow(QHelpEngine& engine, QUrl contentsPage, QWidget* parent)
    : QMainWindow(parent), m_engine(engine), m_contentsPage(std::move(contentsPage)),
      m_browser(new HelpBrowser(engine)), m_tabs(new QTabWidget)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("Taviro Help"));
    // The program ends with its main window, also while the help is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    QHelpContentWidget* contents = m_engine.contentWidget();
    contents->setHeaderHidden(true);
    m_tabs->addTab(contents, tr("Contents"));
    m_tabs->addTab(createIndexPage(), tr("Index"));
    m_tabs->addTab(createSearchPage(), tr("Search"));
    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showPage);
    // A single click opens a topic too, whatever the style says about activation.
    connect(contents, &QHelpContentWidget::clicked, this, [this](const QModelIndex& index) {
        if (QHelpContentItem* item = m_engine.contentModel()->contentItemAt(index))
            showPage(item->url());
    });

    auto* splitter = new QSplitter;
    splitter->addWidget(m_tabs);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({NavigationWidth, InitialSize.width() - NavigationWidth});
    setCentralWidget(splitter);

    QToolBar* tools = addToolBar(tr("Navigation"));
    tools->setMovable(false);
    QAction* back = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"),
                                     m_browser, &QTextBrowser::backward);
    QAction* forward = tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward),
                                        tr("Forward"), m_browser, &QTextBrowser::forward);
    tools->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("Contents"), this,
                     &HelpWindow::showContents);
    back->setShortcut(QKeySequence::Back);
    forward->setShortcut(QKeySequence::Forward);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::followContents);

    resize(InitialSize);
}

QWidget* HelpWindow::createIndexPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(tr("&Look for:"));
    auto* lookFor = new QLineEdit;
    label->setBuddy(lookFor);
    QHelpIndexWidget* index = m_engine.indexWidget();
    layout->addWidget(label);
    layout->addWidget(lookFor);
    layout->addWidget(index);
    connect(lookFor, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(lookFor, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link) { showPage(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this, &HelpWindow::showIndexLinks);
    return page;
}

QWidget* HelpWindow::createSearchPage()
{
    QHelpSearchEngine* search = m_engine.searchEngine();
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QHelpSearchQueryWidget* query = search->queryWidget();
    QHelpSearchResultWidget* results = search->resultWidget();
    layout->addWidget(query);
    layout->addWidget(results, 1);
    connect(query, &QHelpSearchQueryWidget::search, search,
            [search, query] { search->search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::showPage);
    // The index is built in the background the first time; later it is only checked.
    search->scheduleIndexDocumentation();
    return page;
}

void HelpWindow::showIndexLinks(const QList<QHelpLink>& links)
{
    // A keyword of several pages: the first one; the others are a search away.
    if (!links.isEmpty())
        showPage(links.first().url);
}

void HelpWindow::showPage(const QUrl& page)
{
    if (page != m_browser->source())
        m_browser->setSource(page);
    show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    raise();
    activateWindow();
}

void HelpWindow::showContents()
{
    m_tabs->setCurrentIndex(0);
    showPage(m_contentsPage);
}

QUrl HelpWindow::currentPage() const
{
    return m_browser->source();
}

void HelpWindow::followContents(const QUrl& page)
{
    QHelpContentWidget* contents = m_engine.contentWidget();
    const QModelIndex item = contents->indexOf(page);
    if (item.isValid())
        contents->setCurrentIndex(item);
}
