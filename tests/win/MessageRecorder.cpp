#include "MessageRecorder.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr UINT kMarker = WM_APP + 0x3FF;

thread_local TMessageRecorder* tQueueRecorder = nullptr;

LRESULT CALLBACK QueueHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && tQueueRecorder) {
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        tQueueRecorder->Record(msg->hwnd, String(), msg->message, msg->wParam, msg->lParam, Posted);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int NotificationId(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
    case CN_COMMAND:
        return HIWORD(wParam);
    case WM_NOTIFY:
    case CN_NOTIFY: {
        TMessage m{msg, wParam, lParam, 0};
        const NMHDR* header = ReflectedNotifyHeader(m);
        return header ? static_cast<int>(header->code) : 0;
    }
    default:
        return 0;
    }
}

String Hex(unsigned long long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llx", value);
    return buffer;
}

String KindText(unsigned kind) {
    String text = (kind & Posted) ? "posted" : (kind & Sent) ? "sent" : "-";
    if (kind & Parent)
        text += "|parent";
    return text;
}

}  // namespace

// A control's WindowProc replaced by the recorder; it learns of the control's end by a free
// notification, so detaching never touches a freed control.
struct TMessageRecorder::THook : public TComponent {
    THook(TMessageRecorder* recorder, TControl* control, bool parent)
        : TComponent(nullptr), recorder_(recorder), control_(control), parent_(parent) {}

    void Install() {
        old_ = control_->WindowProc;
        control_->WindowProc = Event<&THook::Proc>(this);
        control_->FreeNotification(this);
    }
    void Remove() {
        if (!control_)
            return;
        if (control_->WindowProc == Event<&THook::Proc>(this))
            control_->WindowProc = old_;
        control_->RemoveFreeNotification(this);
        control_ = nullptr;
    }
    void Proc(TMessage& m) {
        TControl* control = control_;
        HWND window = nullptr;
        if (auto* win = dynamic_cast<TWinControl*>(control))
            window = win->WindowHandle();
        recorder_->Record(window, control->Name().empty() ? control->ClassName() : control->Name(), m.Msg, m.WParam,
                          m.LParam, Sent | (parent_ ? unsigned{Parent} : 0u));
        old_(m);
    }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == control_)
            control_ = nullptr;
    }

    TMessageRecorder* recorder_;
    TControl* control_;
    bool parent_;
    TWndMethod old_;
};

struct TMessageRecorder::TWindowHook {
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
        auto* hook = reinterpret_cast<TWindowHook*>(data);
        hook->recorder->Record(window, hook->name, msg, wParam, lParam, Sent | (hook->parent ? unsigned{Parent} : 0u));
        if (msg == WM_NCDESTROY) {
            RemoveWindowSubclass(window, &TWindowHook::Proc, 1);
            hook->window = nullptr;
        }
        return DefSubclassProc(window, msg, wParam, lParam);
    }

    TMessageRecorder* recorder = nullptr;
    HWND window = nullptr;
    String name;
    bool parent = false;
};

TMessageRecorder::TMessageRecorder() {
    ignored_ = {WM_PAINT, WM_NCPAINT, WM_ERASEBKGND, WM_NCHITTEST, WM_SETCURSOR, WM_GETICON, WM_GETOBJECT,
                WM_IME_SETCONTEXT, WM_IME_NOTIFY, WM_TIMER, WM_ENTERIDLE, WM_CHANGEUISTATE, WM_UPDATEUISTATE,
                WM_QUERYUISTATE, WM_NCMOUSEMOVE, WM_NCMOUSELEAVE, WM_DEVICECHANGE, WM_CTLCOLORBTN,
                WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT, WM_CTLCOLORDLG, CN_CTLCOLORBTN, CN_CTLCOLORSTATIC,
                CN_CTLCOLOREDIT, CN_CTLCOLORDLG, CM_INVALIDATE, 0x0093 /* WM_UAHINITMENU and friends */,
                0x0094, 0x0095, 0x0096, 0x00AE};
}

TMessageRecorder::~TMessageRecorder() {
    DetachAll();
}

void TMessageRecorder::Attach(TControl* control, bool asParent) {
    auto hook = std::make_unique<THook>(this, control, asParent);
    hook->Install();
    hooks_.push_back(std::move(hook));
}

void TMessageRecorder::AttachWindow(HWND window, bool asParent) {
    auto hook = std::make_unique<TWindowHook>();
    hook->recorder = this;
    hook->window = window;
    hook->parent = asParent;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    hook->name = FromWide(className);
    SetWindowSubclass(window, &TWindowHook::Proc, 1, reinterpret_cast<DWORD_PTR>(hook.get()));
    windowHooks_.push_back(std::move(hook));
}

void TMessageRecorder::Detach(TControl* control) {
    for (auto it = hooks_.begin(); it != hooks_.end(); ++it)
        if ((*it)->control_ == control) {
            (*it)->Remove();
            hooks_.erase(it);
            return;
        }
}

void TMessageRecorder::DetachAll() {
    // Later hooks first, so that each restores what it found.
    while (!hooks_.empty()) {
        hooks_.back()->Remove();
        hooks_.pop_back();
    }
    for (auto& hook : windowHooks_)
        if (hook->window && IsWindow(hook->window))
            RemoveWindowSubclass(hook->window, &TWindowHook::Proc, 1);
    windowHooks_.clear();
    if (queueHook_) {
        UnhookWindowsHookEx(queueHook_);
        queueHook_ = nullptr;
        tQueueRecorder = nullptr;
    }
}

void TMessageRecorder::WatchQueue() {
    if (queueHook_)
        return;
    tQueueRecorder = this;
    queueHook_ = SetWindowsHookExW(WH_GETMESSAGE, QueueHook, nullptr, GetCurrentThreadId());
}

void TMessageRecorder::Ignore(std::initializer_list<UINT> messages) {
    ignored_.insert(messages.begin(), messages.end());
}

void TMessageRecorder::Keep(std::initializer_list<UINT> messages) {
    for (UINT m : messages)
        ignored_.erase(m);
}

void TMessageRecorder::Only(std::initializer_list<UINT> messages) {
    only_.insert(messages.begin(), messages.end());
}

bool TMessageRecorder::Wanted(UINT msg) const {
    if (msg == kMarker)
        return true;
    if (!only_.empty())
        return only_.count(msg) != 0;
    return ignored_.count(msg) == 0;
}

void TMessageRecorder::Record(HWND window, const String& name, UINT msg, WPARAM wParam, LPARAM lParam,
                              unsigned kind) {
    if (!Wanted(msg))
        return;
    String who = name;
    if (kind & Posted) {
        // Only the attached windows' queue messages count.
        bool attached = false;
        for (auto& hook : hooks_)
            if (auto* win = dynamic_cast<TWinControl*>(hook->control_); win && win->WindowHandle() == window) {
                attached = true;
                who = win->Name();
                if (hook->parent_)
                    kind |= Parent;
            }
        for (auto& hook : windowHooks_)
            if (hook->window == window) {
                attached = true;
                who = hook->name;
                if (hook->parent)
                    kind |= Parent;
            }
        if (!attached)
            return;
    }
    entries_.push_back({msg, kind, wParam, lParam, NotificationId(msg, wParam, lParam), who});
}

void TMessageRecorder::Mark(const char* label) {
    marks_.push_back(label);
    entries_.push_back({kMarker, Sent, marks_.size() - 1, 0, 0, label});
}

int TMessageRecorder::Count(UINT msg) const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [msg](const TRecordedMessage& e) { return e.msg == msg; }));
}

String TMessageRecorder::Listing() const {
    String text;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const TRecordedMessage& e = entries_[i];
        text += "  " + std::to_string(i) + ": ";
        if (e.msg == kMarker) {
            text += "---- " + e.window + "\n";
            continue;
        }
        text += KindText(e.kind) + " " + MessageName(e.msg) + " wParam=" + Hex(e.wParam) +
                " lParam=" + Hex(static_cast<unsigned long long>(e.lParam)) + " id=" + std::to_string(e.id) +
                " [" + e.window + "]\n";
    }
    return text;
}

::testing::AssertionResult TMessageRecorder::Matches(std::span<const TMsgEntry> expected) const {
    auto kindOf = [](unsigned flags) { return flags & (Sent | Posted | Parent); };
    auto same = [&](const TMsgEntry& want, const TRecordedMessage& got) {
        if (want.msg != got.msg)
            return false;
        const unsigned kind = kindOf(want.flags);
        if ((kind & Parent) != (got.kind & Parent))
            return false;
        if ((kind & (Sent | Posted)) && (kind & (Sent | Posted)) != (got.kind & (Sent | Posted)))
            return false;
        if ((want.flags & WParam) && want.wParam != got.wParam)
            return false;
        if ((want.flags & LParam) && want.lParam != got.lParam)
            return false;
        if ((want.flags & Id) && want.id != got.id)
            return false;
        return true;
    };
    std::vector<const TRecordedMessage*> actual;
    for (const TRecordedMessage& e : entries_)
        if (e.msg != kMarker)
            actual.push_back(&e);
    std::size_t i = 0;
    String problem;
    for (std::size_t j = 0; j < expected.size() && problem.empty(); ++j) {
        const TMsgEntry& want = expected[j];
        if (i < actual.size() && same(want, *actual[i])) {
            ++i;
            continue;
        }
        if (want.flags & Optional)
            continue;
        problem = "expected entry " + std::to_string(j) + " (" + MessageName(want.msg) + ") " +
                  (i < actual.size() ? "but got " + MessageName(actual[i]->msg) + " at " + std::to_string(i)
                                     : String("but the sequence ended"));
    }
    if (problem.empty() && i < actual.size())
        problem = "unexpected " + MessageName(actual[i]->msg) + " at " + std::to_string(i) + " after the expected end";
    if (problem.empty())
        return ::testing::AssertionSuccess();
    String want;
    for (std::size_t j = 0; j < expected.size(); ++j)
        want += "  " + std::to_string(j) + ": " + KindText(expected[j].flags) + " " + MessageName(expected[j].msg) +
                ((expected[j].flags & Id) ? " id=" + std::to_string(expected[j].id) : String()) +
                ((expected[j].flags & Optional) ? " (optional)" : String()) + "\n";
    return ::testing::AssertionFailure() << problem << "\nexpected:\n" << want << "recorded:\n" << Listing();
}
