#pragma once

class QApplication;

// The application's names, version and Czech texts, as the program sets them before any window.
void prepareApplication();

// The program's entry: command line, single-instance rule, the main window. Returns the
// exit code once the program ends.
int Main(QApplication& app);
