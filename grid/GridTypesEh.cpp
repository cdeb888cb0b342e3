// Helpers of the grid's value types.
#include "GridTypesEh.h"

bool SameFontEh(const TCustomFont& a, const TCustomFont& b) {
    return a.Name() == b.Name() && a.Height() == b.Height() && a.Style() == b.Style() &&
           a.Charset() == b.Charset() && a.Pitch() == b.Pitch() && a.Color() == b.Color();
}
