#pragma once

#include "base/UiPort.h"

// Answers every box with OK and every file question with none, at once and without a trace:
// for programs that drive the model without a user (benchmarks, fuzz targets, helper
// processes). Tests that look at the boxes use RecordingUiPort.
class SilentUiPort : public UiPort
{
public:
    Button messageBox(const QString&, const QString&, Icon, Buttons) override { return Button::Ok; }
    QString chooseFile(const FileRequest&) override { return {}; }
    void beep() override {}
};
