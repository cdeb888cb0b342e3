// Small controls and helpers for the window tests of the class layer.
//
// Classes in this file:
//   TTestButton    a push button over the system BUTTON class: Click from the reflected BN_CLICKED,
//                  Default/Cancel through CM_DIALOGKEY, ModalResult for its form
//   TTestEdit      an edit over the system EDIT class
//   TTestPanel     a windowed container painted by Paint (a colour fill)
//   TTestShape     a graphic control painted by Paint (a colour fill)
//   TScopedApplication  a fresh Application for one test, and a message box that answers by itself
#pragma once

#include "Forms.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

// Frees a component the way its owner would; Owned<T> holds one for a test.
struct TFree {
    void operator()(TComponent* c) const {
        if (c)
            c->Free();
    }
};
template <class T>
using Owned = std::unique_ptr<T, TFree>;

class TTestButton : public TWinControl {
    VESTREL_CLASS(TTestButton, TWinControl)
public:
    explicit TTestButton(TComponent* owner);

    bool Default() const { return default_; }
    void SetDefault(bool value) { default_ = value; active_ = value; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;

private:
    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
};

class TTestEdit : public TWinControl {
    VESTREL_CLASS(TTestEdit, TWinControl)
public:
    explicit TTestEdit(TComponent* owner);

protected:
    void CreateParams(TCreateParams& params) override;
};

class TTestPanel : public TCustomControl {
    VESTREL_CLASS(TTestPanel, TCustomControl)
public:
    explicit TTestPanel(TComponent* owner);

    bool WasLoaded() const { return loaded_; }
    int PaintCount() const { return paints_; }
    HDC LastPaintDC() const { return lastDC_; }
    void Loaded() override;

protected:
    void Paint() override;

private:
    bool loaded_ = false;
    int paints_ = 0;
    HDC lastDC_ = nullptr;
};

class TTestShape : public TGraphicControl {
    VESTREL_CLASS(TTestShape, TGraphicControl)
public:
    explicit TTestShape(TComponent* owner);

protected:
    void Paint() override;
};

// Registers the test classes with the registries and starts the forms unit (idempotent).
void StartWindowTests();

// A new Application for the test's life (the previous one comes back afterwards), with the
// message box answered by `answer` and every box kept in Boxes.
class TScopedApplication {
public:
    struct TBox {
        HWND Owner;
        String Text;
        String Caption;
        UINT Flags;
    };

    explicit TScopedApplication(int answer = IDOK);
    ~TScopedApplication();

    void SetAnswer(int answer) { answer_ = answer; }
    std::vector<TBox> Boxes;
    // The texts of the boxes shown so far, which are then forgotten.
    std::vector<String> TakeTexts() {
        std::vector<String> texts;
        for (const TBox& box : Boxes) texts.push_back(box.Text);
        Boxes.clear();
        return texts;
    }

private:
    TApplication* previous_;
    TMessageBoxFunction previousBox_;
    int answer_;
};

// Drives a modal form from inside its message loop: a thread timer waits for a visible form of the
// thread that holds a component named `marker` and calls `action` with it once. Should no such form
// appear within about five seconds, the application is terminated so that the modal run ends.
class TModalDriver {
public:
    TModalDriver(const String& marker, std::function<void(TCustomForm*)> action);
    ~TModalDriver();
    TModalDriver(const TModalDriver&) = delete;
    TModalDriver& operator=(const TModalDriver&) = delete;
    bool Ran() const { return ran_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    String marker_;
    std::function<void(TCustomForm*)> action_;
    UINT_PTR timer_ = 0;
    int ticks_ = 0;
    bool ran_ = false;
};

// Posts a key press (WM_KEYDOWN) to `window` with Shift and Ctrl up, and each UTF-16 unit of `text`
// as WM_CHAR: typing as it arrives through the message loop.
void PostKeyDown(HWND window, WORD key);
void PostChars(HWND window, const String& text);

// Runs every queued message (the thread's queue is empty afterwards).
void DrainMessages();
// The window handle's class name.
String WindowClassName(HWND window);
