// Links a form's typed fields to the components its description created.
#pragma once

#include "Component.h"

// Sets `field` to `root`'s component `name`; raises EComponentError when the description has no
// component of that name and class.
template <class T>
void BindComponent(TComponent* root, T*& field, const char* name) {
    field = dynamic_cast<T*>(root->FindComponent(name));
    if (!field)
        throw EComponentError("The description of " + root->ClassName() + " has no " + T::StaticClass()->name +
                              " named " + name);
}
