// TSkinManage: the one coordinator of window skinning in the process. A thread hook on the GUI
// thread watches windows being created, activated and destroyed; the manager decides which of them
// get a form skinner (TAppSkinForm) and runs the skin-wide actions (skin all, unskin all, refresh)
// from a timer, outside the message that asked for them.
//
// The first skin component of type sfMainform that finishes loading makes the manager
// (EnsureSkinManager) and installs the hook; FreeSkinManager ends it before the forms go.
//
// Popup-menu windows (class "#32768") get a TAppSkinPopMenu as they are created, when the kind of
// menu that opens (MenuKind, set by whoever opens it) is in the skin's control set; the item
// painter asks the manager for the popup of a menu handle to draw item backgrounds that match.
// Under Wine the popup window is created before its owner hears WM_INITMENUPOPUP, so the kind is
// set before the menu is tracked, not from that message.
#pragma once

#include "WinApi.h"

#include "SysUtils.h"

#include <memory>
#include <vector>

class TSkinData;
class TAppSkinForm;
class TControl;
class TCustomForm;
class TAppSkinPopMenu;
class TBitmap;

// The engine's own window messages.
constexpr UINT SM_REFRESHFORM = 0x3401;     // to a skinned form: refresh its skin
constexpr UINT SM_PAINTFRAME = 0x3502;      // repaint the non-client area now
constexpr UINT SM_START = 0x3503;           // posted after attaching: start skinning
constexpr UINT SM_CUSTOMACTION = 0x3514;    // wParam: a caption button's unknown action
constexpr UINT SM_ASKVISIBLE = 0x3515;      // wParam: visibility code, lParam: action; > 0 visible
constexpr UINT SM_REDRAWCLIENT = 0x3516;    // to an MDI client: redraw it and its children
constexpr UINT SM_RESKINCONTROL = 0x3517;   // wParam: a control's old window: its skinner is replaced
constexpr UINT SM_ISSKINNED = 0x3523;       // answered 1 by a skinned window
constexpr UINT SM_PAINTFRAMETO = 0xBC4B;    // wParam: DC; lParam SM_MAGIC: paint the frame into it
constexpr LPARAM SM_MAGIC = 16802;

class TSkinManage {
public:
    TSkinManage();
    ~TSkinManage();

    enum TState { msNotActivated = 0, msRunning = 1, msShuttingDown = 4 };
    enum TAction { saSkin = 1, saUnskin = 2, saRefresh = 3, saPurge = 6, saReskin = 7 };

    void InstallHook();
    void RegisterSkinData(TSkinData* data);
    void UnregisterSkinData(TSkinData* data);

    bool SkinWindow(HWND window);
    bool SkinForm(TCustomForm* form);
    TAppSkinForm* FindForm(HWND window) const;
    // Finds the platform form of the window, else the control that owns it, else nullptr.
    TControl* FindControl(HWND window) const;
    TSkinData* ChooseSkinData(HWND window) const;
    bool AskFormSkin(HWND window, const String& className) const;

    // Popup-menu windows.
    void SkinPopupMenu(HWND window);
    bool ReleasePopupMenu(HWND window);
    bool IsPopupSkinned(HWND window) const;
    int PopupCount() const { return static_cast<int>(popups_.size()); }
    void MarkPopupsFromBar();
    // Gives `menu` to the newest popup without a menu, unless a popup already shows it.
    void BindPopupMenu(HMENU menu);
    // The popup that shows `menu`, or nullptr.
    TAppSkinPopMenu* PopupOf(HMENU menu) const;
    TBitmap* PopupBitmap(HMENU menu) const;

    void SetMDIMaximized(bool flag);
    // The pending action replaces any earlier one; before the first activation codes 1 and 2 only
    // switch skinning on or off.
    void PostAction(int code, int intervalMs);
    void UnskinAll();
    void PurgeForms();
    void FreeDeadForms();
    // A form skinner whose window is gone asks to be freed soon (outside its window's messages).
    void FormDied();
    int FormCount() const { return static_cast<int>(forms_.size()); }
    int SkinDataCount() const { return static_cast<int>(datas_.size()); }

    bool Active = false;
    bool SkinningAll = false;
    int State = msNotActivated;
    bool MDIMaximized = false;
    int MenuKind = 0;          // of the menu that opens next: 0 popup, 1 menu-bar drop-down, 2 system menu
    bool MenuFromBar = false;  // the menu bar is opening a drop-down
    int Action = 0;
    TSkinData* RequestingData = nullptr;
    TSkinData* MainData = nullptr;
    HWND ReskinWindow = nullptr;
    HWND MDIClient = nullptr;   // the MDI client of the main form, once a frame is skinned
    HWND MainWindow = nullptr;  // the MDI frame

private:
    static LRESULT CALLBACK CbtProcedure(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProcedure(HWND, UINT, UINT_PTR id, DWORD);
    void RunAction();
    void SkinPendingChildren();
    std::unique_ptr<TAppSkinForm> Take(TAppSkinForm* form);

    HHOOK hook_ = nullptr;
    UINT_PTR timer_ = 0;
    UINT_PTR childTimer_ = 0;
    UINT_PTR deadTimer_ = 0;
    std::vector<HWND> pendingChildren_;
    std::vector<std::unique_ptr<TAppSkinForm>> forms_;
    std::vector<std::unique_ptr<TAppSkinPopMenu>> popups_;
    // Released popup skinners, freed at the next release or creation (a release may come while
    // the skinner's own procedure is running).
    std::vector<std::unique_ptr<TAppSkinPopMenu>> retiredPopups_;
    std::vector<TSkinData*> datas_;
};

// The manager, or nullptr before the first skin component made it.
TSkinManage* SkinManager();
TSkinManage* EnsureSkinManager();
void FreeSkinManager();

// Whether skin components may start the engine (on by default; test programs of other parts turn
// it off so that their windows stay unskinned).
bool SkinEngineEnabled();
void SetSkinEngineEnabled(bool enabled);
