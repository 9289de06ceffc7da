#pragma once

#include <QString>

#include <optional>

// What F1 opens. The focused control and the controls that enclose it, innermost first, are
// offered with their help marks; the innermost one that carries a context number or a help
// keyword decides. A context number opens its topic; a keyword opens nothing, since only
// context requests are served. The topic opens only when the chain ends at the main window:
// the program's other windows (its dialogs, the chart's own windows) carry no help.
class HelpRequest
{
public:
    // The main window's help context numbers.
    enum Context : int {
        MainWindow = 1000,
        Menus = 1101,
        Toolbar = 1102,
        ButtonPanel = 1103,
        Tabs = 1104,
        Power = 1106,
        CommandWindow = 1201,
        StatusWindow = 1202,
        BridgeList = 1203,
    };
    static constexpr Context Contexts[] = {MainWindow,    Menus,        Toolbar,
                                           ButtonPanel,   Tabs,         Power,
                                           CommandWindow, StatusWindow, BridgeList};

    // The next control outward; context 0 and an empty keyword mean it carries no mark. A
    // control with a keyword asks for the keyword even if it also has a number.
    void addControl(int context, const QString& keyword = QString());
    // The window the chain ends at.
    void endAtWindow(bool isMainWindow);

    // The topic to open, if any.
    std::optional<int> context() const;

    // How a context number is looked up in the help collection.
    static QString identifier(int context) { return QString::number(context); }

private:
    bool m_decided = false;
    std::optional<int> m_context;
    bool m_mainWindow = false;
};
