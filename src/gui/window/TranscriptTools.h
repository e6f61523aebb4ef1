#pragma once

class MainMenus;
class QString;
class QWidget;
class TranscriptView;

// Gives the items of the menu "nástroje" that act on the whole transcript their commands:
// save it in one of three kinds, print it, find in it, clear it. The commands live as long as
// window.
void connectTranscriptTools(MainMenus& menus, TranscriptView& chat, const QString& programFolder,
                            QWidget* window);
