#include "Object.h"

void TPersistent::Assign(TPersistent* source) {
    if (source)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) {
    dest->AssignError(this);
}

void TPersistent::DefineProperties(TFiler*) {}

void TPersistent::AssignError(TPersistent* source) {
    const String from = source ? source->ClassName() : String("nil");
    throw EConvertError("Cannot assign a " + from + " to a " + ClassName());
}
