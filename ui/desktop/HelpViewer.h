// The help viewer: the help file shown in a non-modal window of our own.
#pragma once

#include <string>

class QWidget;

namespace korimo::ui {

// Shows the help file at its contents in a non-modal window of our own.
// A missing or unreadable file gives the viewer's own notice in that window.
void ShowHelpContents(const std::string& helpFile);
// Closes the help window if it is open (exit path).
void QuitHelp();
// The help window while it exists (tests).
QWidget* HelpWindow();

}  // namespace korimo::ui
