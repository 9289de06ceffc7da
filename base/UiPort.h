#pragma once

#include <QString>
#include <QStringList>

// What the core asks of the user interface: modal message boxes, file choice and the beep.
// The GUI implements it with real dialogs, the CLI on the terminal, tests record the calls.
class UiPort
{
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Button { None = 0, Ok = 1, Cancel = 2, Yes = 4, No = 8 };
    using Buttons = int; // OR of Button values

    enum class FileMode { Open, Save };
    struct FileRequest
    {
        FileMode mode = FileMode::Open;
        QString title;         // empty: the platform's default title
        QString initialName;   // file name or path the dialog starts with
        QString initialFolder; // empty: the process's current folder
        QStringList filters;   // "IIC files|*.iic" pairs, first entry selected
        QString defaultSuffix; // added to a name typed without extension
        bool confirmOverwrite = false;
    };

    virtual ~UiPort() = default;

    // Shows a modal box and returns the button chosen (Button::None when the box was dismissed).
    virtual Button messageBox(const QString& text, const QString& caption, Icon icon,
                              Buttons buttons) = 0;
    // Returns the chosen file's full name, or an empty string on Cancel.
    virtual QString chooseFile(const FileRequest& request) = 0;
    virtual void beep() = 0;
};

inline UiPort::Buttons operator|(UiPort::Button a, UiPort::Button b)
{
    return static_cast<int>(a) | static_cast<int>(b);
}
