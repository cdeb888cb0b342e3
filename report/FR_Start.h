// The report core's start and end in the program's initialisation list: its classes, the texts of
// the string table, the global printer, and the report globals with their two hidden forms.
#pragma once

#include "FR_Class.h"

class TfrProgressForm;
class TForm;

void ReportInitialization();
void ReportFinalization();  // never raises

// The report windows of the globals (nullptr before the start and after the end).
TfrProgressForm* frProgressForm();
TForm* frDialogForm();

// A text of the program's string table; "" for a number it does not hold.
String frLoadResourceString(int id);
