// The one QApplication of a widget test program. A global test environment makes it before
// the first test and destroys it after the last, while Qt's own globals still exist. Without
// QT_QPA_PLATFORM it runs on the offscreen platform.
#pragma once

#include <QApplication>

QApplication& TestApplication();
