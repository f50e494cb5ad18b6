#include "app/ModalDialogTracker.h"

#include <algorithm>

#include <dlfcn.h>

#include <wx/dialog.h>

namespace {

// GTK's response id of a cancel button.
constexpr int kGtkResponseCancel = -6;

// Message boxes and other native dialogs of the GTK port run gtk_dialog_run rather than the
// toolkit's own modal loop, so EndModal cannot reach them; answering the GTK dialog with "cancel"
// ends that loop. GTK is already loaded by the toolkit: the function is looked up rather than
// linked, which keeps GTK's development files out of the build.
bool CancelNativeDialog(wxDialog* dialog) {
    using ResponseFunction = void (*)(void*, int);
    static const auto respond =
        reinterpret_cast<ResponseFunction>(dlsym(RTLD_DEFAULT, "gtk_dialog_response"));
    void* widget = dialog->GetHandle();
    if (respond == nullptr || widget == nullptr) return false;
    respond(widget, kGtkResponseCancel);
    return true;
}

}  // namespace

ModalDialogTracker& ModalDialogTracker::Get() {
    static ModalDialogTracker tracker;
    return tracker;
}

int ModalDialogTracker::Enter(wxDialog* dialog) {
    if (m_refusing) return wxID_CANCEL;  // not shown; Exit is not called for it
    m_open.push_back(dialog);
    return wxID_NONE;  // show it as usual
}

void ModalDialogTracker::Exit(wxDialog* dialog) {
    const auto it = std::find(m_open.rbegin(), m_open.rend(), dialog);
    if (it != m_open.rend()) m_open.erase(std::next(it).base());
}

void ModalDialogTracker::CancelAll() {
    // Copied: ending a dialog may call Exit and change the list.
    const std::vector<wxDialog*> open(m_open.rbegin(), m_open.rend());
    for (wxDialog* dialog : open) {
        if (std::find(m_open.begin(), m_open.end(), dialog) == m_open.end()) continue;
        if (dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
        else
            CancelNativeDialog(dialog);
    }
}
