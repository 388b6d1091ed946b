// A catalog or settings file written by a test.
#pragma once

#include <QString>

// Writes text as a UTF-8 file (with the byte-order mark) at path, creating folders.
bool WriteTextFile(const QString& path, const QString& text);
