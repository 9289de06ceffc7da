#include "cli/TerminalUiPort.h"

#include "cli/CliCommand.h"

#include <QFileInfo>

#include <iostream>
#include <string>
#include <unistd.h>

namespace {

bool has(UiPort::Buttons buttons, UiPort::Button b)
{
    return (buttons & int(b)) != 0;
}

// What a box answers when nobody can be asked: the most careful choice it offers.
UiPort::Button unattendedAnswer(UiPort::Buttons buttons)
{
    if (has(buttons, UiPort::Button::Cancel))
        return UiPort::Button::Cancel;
    if (has(buttons, UiPort::Button::No))
        return UiPort::Button::No;
    if (has(buttons, UiPort::Button::Ok))
        return UiPort::Button::Ok;
    return UiPort::Button::None;
}

struct Choice
{
    UiPort::Button button;
    const char* label;
    char16_t key;
};

constexpr Choice Choices[] = {
    {UiPort::Button::Yes, "(y)es", u'y'},
    {UiPort::Button::No, "(n)o", u'n'},
    {UiPort::Button::Ok, "(o)k", u'o'},
    {UiPort::Button::Cancel, "(c)ancel", u'c'},
};

} // namespace

bool TerminalUiPort::interactive()
{
    return isatty(STDIN_FILENO) == 1;
}

bool TerminalUiPort::readAnswer(QString& answer)
{
    std::string line;
    if (!std::getline(std::cin, line))
        return false;
    answer = QString::fromLocal8Bit(line).trimmed();
    return true;
}

UiPort::Button TerminalUiPort::messageBox(const QString& text, const QString& caption, Icon,
                                          Buttons buttons)
{
    cli::out().flush();
    QTextStream& err = cli::err();
    if (caption.isEmpty())
        err << text << "\n";
    else
        err << caption << ": " << text << "\n";

    int offered = 0;
    for (const Choice& c : Choices)
        offered += has(buttons, c.button) ? 1 : 0;
    if (offered > 1 && m_assumeYes) {
        const UiPort::Button yes = has(buttons, Button::Ok) ? Button::Ok : Button::Yes;
        err << (yes == Button::Ok ? "ok" : "yes") << " (--yes)\n";
        err.flush();
        return yes;
    }
    if (offered <= 1 || !interactive()) {
        err.flush();
        return unattendedAnswer(buttons);
    }
    for (;;) {
        QStringList labels;
        for (const Choice& c : Choices)
            if (has(buttons, c.button))
                labels << QString::fromLatin1(c.label);
        err << labels.join(QStringLiteral(" / ")) << "? ";
        err.flush();
        QString answer;
        if (!readAnswer(answer))
            return unattendedAnswer(buttons);
        const QString a = answer.toLower();
        for (const Choice& c : Choices)
            if (has(buttons, c.button) && !a.isEmpty() && a[0] == QChar(c.key))
                return c.button;
    }
}

QString TerminalUiPort::chooseFile(const FileRequest& request)
{
    if (!interactive())
        return {};
    cli::out().flush();
    QTextStream& err = cli::err();
    err << (request.title.isEmpty() ? QStringLiteral("File name") : request.title);
    if (!request.initialName.isEmpty())
        err << " [" << request.initialName << "]";
    err << ": ";
    err.flush();
    QString answer;
    if (!readAnswer(answer))
        return {};
    if (answer.isEmpty())
        answer = request.initialName;
    if (answer.isEmpty())
        return {};
    if (!request.defaultSuffix.isEmpty() && QFileInfo(answer).suffix().isEmpty())
        answer += u'.' + request.defaultSuffix;
    if (request.mode == FileMode::Save && request.confirmOverwrite && QFileInfo::exists(answer) &&
        messageBox(QStringLiteral("%1 already exists. Replace it?").arg(answer),
                   QStringLiteral("Confirm"), Icon::Question,
                   Button::Yes | Button::No) != Button::Yes)
        return {};
    return QFileInfo(answer).absoluteFilePath();
}

void TerminalUiPort::beep()
{
    if (isatty(STDERR_FILENO) == 1) {
        cli::err() << '\a';
        cli::err().flush();
    }
}
