// The media player skinner: the player's button bar is covered by a panel of the same bounds and
// parent that paints the player's nine buttons from the skin's Buttons element and passes mouse
// presses on to the player, which keeps doing the work.
//
// Classes in this file:
//   TWMediaPlayer  the covering panel: nine buttons, their pictures, the pressed and hit button
//   TSkinMP        the skinner: makes, places and frees the panel
//
// The button pictures are resources named EN_, DI_ or CL_ plus MPPLAY, MPPAUSE, ...; this program
// carries none, so the panel draws the skin's faces without pictures.
#pragma once

#include "SkinControl.h"

#include "ExtCtrls.h"

class TSkinMP;

class TWMediaPlayer : public TCustomPanel {
    VESTREL_CLASS(TWMediaPlayer, TCustomPanel)
public:
    static constexpr int ButtonCount = 9;
    static constexpr int NoButton = 9;
    struct TButtonRecord {
        bool Visible = false;
        bool Enabled = false;
        bool Colored = false;
        std::unique_ptr<TBitmap> Pictures[3];  // enabled, disabled, coloured
    };

    explicit TWMediaPlayer(TComponent* owner);
    ~TWMediaPlayer() override;
    void Bind(TSkinMP* skinner, TControl* player);
    // The visible button whose cell holds x, NoButton when none.
    int ButtonAt(int x) const;
    // The enumeration names of the nine buttons, in order.
    static const char* const Names[ButtonCount];

    TButtonRecord Buttons[ButtonCount];
    TSkinData* SkinData = nullptr;
    bool Pressed = false;
    int PressedButton = NoButton;
    int HitButton = NoButton;
    int ButtonWidth = 0;
    int VisibleCount = 0;
    TControl* Player = nullptr;
    TSkinMP* Skinner = nullptr;

protected:
    void Paint() override;
    void WndProc(TMessage& m) override;

private:
    void ReadButtons();
};

class TSkinMP : public TSkinControl {
    VESTREL_CLASS(TSkinMP, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinMP() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AfterMessage(TMessage& m) override;
    void Unskin() override;
    void Notification(TComponent* component, TOperation operation) override;

    // Owned by the player's owner, like the player; freed here when the player goes alone.
    TWMediaPlayer* Overlay = nullptr;

private:
    void FreeOverlay();
};
