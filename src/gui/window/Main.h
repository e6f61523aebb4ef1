#pragma once

class QApplication;

// The application's names, version and Czech texts, as the program sets them before any window.
void prepareApplication();

// Runs the program: command line, single-instance rule, then the client and its main window.
// Returns the exit code once the program ends.
int runProgram(QApplication& app);
