#pragma once

class QCoreApplication;
class QWidget;

namespace framory::qt {

// Makes every text of a dialog show whole once the dialog is laid out from
// its twips (with the fonts of this system, which are wider than the ones
// the layout was drawn for, or at another scale). A label too narrow for
// its text wraps over more lines where the room below it (down to the next
// control under it, or the dialog's edge) holds them; a label that cannot
// wrap, a check box or an option button takes a smaller face of its font
// until the text fits. Texts that fit are left as they are.
void FitTexts(QWidget& dialog);

// Fits the texts of every dialog of the program as it is shown for the
// first time: after its load step has set them, before it reaches the
// screen.
void FitTextsOfEveryDialog(QCoreApplication& application);

} // namespace framory::qt
