#include "cli/TerminalUiPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// With no terminal on standard input nobody can answer, so every box takes its most careful
// choice and a file choice is cancelled: an unattended run never waits.
TEST(TerminalUiPort, AnswersWithoutATerminalNeverWait)
{
    const int savedStdin = dup(STDIN_FILENO);
    const int devNull = open("/dev/null", O_RDONLY);
    ASSERT_GE(devNull, 0);
    dup2(devNull, STDIN_FILENO);
    close(devNull);

    using B = UiPort::Button;
    TerminalUiPort ui;
    const struct
    {
        UiPort::Buttons buttons;
        B answer;
    } cases[] = {
        {int(B::Ok), B::Ok},
        {B::Ok | B::Cancel, B::Cancel},
        {B::Yes | B::No, B::No},
        {int(B::Yes | B::No) | int(B::Cancel), B::Cancel},
        {0, B::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ui.messageBox(QStringLiteral("Overwrite?"), QStringLiteral("Confirm"),
                                UiPort::Icon::Question, c.buttons),
                  c.answer)
            << c.buttons;
    UiPort::FileRequest request;
    request.initialName = QStringLiteral("capture.dat");
    EXPECT_TRUE(ui.chooseFile(request).isEmpty());

    dup2(savedStdin, STDIN_FILENO);
    close(savedStdin);
}

} // namespace
