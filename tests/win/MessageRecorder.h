// A message recorder for window tests.
//
// Attach it to controls (through their WindowProc: the recorder sees each message first and passes
// it on) or to foreign windows (subclassed), optionally as "parent". It logs {msg, wParam, lParam,
// id, flags} per window in one sequence; Matches() compares the sequence with an expected array and
// on a mismatch reports both listings in full. Expected arrays use designated initializers:
//
//   static constexpr TMsgEntry kClick[] = {
//       {.msg = WM_COMMAND, .flags = Sent | Parent | Id, .id = BN_CLICKED},
//       {.msg = CN_COMMAND, .flags = Sent | Id, .id = BN_CLICKED},
//   };
//   EXPECT_TRUE(recorder.Matches(kClick));
//
// Flags pick what is compared: the kind (Sent: through the window procedure; Posted: taken from the
// queue, when WatchQueue is on; Parent: at a window attached as parent) always, wParam/lParam/id
// only with WParam/LParam/Id; Optional entries may be missing. `id` is the notification code of
// WM_COMMAND/WM_NOTIFY and their CN_ reflections, else 0.
//
// Noise is dropped where it is logged: paint, hit tests, cursor, IME, timers, UI state, ...
// (Ignore/Keep adjust the set; Only restricts to a list). Clear() starts a new phase; Mark() adds
// a visible marker to the listing.
#pragma once

#include "Controls.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <set>
#include <span>
#include <vector>

enum TMsgFlags : unsigned {
    Sent = 0x01,
    Posted = 0x02,
    Parent = 0x04,
    WParam = 0x08,
    LParam = 0x10,
    Id = 0x20,
    Optional = 0x40,
};

struct TMsgEntry {
    UINT msg = 0;
    unsigned flags = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int id = 0;
};

struct TRecordedMessage {
    UINT msg = 0;
    unsigned kind = 0;  // Sent/Posted and Parent
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int id = 0;
    String window;      // the control's name, or the class of a foreign window
};

class TMessageRecorder {
public:
    TMessageRecorder();
    ~TMessageRecorder();
    TMessageRecorder(const TMessageRecorder&) = delete;
    TMessageRecorder& operator=(const TMessageRecorder&) = delete;

    void Attach(TControl* control, bool asParent = false);
    void AttachWindow(HWND window, bool asParent = false);
    void Detach(TControl* control);
    void DetachAll();
    // Records the attached windows' messages as they leave the thread's queue (Posted).
    void WatchQueue();

    void Ignore(std::initializer_list<UINT> messages);
    void Keep(std::initializer_list<UINT> messages);
    void Only(std::initializer_list<UINT> messages);

    void Clear() { entries_.clear(); }
    void Mark(const char* label);
    const std::vector<TRecordedMessage>& Entries() const { return entries_; }
    int Count(UINT msg) const;

    ::testing::AssertionResult Matches(std::span<const TMsgEntry> expected) const;
    String Listing() const;

    // Internal: called by the hooks.
    void Record(HWND window, const String& name, UINT msg, WPARAM wParam, LPARAM lParam, unsigned kind);

private:
    struct THook;
    struct TWindowHook;
    bool Wanted(UINT msg) const;

    std::vector<std::unique_ptr<THook>> hooks_;
    std::vector<std::unique_ptr<TWindowHook>> windowHooks_;
    std::vector<TRecordedMessage> entries_;
    std::vector<String> marks_;
    std::set<UINT> ignored_;
    std::set<UINT> only_;
    HHOOK queueHook_ = nullptr;
};
