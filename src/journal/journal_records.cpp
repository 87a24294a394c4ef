// The journal's commands on shift records: add, change, delete, accept.
#include "journal/journal_window.h"

void TForm1::Button1Click() {}
void TForm1::Button2Click() {}
void TForm1::Button3Click() {}
void TForm1::DBGrid2DblClick() {}
