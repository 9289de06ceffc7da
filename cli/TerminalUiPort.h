#pragma once

#include "base/UiPort.h"

// The UI port of taviro-cli. Message boxes are printed on stderr as "caption: text". A box
// that offers a choice is answered on the terminal when standard input is one; otherwise it
// is answered Cancel (or No), so an unattended run never waits. A file choice is asked for the
// same way and is cancelled without a terminal.
class TerminalUiPort : public UiPort
{
public:
    Button messageBox(const QString& text, const QString& caption, Icon icon,
                      Buttons buttons) override;
    QString chooseFile(const FileRequest& request) override;
    void beep() override;

    // --yes: a box that offers a choice is answered Ok (or Yes) without asking.
    void setAssumeYes(bool on) { m_assumeYes = on; }

private:
    static bool interactive();
    static bool readAnswer(QString& answer);

    bool m_assumeYes = false;
};
