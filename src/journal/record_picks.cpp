// The worker and operation picks of the record editor.
#include "journal/record_editor.h"

void TForm11::Button3Click() {}
void TForm11::Button4Click() {}
