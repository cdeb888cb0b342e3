// Where things are on the screen, as trace text for the end-to-end tests, which drive the program
// from outside and read its trace: "name=x,y,width,height" in screen pixels.
#pragma once

#include "ComCtrls.h"
#include "Controls.h"

#include <commctrl.h>

#include <cstring>

// `rect` in `control`'s client coordinates, on the screen.
inline String ScreenRectText(TControl* control, const TRect& rect) {
    const TPoint at = control->ClientToScreen(Point(rect.Left, rect.Top));
    return std::to_string(at.X) + "," + std::to_string(at.Y) + "," + std::to_string(rect.Width()) + "," +
           std::to_string(rect.Height());
}

// " name=..." for each control.
inline String ControlRectsText(std::initializer_list<TControl*> controls) {
    String text;
    for (TControl* control : controls)
        text += " " + control->Name() + "=" + ScreenRectText(control, Rect(0, 0, control->Width(), control->Height()));
    return text;
}

// " key=..." for each node of `view` that is shown, keyed by the text before its first "-" (the
// root, which has none, by "root").
inline String TreeNodeRectsText(TCustomTreeView* view) {
    String text;
    if (!view->HandleAllocated())
        return text;
    for (int i = 0; i < view->Items()->Count(); ++i) {
        TTreeNode* node = view->Items()->Item(i);
        RECT r{};
        const HTREEITEM item = node->ItemId();
        std::memcpy(&r, &item, sizeof item);  // the message takes the item in the rectangle
        if (!node->ItemId() || !SendMessageW(view->Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)))
            continue;
        const std::size_t dash = node->Text().find('-');
        const String key = dash == String::npos ? String("root") : node->Text().substr(0, dash);
        text += " " + key + "=" + ScreenRectText(view, Rect(r.left, r.top, r.right, r.bottom));
    }
    return text;
}
