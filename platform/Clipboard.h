#pragma once
// The terminal's text on the system clipboard and back: a selection as the
// characters the screen shows, and the clipboard and primary selection.

#include "terminal/View.h"

#include <QString>
#include <string>
#include <vector>

namespace lemnar {

class TTerminal;

// Rows of code page 866 bytes as the characters the screen shows (letters,
// box drawing and blocks, the console's symbols for control bytes), joined
// with line feeds; no line feed after the last row.
QString OemRowsToText(const std::vector<std::string>& rows);

// The selected cells as text (SelectedRows, then OemRowsToText).
QString SelectionText(const TTerminal& terminal, const TSelection& selection);

// The text goes to the clipboard, and to the primary selection where the
// system has one. Without one the program keeps the text as its own primary
// selection, for the middle button.
void CopyToClipboard(const QString& text);

// The clipboard's text, or the primary selection's (the program's own where
// the system has none).
QString ClipboardText();
QString PrimarySelectionText();

} // namespace lemnar
