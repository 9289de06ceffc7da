#pragma once

#include "base/UiPort.h"

#include <QPointer>

class QWidget;

// The UI port with real dialogs: message boxes with the given text, caption, icon and buttons,
// the file dialog with its filters, default suffix, title and overwrite prompt, and the beep.
class GuiUiPort : public UiPort
{
public:
    explicit GuiUiPort(QWidget* parent = nullptr) : m_parent(parent) {}

    // Dialogs are centred on and modal to this window.
    void setParentWidget(QWidget* parent) { m_parent = parent; }

    Button messageBox(const QString& text, const QString& caption, Icon icon,
                      Buttons buttons) override;
    QString chooseFile(const FileRequest& request) override;
    void beep() override;

    // "IIC files|*.iic" pairs as the file dialog's name filters ("IIC files (*.iic)").
    static QStringList nameFilters(const QStringList& filters);

private:
    QPointer<QWidget> m_parent;
};
