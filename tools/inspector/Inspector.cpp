// Lists what the windows of the desktop show, as a screen reader sees them: every visible top-level
// window with all its children, and the items of the standard controls that hold items. Run in the
// same Wine prefix and display as the program it looks at.
//
//   inspector.exe [--all]      --all also lists hidden top-level windows
//   inspector.exe --clipboard  prints the clipboard's text (UTF-8, lines as they are) and nothing else
//
// One line per window or item, fields separated by tabs, the text last (tabs and line breaks in it
// written as \t and \n):
//   window  HWND  CLASS  X  Y  W  H  FLAGS  PARENT  ROOT  TEXT
//   item    HWND  KIND   X  Y  W  H  FLAGS  INDEX   ROOT  TEXT
// HWND is the window (for an item, the control that holds it), hexadecimal. X Y W H is the screen
// rectangle (0 0 0 0 for an item that is not shown). FLAGS is a comma list: visible or hidden,
// disabled, focused, active, capture (the window has the mouse), skinned (the program's skin draws
// it), and for items selected, expanded, checked, pressed, dropdown. PARENT is the
// parent window (0 for a top-level one), ROOT the top-level window the line belongs to. KIND is listbox, combo, tree, list, status or toolbar;
// INDEX is the item's position, for a tree item its depth and position ("2.5" = level 2, the fifth
// item in display order).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        if (c == L'\t') {
            out += "\\t";
            continue;
        }
        if (c == L'\n') {
            out += "\\n";
            continue;
        }
        if (c == L'\r')
            continue;
        if (c == L'\\') {
            out += "\\\\";
            continue;
        }
        char bytes[8];
        // Surrogate pairs are rare in window texts; each half converts to U+FFFD then.
        const int n = WideCharToMultiByte(CP_UTF8, 0, &c, 1, bytes, sizeof bytes, nullptr, nullptr);
        out.append(bytes, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    return out;
}

std::string Hex(const void* handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle)));
    return text;
}

void Emit(const std::string& line) {
    static HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const std::string withEnd = line + "\n";
    DWORD written = 0;
    WriteFile(out, withEnd.data(), static_cast<DWORD>(withEnd.size()), &written, nullptr);
}

struct Box {
    LONG x = 0, y = 0, w = 0, h = 0;
};

Box ScreenBox(HWND window, RECT client) {
    POINT corner{client.left, client.top};
    ClientToScreen(window, &corner);
    return Box{corner.x, corner.y, client.right - client.left, client.bottom - client.top};
}

std::string Fields(const Box& box) {
    return std::to_string(box.x) + "\t" + std::to_string(box.y) + "\t" + std::to_string(box.w) + "\t" +
           std::to_string(box.h);
}

void EmitItem(HWND control, const char* kind, const Box& box, const std::string& flags, const std::string& index,
              const std::wstring& text) {
    Emit("item\t" + Hex(control) + "\t" + kind + "\t" + Fields(box) + "\t" + (flags.empty() ? "-" : flags) + "\t" +
         index + "\t" + Hex(GetAncestor(control, GA_ROOT)) + "\t" + Utf8(text));
}

void AddFlag(std::string& flags, bool on, const char* name) {
    if (!on)
        return;
    if (!flags.empty())
        flags += ",";
    flags += name;
}

// A block of memory in the process that owns a window, for messages that carry pointers.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, SIZE_T size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_)
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Ok() const { return address_ != nullptr; }
    char* At(SIZE_T offset) const { return static_cast<char*>(address_) + offset; }
    LPARAM Param(SIZE_T offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const {
        return offset + size <= size_ && WriteProcessMemory(process_, At(offset), data, size, nullptr);
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const {
        return offset + size <= size_ && ReadProcessMemory(process_, At(offset), data, size, nullptr);
    }
    std::wstring ReadText(SIZE_T offset, SIZE_T chars) const {
        std::vector<wchar_t> text(chars + 1, L'\0');
        if (!Read(offset, text.data(), chars * sizeof(wchar_t)))
            return std::wstring();
        text[chars] = L'\0';
        return std::wstring(text.data());
    }

private:
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
    SIZE_T size_;
};

constexpr SIZE_T kTextChars = 1024;
constexpr SIZE_T kTextOffset = 4096;  // texts go after the structure
constexpr SIZE_T kBufferSize = kTextOffset + (kTextChars + 1) * sizeof(wchar_t);

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result))
        return 0;
    return static_cast<LRESULT>(result);
}

// ---- Controls with items ------------------------------------------------------------------------

void ListBoxItems(HWND box) {
    const LRESULT count = Send(box, LB_GETCOUNT);
    const LRESULT caret = Send(box, LB_GETCARETINDEX);
    const bool multiple = (GetWindowLongW(box, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
    const LRESULT current = Send(box, LB_GETCURSEL);
    RECT client{};
    GetClientRect(box, &client);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text;
        const LRESULT length = Send(box, LB_GETTEXTLEN, i);
        if (length >= 0 && length < 4096) {
            text.assign(static_cast<std::size_t>(length) + 1, L'\0');
            Send(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            text.resize(wcslen(text.c_str()));
        }
        RECT r{};
        Send(box, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        const bool shown = r.bottom > client.top && r.top < client.bottom;
        const bool selected = multiple ? Send(box, LB_GETSEL, i) > 0 : i == current;
        std::string flags;
        AddFlag(flags, shown, "visible");
        AddFlag(flags, !shown, "hidden");
        AddFlag(flags, selected, "selected");
        AddFlag(flags, multiple && i == caret, "focused");
        EmitItem(box, "listbox", shown ? ScreenBox(box, r) : Box{}, flags, std::to_string(i), text);
    }
}

void ComboItems(HWND combo) {
    const LRESULT count = Send(combo, CB_GETCOUNT);
    const LRESULT current = Send(combo, CB_GETCURSEL);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text;
        const LRESULT length = Send(combo, CB_GETLBTEXTLEN, i);
        if (length >= 0 && length < 4096) {
            text.assign(static_cast<std::size_t>(length) + 1, L'\0');
            Send(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            text.resize(wcslen(text.c_str()));
        }
        std::string flags = "hidden";
        AddFlag(flags, i == current, "selected");
        // The dropped-down list is a window of its own (class ComboLBox) with its rectangles.
        EmitItem(combo, "combo", Box{}, flags, std::to_string(i), text);
    }
}

void TreeItems(HWND tree) {
    RemoteBuffer remote(tree, kBufferSize);
    if (!remote.Ok())
        return;
    const auto selected = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    int position = 0;
    // Depth-first, in display order.
    struct Pending {
        HTREEITEM item;
        int level;
    };
    std::vector<Pending> stack;
    if (auto root = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)))
        stack.push_back({root, 1});
    std::vector<Pending> siblings;
    while (!stack.empty()) {
        const Pending at = stack.back();
        stack.pop_back();
        TVITEMW item{};
        item.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN | TVIF_HANDLE;
        item.hItem = at.item;
        item.stateMask = TVIS_SELECTED | TVIS_EXPANDED | TVIS_STATEIMAGEMASK;
        item.pszText = reinterpret_cast<LPWSTR>(remote.At(kTextOffset));
        item.cchTextMax = static_cast<int>(kTextChars);
        std::wstring text;
        if (remote.Write(0, &item, sizeof item) && Send(tree, TVM_GETITEMW, 0, remote.Param())) {
            remote.Read(0, &item, sizeof item);
            text = remote.ReadText(kTextOffset, kTextChars);
        }
        RECT r{};
        std::memcpy(&r, &at.item, sizeof at.item);  // the message takes the item in the rectangle
        const bool shown = remote.Write(0, &r, sizeof r) && Send(tree, TVM_GETITEMRECT, TRUE, remote.Param()) &&
                           remote.Read(0, &r, sizeof r);
        std::string flags;
        AddFlag(flags, shown, "visible");
        AddFlag(flags, !shown, "hidden");
        AddFlag(flags, at.item == selected, "selected");
        AddFlag(flags, (item.state & TVIS_EXPANDED) != 0, "expanded");
        AddFlag(flags, item.cChildren != 0, "children");
        EmitItem(tree, "tree", shown ? ScreenBox(tree, r) : Box{}, flags,
                 std::to_string(at.level) + "." + std::to_string(position++), text);
        // Children first, then the next sibling.
        if (auto next = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(at.item))))
            stack.push_back({next, at.level});
        if (auto child = reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(at.item))))
            stack.push_back({child, at.level + 1});
    }
}

void ListViewItems(HWND list) {
    RemoteBuffer remote(list, kBufferSize);
    if (!remote.Ok())
        return;
    const LRESULT count = Send(list, LVM_GETITEMCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = reinterpret_cast<LPWSTR>(remote.At(kTextOffset));
        item.cchTextMax = static_cast<int>(kTextChars);
        std::wstring text;
        if (remote.Write(0, &item, sizeof item) && Send(list, LVM_GETITEMTEXTW, i, remote.Param()) > 0)
            text = remote.ReadText(kTextOffset, kTextChars);
        RECT r{};
        r.left = LVIR_BOUNDS;
        const bool measured = remote.Write(0, &r, sizeof r) && Send(list, LVM_GETITEMRECT, i, remote.Param()) &&
                              remote.Read(0, &r, sizeof r);
        RECT client{};
        GetClientRect(list, &client);
        const bool shown = measured && r.bottom > client.top && r.top < client.bottom && r.right > client.left &&
                           r.left < client.right;
        const LRESULT state = Send(list, LVM_GETITEMSTATE, i, LVIS_SELECTED | LVIS_FOCUSED);
        std::string flags;
        AddFlag(flags, shown, "visible");
        AddFlag(flags, !shown, "hidden");
        AddFlag(flags, (state & LVIS_SELECTED) != 0, "selected");
        AddFlag(flags, (state & LVIS_FOCUSED) != 0, "focused");
        EmitItem(list, "list", shown ? ScreenBox(list, r) : Box{}, flags, std::to_string(i), text);
    }
}

void StatusItems(HWND bar) {
    RemoteBuffer remote(bar, kBufferSize);
    if (!remote.Ok())
        return;
    const LRESULT parts = Send(bar, SB_GETPARTS, 0, 0);
    for (LRESULT i = 0; i < parts && i < 256; ++i) {
        std::wstring text;
        const LRESULT length = LOWORD(Send(bar, SB_GETTEXTLENGTHW, i));
        if (length < static_cast<LRESULT>(kTextChars) && Send(bar, SB_GETTEXTW, i, remote.Param(kTextOffset)) >= 0)
            text = remote.ReadText(kTextOffset, static_cast<SIZE_T>(length));
        RECT r{};
        const bool measured = Send(bar, SB_GETRECT, i, remote.Param()) && remote.Read(0, &r, sizeof r);
        EmitItem(bar, "status", measured ? ScreenBox(bar, r) : Box{}, measured ? "visible" : "hidden",
                 std::to_string(i), text);
    }
}

void ToolBarItems(HWND bar) {
    RemoteBuffer remote(bar, kBufferSize);
    if (!remote.Ok())
        return;
    const LRESULT count = Send(bar, TB_BUTTONCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!Send(bar, TB_GETBUTTON, i, remote.Param()) || !remote.Read(0, &button, sizeof button))
            continue;
        std::wstring text;
        if (!(button.fsStyle & BTNS_SEP)) {
            const LRESULT length = Send(bar, TB_GETBUTTONTEXTW, button.idCommand, remote.Param(kTextOffset));
            if (length > 0 && length < static_cast<LRESULT>(kTextChars))
                text = remote.ReadText(kTextOffset, static_cast<SIZE_T>(length));
        }
        RECT r{};
        const bool shown = !(button.fsState & TBSTATE_HIDDEN) && Send(bar, TB_GETITEMRECT, i, remote.Param()) &&
                           remote.Read(0, &r, sizeof r);
        std::string flags;
        AddFlag(flags, shown, "visible");
        AddFlag(flags, !shown, "hidden");
        AddFlag(flags, !(button.fsState & TBSTATE_ENABLED), "disabled");
        AddFlag(flags, (button.fsState & TBSTATE_PRESSED) != 0, "pressed");
        AddFlag(flags, (button.fsState & TBSTATE_CHECKED) != 0, "checked");
        AddFlag(flags, (button.fsStyle & BTNS_SEP) != 0, "separator");
        AddFlag(flags, (button.fsStyle & (BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN)) != 0, "dropdown");
        EmitItem(bar, "toolbar", shown ? ScreenBox(bar, r) : Box{}, flags, std::to_string(i), text);
    }
}

// ---- Windows ------------------------------------------------------------------------------------

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length) || length > 65536)
        return std::wstring();
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        2000, &copied);
    text.resize(wcslen(text.c_str()));
    return text;
}

// The controls whose items are listed, by window class: the system's names and the names under
// which the program's class layer registers the same controls.
enum class Holder { None, ListBox, Combo, Tree, ListView, Status, ToolBar };

Holder HolderOf(const std::wstring& className) {
    static const struct {
        const wchar_t* name;
        Holder holder;
    } known[] = {
        {L"ListBox", Holder::ListBox},          {L"ComboLBox", Holder::ListBox},
        {L"TListBox", Holder::ListBox},         {L"ComboBox", Holder::Combo},
        {L"TComboBox", Holder::Combo},          {WC_TREEVIEWW, Holder::Tree},
        {L"TTreeView", Holder::Tree},           {WC_LISTVIEWW, Holder::ListView},
        {L"TListView", Holder::ListView},       {STATUSCLASSNAMEW, Holder::Status},
        {L"TStatusBar", Holder::Status},        {TOOLBARCLASSNAMEW, Holder::ToolBar},
        {L"TToolBar", Holder::ToolBar},
    };
    for (const auto& k : known)
        if (CompareStringOrdinal(className.c_str(), -1, k.name, -1, TRUE) == CSTR_EQUAL)
            return k.holder;
    return Holder::None;
}

void EmitWindow(HWND window, HWND parent) {
    const std::wstring className = ClassOf(window);
    RECT r{};
    GetWindowRect(window, &r);
    std::string flags;
    AddFlag(flags, IsWindowVisible(window) != FALSE, "visible");
    AddFlag(flags, !IsWindowVisible(window), "hidden");
    AddFlag(flags, !IsWindowEnabled(window), "disabled");
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(window, &pid);
    if (GetGUIThreadInfo(thread, &gui)) {
        AddFlag(flags, gui.hwndFocus == window, "focused");
        AddFlag(flags, gui.hwndActive == window, "active");
        AddFlag(flags, gui.hwndCapture == window, "capture");
    }
    // A window the program's skin draws answers its private query 0x3523 with 1.
    DWORD_PTR skinned = 0;
    if (SendMessageTimeoutW(window, 0x3523, 0, 0, SMTO_ABORTIFHUNG, 500, &skinned)) AddFlag(flags, skinned == 1, "skinned");
    Emit("window\t" + Hex(window) + "\t" + Utf8(className) + "\t" +
         Fields(Box{r.left, r.top, r.right - r.left, r.bottom - r.top}) + "\t" + flags + "\t" + Hex(parent) + "\t" +
         Hex(GetAncestor(window, GA_ROOT)) + "\t" + Utf8(TextOf(window)));

    switch (HolderOf(className)) {
    case Holder::ListBox: ListBoxItems(window); break;
    case Holder::Combo: ComboItems(window); break;
    case Holder::Tree: TreeItems(window); break;
    case Holder::ListView: ListViewItems(window); break;
    case Holder::Status: StatusItems(window); break;
    case Holder::ToolBar: ToolBarItems(window); break;
    case Holder::None: break;
    }
}

void EmitTree(HWND window, HWND parent) {
    EmitWindow(window, parent);
    std::vector<HWND> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    for (HWND child : children) EmitTree(child, window);
}

// The clipboard's Unicode text, written as it is; 1 when the clipboard holds no text.
int PrintClipboard() {
    if (!OpenClipboard(nullptr))
        return 1;
    int status = 1;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            const size_t limit = GlobalSize(data) / sizeof(wchar_t);
            size_t n = 0;
            while (n < limit && chars[n] != 0) ++n;
            const int bytes = WideCharToMultiByte(CP_UTF8, 0, chars, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
            std::string out(static_cast<size_t>(bytes), '\0');
            WideCharToMultiByte(CP_UTF8, 0, chars, static_cast<int>(n), out.data(), bytes, nullptr, nullptr);
            std::fwrite(out.data(), 1, out.size(), stdout);
            GlobalUnlock(data);
            status = 0;
        }
    }
    CloseClipboard();
    return status;
}

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool all = false;
    for (int i = 1; i < argc; ++i) {
        if (std::wstring(argv[i]) == L"--all") {
            all = true;
        } else if (std::wstring(argv[i]) == L"--clipboard") {
            return PrintClipboard();
        } else {
            std::fputs("usage: inspector.exe [--all | --clipboard]\n", stderr);
            return 2;
        }
    }
    std::vector<HWND> windows;
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows)
        if (all || IsWindowVisible(window))
            EmitTree(window, nullptr);
    return 0;
}
