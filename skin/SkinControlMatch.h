// Control matching: each child control of a skinned window gets the skinner its class asks for,
// or none. Controls of this program are matched by the skin component's OnSkinControl event, then
// by its class-name map (Skin3rd), then by ordered class rules (SkinControlRules.h); child windows
// of other modules by their window class and style. Each match is gated by the skin component's
// SkinControls.
//
// Skinners are made by class name through the class registry, so a skinner class that is not
// registered (a kind this program does not build) is simply not attached.
#pragma once

#include "SkinControlRules.h"

#include "WinApi.h"

class TAppSkinForm;
class TComponent;
class TControl;
class TWinControl;
class TSkinControl;

// Registers every skinner class with the class registry (idempotent).
void RegisterSkinnerClasses();

// The class name of the skinner of a kind ("" for kinds that need no skinner object).
const char* SkinnerClassName(skinrules::TSkinnerKind kind);

// Skins the child controls of the form skinner's window: a form of this program through its
// components and tab order, a window of another module through its child windows.
void SkinChildControls(TAppSkinForm& form);
void MatchControl(TAppSkinForm& form, TControl* control, TComponent* owner);
void MatchChildren(TAppSkinForm& form, TWinControl* control);
void MatchComponents(TAppSkinForm& form, TComponent* owner);
void MatchWindow(TAppSkinForm& form, HWND window);
// True for a windowed control with a scroll bar, or a list box, memo or tree view.
bool NeedsScrollbars(TControl* control);

// The skinner of `kind` made for `control` (owned by it) and attached; nullptr when the kind has
// no skinner class here.
TSkinControl* AttachSkinner(TAppSkinForm& form, skinrules::TSkinnerKind kind, TControl* control, bool changeColor);
// The control whose old window `oldWindow` was served by a now dead skinner gets a new skinner of
// the same class for its new window; the dead one is freed. Nothing when no such skinner exists.
TSkinControl* ReplaceSkinner(TAppSkinForm& form, HWND oldWindow);
// The skinner of `kind` attached to a window of another module (owned by the form's list).
TSkinControl* AttachWindowSkinner(TAppSkinForm& form, skinrules::TSkinnerKind kind, HWND window);
