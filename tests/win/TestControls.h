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

private:
    TApplication* previous_;
    TMessageBoxFunction previousBox_;
    int answer_;
};

// Runs every queued message (the thread's queue is empty afterwards).
void DrainMessages();
// The window handle's class name.
String WindowClassName(HWND window);
