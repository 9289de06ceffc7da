#pragma once

#include "base/UiPort.h"

#include <QList>

// A UI port that records every call and answers from a queue of prepared replies.
class RecordingUiPort : public UiPort
{
public:
    struct Box
    {
        QString text;
        QString caption;
        Icon icon;
        Buttons buttons;
    };

    Button messageBox(const QString& text, const QString& caption, Icon icon,
                      Buttons buttons) override;
    QString chooseFile(const FileRequest& request) override;
    void beep() override;

    QList<Box> boxes;
    QList<FileRequest> fileRequests;
    int beeps = 0;

    // Replies used in order; when empty, a box answers Ok and a file request is cancelled.
    QList<Button> buttonReplies;
    QList<QString> fileReplies;
};
