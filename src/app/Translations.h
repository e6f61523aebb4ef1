#pragma once

// Qt's own parts (standard buttons, file and print dialogs) speak Czech like the rest of the
// program, whatever the desktop's language. False when Qt's Czech translations are missing.
bool installCzechTranslations();
