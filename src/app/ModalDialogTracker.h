#pragma once
// Keeps track of the modal dialogs on screen so that a shut-down request can end them: each runs
// a nested event loop, and the main window's close would wait behind it.
#include <vector>

#include <wx/modalhook.h>

class wxDialog;

class ModalDialogTracker : public wxModalDialogHook {
public:
    // The one tracker of the program (registered by the application at start-up).
    static ModalDialogTracker& Get();

    // Ends every open modal dialog as its cancel button would, newest first.
    void CancelAll();
    // From now on a modal dialog about to open is answered "cancel" without being shown: once the
    // program is shutting down, nobody is there to answer it.
    void RefuseNew() { m_refusing = true; }
    int OpenCount() const { return static_cast<int>(m_open.size()); }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    ModalDialogTracker() = default;
    std::vector<wxDialog*> m_open;
    bool m_refusing = false;
};
