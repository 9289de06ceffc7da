#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// What the "Variables Settings" dialog's controls show, as plain data: the "Load..." reader
// fills it and the "Save..." writer writes it.
struct SettingsForm
{
    struct Row
    {
        bool active = false;
        int type = -1; // TVarType code of the "Type" cell; -1 when the cell names no type
        bool sign = false;
        double scale = 1.0;
        double offset = 0.0;
        QString name;
        int color = -1; // VarColors index of the "Color" cell; -1 when it names no colour
    };

    qint32 decimation = 1; // "Print packet every"
    qint32 scroll = 0;
    std::array<Row, 16> rows;
};
