#pragma once

class HistoryLog;
class MainMenus;
class TranscriptView;
class QWidget;

// Hands every entry of the transcript to the history, in the form of the text export, while
// the history is on; says in the transcript when a day's file cannot be written; and gives
// "otevřít složku s historií" its command. The connections live as long as window.
void connectHistory(MainMenus& menus, TranscriptView& chat, HistoryLog& history, QWidget* window);
