// The system's text rules for the user's locale (CompareStringW, LCMapStringW): the order and the
// case folding that LocaleText.h hands to every comparison of texts for people.
#pragma once

// Installs them for the program (the application does at its creation).
void InstallSystemLocaleTextRules();
