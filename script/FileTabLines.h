#pragma once

#include <QObject>
#include <QStringList>

// The File tab's read-only text: one line per record of the last burst read-back. Views follow
// it through its signals; it is hidden while a burst runs. GUI thread only.
class FileTabLines : public QObject
{
    Q_OBJECT

public:
    const QStringList& lines() const { return m_lines; }
    void append(QStringList lines);
    void clear();

    bool isShown() const { return m_shown; }
    void setShown(bool shown);

Q_SIGNALS:
    // Lines first .. first + count - 1 were added at the end.
    void appended(qsizetype first, qsizetype count);
    void cleared();
    void shownChanged();

private:
    QStringList m_lines;
    bool m_shown = true;
};
