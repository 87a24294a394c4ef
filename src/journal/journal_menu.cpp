// The journal's menu commands that open the windows of the other areas.
#include "journal/journal_window.h"

void TForm1::N1Click() {}
void TForm1::N3Click() {}
void TForm1::N4Click() {}
void TForm1::N6Click() {}
void TForm1::N9Click() {}
void TForm1::N10Click() {}
void TForm1::N13Click() {}
void TForm1::N14Click() {}
void TForm1::N15Click() {}
void TForm1::N17Click() {}
void TForm1::Button5Click() {}
