#include "support/RecordingUiPort.h"

UiPort::Button RecordingUiPort::messageBox(const QString& text, const QString& caption, Icon icon,
                                           Buttons buttons)
{
    boxes.append({text, caption, icon, buttons});
    return buttonReplies.isEmpty() ? Button::Ok : buttonReplies.takeFirst();
}

QString RecordingUiPort::chooseFile(const FileRequest& request)
{
    fileRequests.append(request);
    return fileReplies.isEmpty() ? QString() : fileReplies.takeFirst();
}

void RecordingUiPort::beep()
{
    ++beeps;
}
