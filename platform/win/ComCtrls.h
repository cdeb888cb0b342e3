// Common controls.
//
// Classes in this file:
//   TStatusPanel, TStatusPanels  the panels of a status bar: text, width, alignment, bevel
//   TStatusBar                   a "msctls_statusbar32" aligned to the bottom of its parent
//
// The panels are the status bar's own items; every change of one reaches the window at once. The
// last panel reaches to the right edge whatever its Width.
// Not yet: owner-drawn panels, panel styles, hints per panel, size grip control, the other common
// controls (tool bar, cool bar, tree view, page control, progress bar).
#pragma once

#include "Collection.h"
#include "Controls.h"
#include "DB.h"  // TAlignment

#include <memory>

class TStatusBar;

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TCollectionItem {
    VESTREL_CLASS(TStatusPanel, TCollectionItem)
public:
    explicit TStatusPanel(TCollection* collection) : TCollectionItem(collection) {}

    void Assign(TPersistent* source) override;

    const String& Text() const { return text_; }
    void SetText(const String& value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TStatusPanelBevel Bevel() const { return bevel_; }
    void SetBevel(TStatusPanelBevel value);

private:
    String text_;
    int width_ = 50;
    TAlignment alignment_ = taLeftJustify;
    TStatusPanelBevel bevel_ = pbLowered;
};

class TStatusPanels : public TCollection {
    VESTREL_CLASS(TStatusPanels, TCollection)
public:
    explicit TStatusPanels(TStatusBar* statusBar);

    TStatusPanel* Items(int index) const { return static_cast<TStatusPanel*>(TCollection::Items(index)); }
    TStatusPanel* operator[](int index) const { return Items(index); }
    TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
    TPersistent* GetOwner() const override;

protected:
    void Update(TCollectionItem* item) override;

private:
    TStatusBar* statusBar_;
};

class TStatusBar : public TWinControl {
    VESTREL_CLASS(TStatusBar, TWinControl)
public:
    explicit TStatusBar(TComponent* owner);
    ~TStatusBar() override;

    TStatusPanels* Panels() const { return panels_.get(); }
    void SetPanels(TStatusPanels* value) { panels_->Assign(value); }
    // One panel showing SimpleText in place of the panels.
    bool SimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const String& SimpleText() const { return simpleText_; }
    void SetSimpleText(const String& value);
    bool SizeGrip() const { return sizeGrip_; }
    void SetSizeGrip(bool value);

    // The text the window shows in panel `index` (for checks; "" without a window).
    String PanelTextShown(int index);

protected:
    friend class TStatusPanels;

    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    // Gives the window the panels' edges and texts (all when `item` is null).
    void UpdatePanels(TStatusPanel* item);

private:
    void UpdatePanel(int index);

    std::unique_ptr<TStatusPanels> panels_;
    bool simplePanel_ = false;
    String simpleText_;
    bool sizeGrip_ = true;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterComCtrlsClasses();
