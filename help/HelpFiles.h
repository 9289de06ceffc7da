#pragma once

#include <QString>
#include <QUrl>

// Where the help collection lies: beside the executable in the build tree, or in the data
// folder of an installed program (<prefix>/share/taviro/help for <prefix>/bin/taviro). An
// installed collection is shared by every user in a folder they cannot write to, while the
// help engine keeps its search index beside the collection it opens; so it is opened through
// a copy in the user's cache folder.
class HelpFiles
{
public:
    // The collection, and the compressed help it registers.
    static QString collectionFileName() { return QStringLiteral("bridge.qhc"); }
    static QString documentationFileName() { return QStringLiteral("bridge.qch"); }
    // The namespace of the compressed help, and its contents page.
    static QString helpNamespace() { return QStringLiteral("org.taviro.help"); }
    static QUrl contentsPage()
    {
        return QUrl(QStringLiteral("qthelp://org.taviro.help/doc/pages/index.html"));
    }

    struct Location
    {
        QString collection; // the collection to open; it may not exist
        bool installed = false;
    };
    // The collection beside the executable if there is one, else the installed one if there
    // is one; with neither, the one beside the executable (which then fails to load).
    static Location locate(const QString& executableFolder);

    // The installed layout's help folder, relative to the executable's folder.
    static QString installedFolderFromExecutable();

    // Where the per-user copy of an installed collection goes (~/.cache/taviro/help).
    static QString userCopyFolder();
};
