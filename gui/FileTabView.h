#pragma once

#include <QWidget>

#include <memory>

class BurstCapture;
class LineSource;
class LineView;
class QLabel;
class QMenu;
class QPushButton;

// The "File" tab: the records of the last burst read-back as hexadecimal lines in a read-only
// fixed-pitch view that renders only the lines on screen (a million records list at once),
// the "File name :" button with the capture file's name beside it, and "Clear". The view's
// context menu holds Clear Window and Select All. Hidden while a burst runs.
class FileTabView : public QWidget
{
    Q_OBJECT

public:
    explicit FileTabView(BurstCapture& burst, QWidget* parent = nullptr);
    ~FileTabView() override;

    LineView* view() const { return m_view; }
    QLabel* fileLabel() const { return m_label; }
    QPushButton* fileNameButton() const { return m_fileName; }
    QPushButton* clearButton() const { return m_clear; }
    // The view's context menu: "Clear Window", a separator, "Select All".
    QMenu* contextMenu() const { return m_menu; }

private:
    BurstCapture& m_burst;
    std::unique_ptr<LineSource> m_source;
    LineView* m_view = nullptr;
    QLabel* m_label = nullptr;
    QPushButton* m_fileName = nullptr;
    QPushButton* m_clear = nullptr;
    QMenu* m_menu = nullptr;
};
