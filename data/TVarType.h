#pragma once

#include <QString>

#include <QtGlobal>

// How a variable's raw value is built from its bytes.
enum TVarType : quint8 {
    vtByte = 0,    // 1 byte
    vtInt = 1,     // 2 bytes, low byte first
    vtLongInt = 2, // 4 bytes, lowest byte first
    vtFloat = 3,   // IEEE single precision, most significant byte first
};

// The grid text of a type code ("byte", "int", "long int", "float"); empty for other codes.
QString varTypeText(int type);
// The code of a grid text, or -1 when the text names no type.
int varTypeFromText(const QString& text);
// Number of raw bytes a type uses (0 for codes outside 0..3).
int varTypeByteCount(int type);
