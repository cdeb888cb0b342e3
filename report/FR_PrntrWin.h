// The system's printers through the spooler (the W calls, so that Chinese printer names survive).
#pragma once

#include "FR_Prntr.h"

// A backend over the spooler's printers; under a system without printers its list is empty.
std::unique_ptr<TfrPrinterBackend> frCreateSpoolerBackend();
