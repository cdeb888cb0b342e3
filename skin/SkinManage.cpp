#include "SkinManage.h"

#include "AppSkinData.h"
#include "AppSkinForm.h"
#include "AppSkinPopMenu.h"
#include "SkinMenuRules.h"
#include "SkinFrameRules.h"
#include "WindowSubclass.h"

#include "Forms.h"

#include <algorithm>

namespace {

TSkinManage* manager = nullptr;
bool engineEnabled = true;

}  // namespace

TSkinManage* SkinManager() { return manager; }

TSkinManage* EnsureSkinManager() {
    if (!manager) manager = new TSkinManage;
    return manager;
}

void FreeSkinManager() {
    TSkinManage* m = manager;
    if (!m) return;
    delete m;
    manager = nullptr;
}

bool SkinEngineEnabled() { return engineEnabled; }
void SetSkinEngineEnabled(bool enabled) { engineEnabled = enabled; }

TSkinManage::TSkinManage() = default;

TSkinManage::~TSkinManage() {
    State = msShuttingDown;
    Active = false;
    for (UINT_PTR* t : {&timer_, &childTimer_, &deadTimer_}) {
        if (*t) KillTimer(nullptr, *t);
        *t = 0;
    }
    UnskinAll();
    for (auto& p : popups_) p->DetachMenu();
    popups_.clear();
    retiredPopups_.clear();
    if (hook_) UnhookWindowsHookEx(hook_);
    hook_ = nullptr;
}

void TSkinManage::InstallHook() {
    if (hook_) return;
    hook_ = SetWindowsHookExW(WH_CBT, CbtProcedure, nullptr, GetCurrentThreadId());
}

void TSkinManage::RegisterSkinData(TSkinData* data) {
    if (std::find(datas_.begin(), datas_.end(), data) != datas_.end()) return;
    datas_.push_back(data);
    if (!MainData && data->SkinFormtype == sfMainform) MainData = data;
}

void TSkinManage::UnregisterSkinData(TSkinData* data) {
    datas_.erase(std::remove(datas_.begin(), datas_.end(), data), datas_.end());
    if (MainData == data) MainData = nullptr;
    if (RequestingData == data) RequestingData = nullptr;
    // Skinners of this component's skin give their windows back before the skin goes.
    for (std::size_t i = forms_.size(); i-- > 0;) {
        if (forms_[i]->SkinData() != data) continue;
        std::unique_ptr<TAppSkinForm> form = std::move(forms_[i]);
        forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(i));
        if (form->State != TAppSkinForm::fsDead) form->Unskin();
    }
}

TAppSkinForm* TSkinManage::FindForm(HWND window) const {
    for (const auto& f : forms_)
        if (f->Window() == window && f->State != TAppSkinForm::fsDead) return f.get();
    return nullptr;
}

TControl* TSkinManage::FindControl(HWND window) const {
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* form = Screen->Forms(i);
            if (form->HandleAllocated() && form->Handle() == window) return form;
        }
    return ::FindControl(window);
}

bool TSkinManage::AskFormSkin(HWND window, const String& className) const {
    bool doSkin = true;
    if (MainData) {
        if ((MainData->Options & SkinBit(xoPreview)) == 0 && skinrules::IsPreviewClass(className)) doSkin = false;
        MainData->FormSkinQuery(window, className, doSkin);
    }
    return doSkin;
}

TSkinData* TSkinManage::ChooseSkinData(HWND window) const {
    std::vector<skinrules::TSkinDataFacts> facts;
    for (TSkinData* d : datas_) {
        auto* owner = dynamic_cast<TCustomForm*>(d->Owner());
        facts.push_back({static_cast<int>(d->SkinFormtype), owner && owner->HandleAllocated() && owner->Handle() == window});
    }
    const int index = skinrules::ChooseSkinData(facts, WindowClassName(window));
    return index < 0 ? nullptr : datas_[static_cast<std::size_t>(index)];
}

bool TSkinManage::SkinWindow(HWND window) {
    if (!Active || State == msShuttingDown) return false;
    PurgeForms();
    if (!IsWindow(window)) return false;
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_STYLE));
    const auto exStyle = static_cast<std::uint32_t>(GetWindowLongW(window, GWL_EXSTYLE));
    skinrules::TWindowFacts facts;
    facts.ManagerActive = true;
    facts.AlreadySkinned = FindForm(window) || SendMessageW(window, SM_ISSKINNED, 0, 0) == 1;
    TControl* control = FindControl(window);
    facts.SkinningAll = SkinningAll;
    facts.PlainChild = skinrules::IsPlainChild(style, exStyle, WindowClassName(GetParent(window)));
    facts.HasControl = control != nullptr;
    facts.SameModule = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE)) == GetModuleHandleW(nullptr);
    facts.ClassName = WindowClassName(window);
    RECT box{};
    GetWindowRect(window, &box);
    facts.HasArea = box.right > box.left && box.bottom > box.top;
    facts.MDIChild = (exStyle & skinrules::ExStyleMDIChild) != 0;
    facts.ControlTag = control ? static_cast<int>(control->Tag()) : 0;
    if (!skinrules::WindowQualifies(facts)) return false;
    if (!AskFormSkin(window, facts.ClassName)) return false;
    TSkinData* data = ChooseSkinData(window);
    if (!data || data->SkinEmpty()) return false;
    auto form = std::make_unique<TAppSkinForm>(this, data, dynamic_cast<TCustomForm*>(control));
    if (!form->AttachWindow(window)) return false;
    forms_.push_back(std::move(form));
    PostMessageW(window, SM_START, 0, 1000);
    return true;
}

bool TSkinManage::SkinForm(TCustomForm* form) {
    if (!form || !form->Visible() || !form->HandleAllocated()) return false;
    if ((GetWindowLongW(form->Handle(), GWL_STYLE) & WS_CHILD) != 0) return false;
    return SkinWindow(form->Handle());
}

void TSkinManage::SkinPopupMenu(HWND window) {
    if (!Active || State == msShuttingDown || IsPopupSkinned(window)) return;
    retiredPopups_.clear();
    TSkinData* data = ChooseSkinData(window);
    if (!data || data->SkinEmpty()) return;
    const TSkinControlTypes set = data->SkinControls;
    if (!skinrules::PopupKindSkinned(MenuKind, (set & SkinBit(xcPopupMenu)) != 0, (set & SkinBit(xcMainMenu)) != 0,
                                     (set & SkinBit(xcMenuItem)) != 0, (set & SkinBit(xcSystemMenu)) != 0))
        return;
    auto popup = std::make_unique<TAppSkinPopMenu>(this);
    if (!popup->AttachMenu(window, data, nullptr)) return;
    popup->FromBar = MenuFromBar;
    popups_.push_back(std::move(popup));
}

bool TSkinManage::ReleasePopupMenu(HWND window) {
    for (auto it = popups_.begin(); it != popups_.end(); ++it) {
        if ((*it)->Window() != window) continue;
        (*it)->DetachMenu();
        retiredPopups_.push_back(std::move(*it));
        popups_.erase(it);
        if (popups_.empty()) {
            MenuFromBar = false;
            MenuKind = 0;
        }
        return true;
    }
    return false;
}

bool TSkinManage::IsPopupSkinned(HWND window) const {
    for (const auto& p : popups_)
        if (p->Window() == window) return true;
    return false;
}

void TSkinManage::MarkPopupsFromBar() {
    for (auto& p : popups_) p->FromBar = true;
}

void TSkinManage::BindPopupMenu(HMENU menu) {
    if (!menu || PopupOf(menu)) return;
    for (auto it = popups_.rbegin(); it != popups_.rend(); ++it)
        if (!(*it)->Menu) {
            (*it)->Menu = menu;
            return;
        }
}

TAppSkinPopMenu* TSkinManage::PopupOf(HMENU menu) const {
    if (!menu) return nullptr;
    for (const auto& p : popups_)
        if (p->Menu == menu) return p.get();
    return nullptr;
}

TBitmap* TSkinManage::PopupBitmap(HMENU menu) const {
    TAppSkinPopMenu* p = PopupOf(menu);
    return p ? p->Background() : nullptr;
}

void TSkinManage::SetMDIMaximized(bool flag) {
    if (flag == MDIMaximized) return;
    MDIMaximized = flag;
    if (MainData && (MainData->Options & SkinBit(xoMDIChildBorder)) != 0) return;
    for (const auto& f : forms_) {
        if (f->Kind != TAppSkinForm::wkMDIChild || f->State == TAppSkinForm::fsDead) continue;
        if (flag) f->SetMaximizedChildMode(true);
        else if (!IsZoomed(f->Window())) f->SetMaximizedChildMode(false);
    }
}

void TSkinManage::PostAction(int code, int intervalMs) {
    Action = code;
    if (State != msNotActivated) {
        timer_ = SetTimer(nullptr, timer_, static_cast<UINT>(std::max(intervalMs, 1)), TimerProcedure);
        return;
    }
    if (code == saSkin) Active = true;
    else if (code == saUnskin) Active = false;
}

std::unique_ptr<TAppSkinForm> TSkinManage::Take(TAppSkinForm* form) {
    for (auto it = forms_.begin(); it != forms_.end(); ++it)
        if (it->get() == form) {
            std::unique_ptr<TAppSkinForm> taken = std::move(*it);
            forms_.erase(it);
            return taken;
        }
    return nullptr;
}

void TSkinManage::UnskinAll() {
    Active = false;
    while (!forms_.empty()) {
        std::unique_ptr<TAppSkinForm> form = std::move(forms_.back());
        forms_.pop_back();
        if (form->State != TAppSkinForm::fsDead && form->Attached()) form->Unskin();
    }
}

void TSkinManage::PurgeForms() {
    if (State == msShuttingDown) return;
    for (std::size_t i = forms_.size(); i-- > 0;) {
        TAppSkinForm* f = forms_[i].get();
        if (f->State == TAppSkinForm::fsDead || !f->Attached() || !IsWindow(f->Window()))
            forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TSkinManage::FreeDeadForms() {
    if (State == msShuttingDown) return;
    forms_.erase(std::remove_if(forms_.begin(), forms_.end(),
                                [](const auto& f) { return f->State == TAppSkinForm::fsDead; }),
                 forms_.end());
}

void TSkinManage::FormDied() {
    if (State == msShuttingDown) return;
    deadTimer_ = SetTimer(nullptr, deadTimer_, 1, TimerProcedure);
}

void TSkinManage::SkinPendingChildren() {
    std::vector<HWND> windows;
    windows.swap(pendingChildren_);
    for (HWND w : windows)
        if (IsWindow(w)) SkinWindow(w);
}

void CALLBACK TSkinManage::TimerProcedure(HWND, UINT, UINT_PTR id, DWORD) {
    TSkinManage* m = manager;
    if (!m) {
        KillTimer(nullptr, id);
        return;
    }
    if (id == m->deadTimer_) {
        KillTimer(nullptr, id);
        m->deadTimer_ = 0;
        m->FreeDeadForms();
    } else if (id == m->childTimer_) {
        KillTimer(nullptr, id);
        m->childTimer_ = 0;
        m->SkinPendingChildren();
    } else if (id == m->timer_) {
        KillTimer(nullptr, id);
        m->timer_ = 0;
        m->RunAction();
    } else {
        KillTimer(nullptr, id);
    }
}

void TSkinManage::RunAction() {
    TSkinData* data = RequestingData;
    if (!data) return;
    const bool onlyThis = data->SkinFormtype == sfOnlyThisForm;
    auto* ownForm = dynamic_cast<TCustomForm*>(data->Owner());
    switch (Action) {
    case saSkin:
        Active = true;
        SkinningAll = true;
        PurgeForms();
        if (onlyThis) SkinForm(ownForm);
        else if (Screen)
            for (int i = Screen->FormCount() - 1; i >= 0; --i) SkinForm(Screen->Forms(i));
        SkinningAll = false;
        break;
    case saUnskin:
        Active = false;
        PurgeForms();
        for (std::size_t i = 0; i < forms_.size();) {
            if (onlyThis && forms_[i]->Form() != ownForm) {
                ++i;
                continue;
            }
            std::unique_ptr<TAppSkinForm> form = std::move(forms_[i]);
            forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(i));
            form->Unskin();
        }
        break;
    case saRefresh:
        PurgeForms();
        for (const auto& f : forms_)
            if (f->SkinData() == data) {
                f->Refresh();
                if (onlyThis) break;
            }
        break;
    case saPurge: FreeDeadForms(); break;
    case saReskin:
        if (onlyThis) break;
        if (TAppSkinForm* f = FindForm(ReskinWindow)) {
            std::unique_ptr<TAppSkinForm> taken = Take(f);
            taken->Unskin();
        }
        SkinWindow(ReskinWindow);
        return;
    default: break;
    }
    RequestingData = nullptr;
    data->SkinChanged();
}

LRESULT CALLBACK TSkinManage::CbtProcedure(int code, WPARAM wParam, LPARAM lParam) {
    TSkinManage* m = manager;
    if (code >= 0 && m && m->State != msShuttingDown) {
        auto window = reinterpret_cast<HWND>(wParam);
        if (code == HCBT_CREATEWND) {
            const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
            if (create->lpcs && (create->lpcs->style & WS_CHILD) == 0 && WindowClassName(window) == "#32768")
                m->SkinPopupMenu(window);
            // An MDI child is skinned once it exists: during this call neither its control nor its
            // final placement is known yet.
            if (create->lpcs && (create->lpcs->dwExStyle & WS_EX_MDICHILD) != 0) {
                m->pendingChildren_.push_back(window);
                m->childTimer_ = SetTimer(nullptr, m->childTimer_, 1, TimerProcedure);
            }
        } else if (code == HCBT_DESTROYWND) {
            // The kind of menu asked for lasts until its window goes, skinned or not.
            if (!m->ReleasePopupMenu(window) && m->popups_.empty() && WindowClassName(window) == "#32768") {
                m->MenuKind = 0;
                m->MenuFromBar = false;
            }
        } else if (code == HCBT_ACTIVATE) {
            if (m->State == msNotActivated) m->State = msRunning;
            m->SkinWindow(window);
        }
    }
    return CallNextHookEx(m ? m->hook_ : nullptr, code, wParam, lParam);
}
