#pragma once

#include <QMainWindow>
#include <QUrl>

class HelpBrowser;
class QHelpEngine;
class QHelpLink;
class QTabWidget;

// The help window: the contents, the index and full-text search on the left, the page on the
// right, with Back, Forward and Contents. It works on a loaded help engine, which outlives it.
class HelpWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit HelpWindow(QHelpEngine& engine, QUrl contentsPage, QWidget* parent = nullptr);

    // Shows the page in the window, brought to the front; the contents follow it.
    void showPage(const QUrl& page);
    // Shows the contents page, with the contents list on the left.
    void showContents();

    QUrl currentPage() const;
    HelpBrowser* browser() const { return m_browser; }
    QTabWidget* navigation() const { return m_tabs; }

private:
    QWidget* createIndexPage();
    QWidget* createSearchPage();
    void showIndexLinks(const QList<QHelpLink>& links);
    void followContents(const QUrl& page);

    QHelpEngine& m_engine;
    QUrl m_contentsPage;
    HelpBrowser* m_browser;
    QTabWidget* m_tabs;
};
