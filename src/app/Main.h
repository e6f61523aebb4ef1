#pragma once

class QApplication;

// The program's entry: command line, single-instance rule, the main window. Returns the
// exit code once the program ends.
int Main(QApplication& app);
