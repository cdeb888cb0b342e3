// Message dialogs over the system's message box (through the seam of Forms.h, so tests answer them).
//
// ShowMessage: the platform's plain message box (OK, caption Application->Title).
// MessageDlg: a message with an icon and a caption by type (in the user's language, as the system's
// own dialogs) and a set of buttons; answers mrOk, mrYes, ... The sets the system's box has go
// through it (and the seam); any other set (Yes, No, All, ...) gets a box of our own: the text and
// the buttons (in the user's language, no icon), answering mrAll, mrYesToAll, ... or mrCancel when
// closed.
//
// InputQuery, InputBox: a modal box asking for one line of text: the prompt, an edit holding the
// value (selected), OK and Cancel (Enter and Esc) in the user's interface language.
//
// Not yet: help contexts (a Help button only with the system's box), positioned dialogs, the common
// dialogs (the dialogs unit adds them).
#pragma once

#include "Forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TEnumSet<TMsgDlgBtn>;

inline constexpr TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

void ShowMessage(const String& text);
// MessageDlg's caption of `type` in `language`.
String MessageDlgCaption(TMsgDlgType type, LANGID language);
// Raises EInvalidArgument for a set without buttons. The caption is the type's in the user's
// interface language (Chinese or English; mtCustom: Application->Title).
TModalResult MessageDlg(const String& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext = 0);

// True with the edited text in `value` after OK; false with `value` unchanged after Cancel or
// closing the box.
bool InputQuery(const String& caption, const String& prompt, String& value);
// The edited text after OK, else `defaultValue`.
String InputBox(const String& caption, const String& prompt, const String& defaultValue);
// The captions of the input box's two buttons in `language` (Chinese or English).
String InputButtonCaption(TModalResult result, LANGID language);
