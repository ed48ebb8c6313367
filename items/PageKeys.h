#pragma once

#include <functional>

class QTabWidget;
class QWidget;

// Ctrl+Tab and Ctrl+PageDown show the next page of tabs, Ctrl+Shift+Tab and
// Ctrl+PageUp the previous one, from any control of window, a drop-down list
// included (which would otherwise take Ctrl+PageDown as a change of its choice).
// The page stays while canLeave refuses: the focused field holds what its
// check does not accept, and it must stay in sight to be mended.
void addPageKeys(QWidget* window, QTabWidget* tabs, std::function<bool()> canLeave);
