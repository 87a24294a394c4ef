// The file dialogs of the program: Qt's own dialog, with sizes and dates written the
// Russian way whatever the desktop's locale.
#pragma once

class QFileDialog;

namespace ui {

// Drawn by Qt (not the desktop's dialog), so that its texts come from the program's
// translations, and its sizes and dates shown in the program's locale.
void useRussianFileDialog(QFileDialog* dialog);

} // namespace ui
