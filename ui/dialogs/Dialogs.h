// The four modal dialogs, as the main window and the Qt platform backend open
// them. Each dialog talks to the rest of the program only through the working
// set (DialogOpening, Password, OperationFailed, MemoText, ...).
#pragma once

#include <functional>

class QWidget;

namespace korimo::ui {

// The main window the dialogs centre over and are parented to.
void SetDialogOwner(QWidget* mainWindow);
// Called after any of the dialogs below has closed (hidden or unloaded): the
// main window's activation work (focus to "音声＆メモ再生").
void SetAfterDialogHook(std::function<void()> hook);

void ShowPassin();    // password dialog
void ShowMemoin();    // memo entry
void ShowMemoout();   // memo display
void ShowFrmAbout();  // about box

// Unloads Memoin, Memoout, Passin and frmAbout, in this order (exit path).
void UnloadDialogs();

}  // namespace korimo::ui
