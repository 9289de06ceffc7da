#include "gui/HelpBrowser.h"

#include <QHelpEngineCore>

HelpBrowser::HelpBrowser(QHelpEngineCore& engine, QWidget* parent)
    : QTextBrowser(parent), m_engine(engine)
{
    setOpenExternalLinks(true);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (name.scheme() != u"qthelp")
        return QTextBrowser::loadResource(type, name);
    const QByteArray data = m_engine.fileData(name);
    if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
        return QString::fromUtf8(data);
    return data;
}
