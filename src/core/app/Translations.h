#pragma once

// Qt's own parts (standard buttons, file and print dialogs) speak Czech like the rest of the
// program, whatever the desktop's language: Qt's Czech catalogue, the strings it lacks for this
// Qt, Czech numbers and dates, and Qt's own dialogs rather than the desktop's, which would
// follow the desktop's language. False when Qt's Czech catalogue is missing.
bool installCzechTranslations();
