#pragma once

class AppState;
class QWidget;

// F1 in window opens the help file at its topic.
void addHelpKey(QWidget* window, AppState& state, int topic);
