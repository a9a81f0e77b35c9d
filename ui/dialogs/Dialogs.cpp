#include "ui/dialogs/Dialogs.h"

#include <QPointer>

#include "ui/dialogs/Memoin.h"
#include "ui/dialogs/Memoout.h"
#include "ui/dialogs/Passin.h"
#include "ui/dialogs/frmAbout.h"

namespace korimo::ui {

namespace {

QPointer<QWidget> g_owner;
std::function<void()> g_afterDialog;

// The loaded forms. A hidden form stays loaded here; an unloaded one is
// deleted, and the next opening constructs (loads) it again.
QPointer<Passin> g_passin;
QPointer<Memoin> g_memoin;
QPointer<Memoout> g_memoout;
QPointer<frmAbout> g_frmAbout;

// Shows the form modally (loading it first when it is not loaded), unloads it
// when it was closed rather than hidden, then runs the after-dialog hook.
template <typename Form>
void ShowModal(QPointer<Form>& loaded) {
  if (loaded && loaded->isVisible()) return;  // already showing: one modal run at a time
  if (!loaded) loaded = new Form(g_owner.data());
  QPointer<Form> form = loaded;
  form->exec();
  if (form && form->unloadRequested()) delete form.data();
  if (g_afterDialog) g_afterDialog();
}

template <typename Form>
void Unload(QPointer<Form>& loaded) {
  if (!loaded) return;
  if (loaded->isVisible()) {
    // Still inside its modal run: end the run, and delete once it has unwound.
    loaded->hide();
    loaded->deleteLater();
    loaded = nullptr;
  } else {
    delete loaded.data();
  }
}

}  // namespace

QWidget* DialogOwner() { return g_owner.data(); }

void SetDialogOwner(QWidget* mainWindow) { g_owner = mainWindow; }

void SetAfterDialogHook(std::function<void()> hook) { g_afterDialog = std::move(hook); }

void ShowPassin() { ShowModal(g_passin); }
void ShowMemoin() { ShowModal(g_memoin); }
void ShowMemoout() { ShowModal(g_memoout); }

void ShowFrmAbout() {
  // Every opening loads the box afresh (title, version and position computed again).
  Unload(g_frmAbout);
  ShowModal(g_frmAbout);
}

void UnloadDialogs() {
  Unload(g_memoin);
  Unload(g_memoout);
  Unload(g_passin);
  Unload(g_frmAbout);
}

}  // namespace korimo::ui
