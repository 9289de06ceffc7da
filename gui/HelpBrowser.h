#pragma once

#include <QTextBrowser>

class QHelpEngineCore;

// Shows help pages: pages, style sheets and pictures of the help collection (qthelp: links)
// come from the help engine; links to the web open in the desktop's browser.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit HelpBrowser(QHelpEngineCore& engine, QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    QHelpEngineCore& m_engine;
};
