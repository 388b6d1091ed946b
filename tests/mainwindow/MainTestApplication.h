// The one QApplication of a widget test program, made before the first test and destroyed
// after the last (offscreen platform), plus helpers shared by the main-window tests.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QString>

QApplication& MainTestApplication();

// Writes text as a UTF-8 file (with the byte-order mark) at path, creating folders.
bool WriteTextFile(const QString& path, const QString& text);
