#pragma once
// What an SSH connection asks a person, as Russian dialogs over the main
// window, and what the program says when an SSH attempt fails at a step.
//
// A dialog is window-modal and open()ed, never exec()ed: the window's event
// loop goes on, and the answer comes back through a callback. Tests put a
// hook in place of the dialogs, as they do for message boxes; it answers at
// once.

#include "ssh/IdSSHQuestion.h"
#include "telnet/IdConnection.h"

#include <functional>
#include <string>
#include <string_view>

class QDialog;
class QWidget;

namespace lemnar {

enum class TSSHDialogKind {
    YesNo,      // "Да" and "Нет", question icon
    Text,       // a line typed as it is shown
    HiddenText, // a line typed hidden (a password)
};

struct TSSHDialog {
    TSSHDialogKind Kind = TSSHDialogKind::YesNo;
    std::string Text; // UTF-8
};

struct TSSHDialogAnswer {
    bool Ok = false;  // "Да" or "ОК"; false: "Нет", "Отмена" or closed
    std::string Text; // what was typed; taken (and wiped) by the caller
};

using TSSHDialogHook = std::function<TSSHDialogAnswer(const TSSHDialog& dialog)>;

// Replaces the dialogs while set; an empty hook restores them.
void SetSSHDialogHook(TSSHDialogHook hook);

// The dialog for a question; host is the address as the user gave it.
TSSHDialog SSHQuestionDialog(const TIdSSHQuestion& question, std::string_view host);

// Opens the dialog over parent and calls done with the answer when it is
// given (at once, with the hook). The result is the open dialog, which the
// caller may delete to withdraw the question (done is then never called);
// nullptr when it was answered at once.
QDialog* OpenSSHDialog(QWidget* parent, const TSSHDialog& dialog,
                       std::function<void(TIdSSHAnswer answer)> done);

// The text for an SSH attempt that failed at a step other than Abandoned.
// host is the address as the user gave it, key what the connection learned
// of the server's key, quiet whether nobody could be asked.
std::string SSHFailureText(const TIdConnectFailure& failure, std::string_view host,
                           const TIdSSHHostKey& key, bool quiet);

} // namespace lemnar
