#pragma once
// The look of the main window: colours, borders and fonts of its title bar,
// navigation pane, side panel and record area, addressed by the object names
// the window gives its parts. Nothing here decides what the window does; the
// window works (plainly drawn) without it.
#include <QString>

namespace qm::ui {

// The style sheet for the main window's body (set on the body, so that the
// program's dialogs keep their own look).
QString MainWindowStyleSheet();

} // namespace qm::ui
