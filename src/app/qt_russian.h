// Qt's own dialogs in Russian: Qt's translations (qtbase_ru), and on top of them the texts
// those leave in English (the file kinds of the file dialog, the paper names of the print
// dialog's page settings, "OK").
#pragma once

class QApplication;

namespace app {

void installQtRussian(QApplication& application);

} // namespace app
