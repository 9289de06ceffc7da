#pragma once

#include "data/VariableDefinitions.h"

#include <QStringList>

#include <optional>

struct CliCommand;

// The arguments of a command that works on one script:
// "[--settings FILE] [--var NAME[:TYPE]]... SCRIPT", the
// script being a file name or "-" for standard input.
struct ScriptArguments
{
    VariableDefinitions variables;
    QString path;
    QStringList lines;
    // What the file is called in usage errors.
    QString fileKind = QStringLiteral("script file");
    // false: the command takes the variable options only, and no file (path stays empty).
    bool takesScript = true;

    // Parses args and reads the script. Returns no value when the command can go on, else the
    // exit code to end with: 0 after --help, 2 on bad usage, 1 when the script cannot be read
    // (each with its message printed).
    std::optional<int> load(const CliCommand& command, const QStringList& args);
    // The same without reading the script, for a command that reads the file itself: lines
    // stay empty.
    std::optional<int> parse(const CliCommand& command, const QStringList& args);

    // The settings file that belongs to a script: beside it, named like it with ".ini" (or
    // ".INI"); empty when there is none.
    static QString companionSettingsFile(const QString& scriptPath);
};
