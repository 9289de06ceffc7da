#include "gui/GuiUiPort.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QMessageBox::Icon boxIcon(UiPort::Icon icon)
{
    switch (icon) {
    case UiPort::Icon::Information:
        return QMessageBox::Information;
    case UiPort::Icon::Warning:
        return QMessageBox::Warning;
    case UiPort::Icon::Error:
        return QMessageBox::Critical;
    case UiPort::Icon::Question:
        return QMessageBox::Question;
    case UiPort::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

UiPort::Button GuiUiPort::messageBox(const QString& text, const QString& caption, Icon icon,
                                     Buttons buttons)
{
    QMessageBox box(boxIcon(icon), caption, text, QMessageBox::NoButton, m_parent);
    const std::pair<Button, QMessageBox::StandardButton> map[] = {
        {Button::Ok, QMessageBox::Ok},
        {Button::Cancel, QMessageBox::Cancel},
        {Button::Yes, QMessageBox::Yes},
        {Button::No, QMessageBox::No},
    };
    for (const auto& [ours, theirs] : map)
        if (buttons & int(ours))
            box.addButton(theirs);
    if (box.buttons().isEmpty())
        box.addButton(QMessageBox::Ok);
    box.exec();
    const QMessageBox::StandardButton chosen = box.standardButton(box.clickedButton());
    for (const auto& [ours, theirs] : map)
        if (chosen == theirs)
            return ours;
    return Button::None;
}

QStringList GuiUiPort::nameFilters(const QStringList& filters)
{
    QStringList result;
    for (const QString& filter : filters) {
        const qsizetype bar = filter.indexOf(QLatin1Char('|'));
        if (bar < 0) {
            result.append(filter);
            continue;
        }
        const QString label = filter.left(bar);
        QString patterns = filter.mid(bar + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result.append(QStringLiteral("%1 (%2)").arg(label, patterns));
    }
    return result;
}

QString GuiUiPort::chooseFile(const FileRequest& request)
{
    QFileDialog dialog(m_parent, request.title);
    const bool save = request.mode == FileMode::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    const QStringList filters = nameFilters(request.filters);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.first());
    }
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);

    const QFileInfo initial(request.initialName);
    QString folder = request.initialFolder;
    if (folder.isEmpty() && !request.initialName.isEmpty() && initial.isAbsolute())
        folder = initial.absolutePath();
    if (folder.isEmpty())
        folder = QDir::currentPath();
    dialog.setDirectory(folder);
    if (!request.initialName.isEmpty())
        dialog.selectFile(initial.fileName());

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    // Relative names in the program's files (the capture file) are resolved against the
    // folder last chosen, as the file dialogs of the platform leave it.
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
    return chosen;
}

void GuiUiPort::beep()
{
    QApplication::beep();
}
