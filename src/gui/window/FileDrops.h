#pragma once

class MainWindow;

// Files dropped on a user in the user list go to that user; dropped on the transcript or the
// composer, to the user picked in the list, and when there is none the status bar says how.
// The own entry takes none.
void installFileDrops(MainWindow& window);
