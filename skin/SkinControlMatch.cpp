#include "SkinControlMatch.h"

#include "AppSkinData.h"
#include "AppSkinForm.h"
#include "AppSkinScrollbar.h"
#include "SkinCheckRadio.h"
#include "SkinControl.h"
#include "SkinEditCombo.h"
#include "SkinPanels.h"
#include "SkinManage.h"
#include "SkinMediaPlayer.h"
#include "SkinRangeControls.h"
#include "SkinSmallControls.h"
#include "SkinTabs.h"
#include "SkinToolBar.h"

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Grids.h"
#include "StdCtrls.h"
#include "TypeRegistry.h"

#include <commctrl.h>

#include <algorithm>

using namespace skinrules;

namespace {

String Upper(String s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

String Lower(String s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool HasBorder(HWND window) {
    RECT w{}, c{};
    GetWindowRect(window, &w);
    GetClientRect(window, &c);
    return w.right - w.left != c.right || w.bottom - w.top != c.bottom;
}

bool Handled(TAppSkinForm& form, TControl* control) {
    auto* w = dynamic_cast<TWinControl*>(control);
    if (!w || !w->HandleAllocated()) return true;
    if (control->Tag() == form.SkinData()->DisableTag) return true;
    if (SendMessageW(w->WindowHandle(), SM_ISSKINNED, 0, 0) == 1) return true;
    return form.Skinners().ForWindow(w->WindowHandle()) != nullptr;
}

TControlFacts FactsOf(TAppSkinForm& form, TControl* control) {
    TSkinData* data = form.SkinData();
    TControlFacts f;
    for (TClass c = control->ClassType(); c; c = c->parent) f.Chain.push_back(c->name);
    f.Controls = data->SkinControls;
    f.HasTabs = data->Tabs && !data->Tabs->Image->Empty();
    f.FormNCSkinned = form.NCSkinned();
    if (auto* w = dynamic_cast<TWinControl*>(control); w && w->HandleAllocated())
        f.TabStyleButtons = (GetWindowLongPtrW(w->WindowHandle(), GWL_STYLE) & TCS_BUTTONS) != 0;
    f.KindProperty = GetEnumPropText(control, "Kind");
    f.NumButtons = GetIntProp(control, "NumButtons");
    f.NeedsScrollbars = NeedsScrollbars(control);
    return f;
}

}  // namespace

void RegisterSkinnerClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterClasses<TSkinButton, TSkinBitButton, TSkinSpeedButton, TSkinMenuButton, TSkinCheckBox, TSkinRadioButton,
                    TSkinEdit, TSkinComBox, TSkinStatusBar, TSkinGroupBox, TSkinBox, TSkinToolBar, TSkinToolMenu, TSkinTrackBar,
                    TSkinUpDown, TSkinProgress, TSkinTab, TSkinTab31, TSkinTabSheet, TSkinSizer, TSkinBoxH, TSkinHeader,
                    TSkinTabBtn, TSkinAdvPage, TSkinObjImage, TSkinMP, TSkinScrollbar, TSkinListView,
                    TSkinScrollbarH, TSkinScControl, TSkinDateTime>();
}

const char* SkinnerClassName(TSkinnerKind kind) {
    switch (kind) {
    case TSkinnerKind::Button: return "TSkinButton";
    case TSkinnerKind::BitButton:
    case TSkinnerKind::PngBitButton: return "TSkinBitButton";
    case TSkinnerKind::MenuButton: return "TSkinMenuButton";
    case TSkinnerKind::SpeedButton: return "TSkinSpeedButton";
    case TSkinnerKind::CheckBox: return "TSkinCheckBox";
    case TSkinnerKind::RadioButton: return "TSkinRadioButton";
    case TSkinnerKind::ComBox: return "TSkinComBox";
    case TSkinnerKind::Edit:
    case TSkinnerKind::EditOnHandle: return "TSkinEdit";
    case TSkinnerKind::Box: return "TSkinBox";
    case TSkinnerKind::GroupBox: return "TSkinGroupBox";
    case TSkinnerKind::StatusBar: return "TSkinStatusBar";
    case TSkinnerKind::Progress: return "TSkinProgress";
    case TSkinnerKind::TrackBar: return "TSkinTrackBar";
    case TSkinnerKind::UpDown: return "TSkinUpDown";
    case TSkinnerKind::MediaPlayer: return "TSkinMP";
    case TSkinnerKind::DateTime: return "TSkinDateTime";
    case TSkinnerKind::Tab:
    case TSkinnerKind::TabWithoutPages: return "TSkinTab";
    case TSkinnerKind::TabButtons: return "TSkinTabBtn";
    case TSkinnerKind::TabSet: return "TSkinTab31";
    case TSkinnerKind::TabSheet: return "TSkinTabSheet";
    case TSkinnerKind::AdvPage: return "TSkinAdvPage";
    case TSkinnerKind::Scrollbar:
    case TSkinnerKind::ScrollbarSingle: return "TSkinScrollbar";
    case TSkinnerKind::ScrollBarControl: return "TSkinScControl";
    case TSkinnerKind::Sizer: return "TSkinSizer";
    case TSkinnerKind::DialogBackground: return "TSkinBoxH";
    case TSkinnerKind::ObjImageCheck:
    case TSkinnerKind::ObjImageRadio:
    case TSkinnerKind::ObjImageProperties: return "TSkinObjImage";
    case TSkinnerKind::ToolBar: return "TSkinToolBar";
    case TSkinnerKind::None:
    case TSkinnerKind::ToolButtonMenu: return "TSkinToolMenu";
    case TSkinnerKind::CoolBar: return "";
    }
    return "";
}

namespace {

int ModeOf(TSkinnerKind kind) {
    switch (kind) {
    case TSkinnerKind::TabWithoutPages: return 2;
    case TSkinnerKind::ScrollbarSingle: return 1;
    case TSkinnerKind::ObjImageCheck: return 1;
    case TSkinnerKind::ObjImageRadio: return 2;
    case TSkinnerKind::ObjImageProperties: return 3;
    case TSkinnerKind::AdvPage: return 4;
    default: return 0;
    }
}

TSkinControl* Make(TSkinnerKind kind, TComponent* owner) {
    RegisterSkinnerClasses();
    const char* name = SkinnerClassName(kind);
    if (!*name || !GetClass(name)) return nullptr;
    auto* skinner = dynamic_cast<TSkinControl*>(CreateComponent(name, owner));
    if (!skinner) return nullptr;
    skinner->Mode = ModeOf(kind);
    if (kind == TSkinnerKind::PngBitButton)
        if (auto* bit = dynamic_cast<TSkinBitButton*>(skinner)) bit->GraphicProp = "PngImage";
    return skinner;
}

}  // namespace

TSkinControl* AttachSkinner(TAppSkinForm& form, TSkinnerKind kind, TControl* control, bool changeColor) {
    if (kind == TSkinnerKind::EditOnHandle) {
        auto* w = dynamic_cast<TWinControl*>(control);
        return w ? AttachWindowSkinner(form, TSkinnerKind::Edit, w->Handle()) : nullptr;
    }
    TSkinControl* skinner = Make(kind, control);
    if (!skinner) return nullptr;
    if (auto* speed = dynamic_cast<TSkinSpeedButton*>(skinner)) speed->AttachGraphic(&form, form.SkinData(), nullptr);
    else skinner->AttachControl(&form, form.SkinData(), changeColor, nullptr);
    if (!skinner->Attached) {
        skinner->Free();
        return nullptr;
    }
    return skinner;
}

TSkinControl* AttachWindowSkinner(TAppSkinForm& form, TSkinnerKind kind, HWND window) {
    if (!window || form.Skinners().ForWindow(window)) return nullptr;
    TSkinControl* skinner = Make(kind, nullptr);
    if (!skinner) return nullptr;
    skinner->AttachWindow(window, form.SkinData(), &form, nullptr);
    if (!skinner->Attached) {
        form.Skinners().Remove(skinner);
        skinner->Free();
        return nullptr;
    }
    return skinner;
}

TSkinControl* ReplaceSkinner(TAppSkinForm& form, HWND oldWindow) {
    TSkinControl* old = nullptr;
    for (int i = 0; i < form.Skinners().Count() && !old; ++i) {
        TSkinControl* s = form.Skinners().At(i);
        if (s->Handle == oldWindow && s->Control && s->SkinState == TSkinControl::ssDead) old = s;
    }
    auto* control = old ? dynamic_cast<TWinControl*>(old->Control) : nullptr;
    if (!control || (control->ComponentState() & csDestroying) != 0) return nullptr;
    const String cls = old->ClassName();
    const int mode = old->Mode;
    const bool changeColor = old->ChangeColor;
    String graphic;
    if (auto* bit = dynamic_cast<TSkinBitButton*>(old)) graphic = bit->GraphicProp;
    form.Skinners().Remove(old);
    old->Free();
    if (!control->HandleAllocated()) return nullptr;  // skinned again when the form is
    auto* fresh = dynamic_cast<TSkinControl*>(CreateComponent(cls, control));
    if (!fresh) return nullptr;
    fresh->Mode = mode;
    if (auto* bit = dynamic_cast<TSkinBitButton*>(fresh)) bit->GraphicProp = graphic;
    fresh->AttachControl(&form, form.SkinData(), changeColor, nullptr);
    if (!fresh->Attached) {
        fresh->Free();
        return nullptr;
    }
    return fresh;
}

bool NeedsScrollbars(TControl* control) {
    auto* w = dynamic_cast<TWinControl*>(control);
    if (!w) return false;
    if (w->HandleAllocated() && (GetWindowLongPtrW(w->WindowHandle(), GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL)))
        return true;
    return dynamic_cast<TCustomListBox*>(control) || dynamic_cast<TCustomMemo*>(control) ||
           dynamic_cast<TCustomTreeView*>(control);
}

void MatchChildren(TAppSkinForm& form, TWinControl* control) {
    if (!control) return;
    for (int i = 0; i < control->ControlCount(); ++i) MatchControl(form, control->Controls(i), control);
}

void MatchComponents(TAppSkinForm& form, TComponent* owner) {
    if (!owner) return;
    std::vector<TControl*> controls;
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (auto* c = dynamic_cast<TControl*>(owner->Components(i))) controls.push_back(c);
    for (TControl* c : controls) MatchControl(form, c, owner);
}

void MatchControl(TAppSkinForm& form, TControl* control, TComponent* owner) {
    if (!control) return;
    TSkinData* data = form.SkinData();
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (control->Tag() == data->DisableTag) {
        const String name = Lower(control->ClassName());
        if (windowed && windowed->ControlCount() > 0 &&
            (name.find("radiogroup") != String::npos || name.find("checkgroup") != String::npos))
            for (int i = 0; i < windowed->ControlCount(); ++i) windowed->Controls(i)->SetTag(data->DisableTag);
        return;
    }
    if (!control->Parent()) return;
    if (windowed && windowed->HandleAllocated() && SendMessageW(windowed->WindowHandle(), SM_ISSKINNED, 0, 0) == 1)
        return;
    if (form.Skinners().ForControl(control)) return;
    const String N = Upper(control->ClassName());
    if (windowed && !windowed->HandleAllocated()) {
        try {
            windowed->HandleNeeded();
        } catch (...) {
            return;
        }
        if (!windowed->HandleAllocated()) return;
    }
    if (data->OnSkinControl) {
        TComponent* skinned = nullptr;
        data->OnSkinControl(data, data, dynamic_cast<TControl*>(owner), control, N, skinned);
        if (auto* s = dynamic_cast<TSkinControl*>(skinned)) {
            if (!s->Attached) s->AttachControl(&form, data, s->ChangeColor, nullptr);
            if (dynamic_cast<TCustomPanel*>(control)) MatchChildren(form, windowed);
            return;
        }
    }
    const TMatchDecision d = DecideControl(data->Skin3rdLines(), FactsOf(form, control));
    if (!d.Decided) return;
    if (d.Children == TChildAction::MatchBefore) MatchChildren(form, windowed);
    if (d.Children == TChildAction::Each && windowed)
        for (int i = 0; i < windowed->ControlCount(); ++i)
            if (!form.Skinners().ForControl(windowed->Controls(i)))
                AttachSkinner(form, d.ChildKind, windowed->Controls(i), false);
    if (d.Children == TChildAction::EmbeddedScrollbars && windowed) {
        for (int i = 0; i < windowed->ControlCount(); ++i) {
            TControl* child = windowed->Controls(i);
            const bool scrollBar = GetClass("TScrollBar") && child->InheritsFrom(GetClass("TScrollBar"));
            if (scrollBar) AttachSkinner(form, TSkinnerKind::ScrollBarControl, child, false);
            else if (NeedsScrollbars(child)) AttachSkinner(form, TSkinnerKind::Scrollbar, child, false);
        }
    }
    if (d.Kind == TSkinnerKind::CoolBar)
        if (auto* bar = dynamic_cast<TCoolBar*>(control))
            for (int i = 0; i < bar->Bands()->Count(); ++i) bar->Bands()->Items(i)->SetColor(data->ButtonFace);
    if (d.SetTransparent) SetPropText(control, "Transparent", "True");
    bool attach = d.Kind != TSkinnerKind::None;
    if (d.OnlyWithBorder && windowed) attach = attach && HasBorder(windowed->WindowHandle());
    if (d.Kind == TSkinnerKind::ToolBar) SetPropText(control, "Flat", "True");
    if (attach) AttachSkinner(form, d.Kind, control, d.ChangeColor);
    switch (d.Children) {
    case TChildAction::MatchAfter: MatchChildren(form, windowed); break;
    case TChildAction::MatchEachOrphan:
        if (windowed)
            for (int i = 0; i < windowed->ControlCount(); ++i) MatchControl(form, windowed->Controls(i), nullptr);
        break;
    case TChildAction::MatchComponents: MatchComponents(form, control); break;
    default: break;
    }
}

void MatchWindow(TAppSkinForm& form, HWND window) {
    if (!window || form.Skinners().ForWindow(window)) return;
    if (SendMessageW(window, SM_ISSKINNED, 0, 0) == 1) return;
    const TWindowDecision d =
        DecideWindow(Lower(WindowClassName(window)), static_cast<std::uint32_t>(GetWindowLongPtrW(window, GWL_STYLE)));
    if (d.SkinChildren)
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) MatchWindow(form, child);
    if (d.FaceColour)
        if (TControl* c = ControlOfWindow(window)) c->SetColor(form.SkinData()->ButtonFace);
    // The skinners this program adds for windows of other modules follow the skin's control set.
    const TSkinControlTypes set = form.SkinData()->SkinControls;
    if (d.Kind == TSkinnerKind::ScrollBarControl && (set & SkinBit(xcScrollbar)) == 0) return;
    if (d.Kind == TSkinnerKind::DateTime && (set & SkinBit(xcCombo)) == 0) return;
    HWND target = d.OnFirstChild ? GetWindow(window, GW_CHILD) : window;
    if (d.Kind != TSkinnerKind::None && target) AttachWindowSkinner(form, d.Kind, target);
}

void SkinChildControls(TAppSkinForm& form) {
    if (TCustomForm* f = form.Form()) {
        MatchComponents(form, f);
        std::vector<TWinControl*> order;
        f->GetTabOrderList(order);
        for (TWinControl* c : order)
            if (!Handled(form, c)) MatchControl(form, c, f);
        return;
    }
    HWND window = form.Window();
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongPtrW(child, GWL_STYLE) & WS_CHILD) MatchWindow(form, child);
}
