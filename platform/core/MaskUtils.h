// Edit masks: "mask;save;blank". In the mask, 0 a digit, 9 an optional digit, # a digit or sign,
// L/l a letter, A/a a letter or digit, C/c any character (upper case required, lower optional),
// > upper case from here, < lower case from here, <> neither, ! (kept for compatibility, no
// effect here), \ takes the next character literally, : and / are the time and date separators;
// every other character is a literal. "save" 0 means the value holds only the entered characters
// (the literals are inserted), 1 (the default) that it holds the literals too. "blank" (default
// "_") fills positions for which the value has no character.
#pragma once

#include "FormatSettings.h"

// The value laid out by the mask; counts characters, not bytes.
String FormatMaskText(const String& editMask, const String& value,
                      const TFormatSettings& settings = FormatSettings);
