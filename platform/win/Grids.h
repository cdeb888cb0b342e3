// The platform grid: a window of cells in columns and rows, some fixed at the top and left and the
// rest scrolling. It paints through Paint and DrawCell, moves a current cell by keys and mouse, sizes
// and moves columns and rows by mouse, keeps scroll bars and hosts an in-place editor. Grids.md beside
// this file is its contract (coordinates, hooks and when they are called).
//
// Classes in this file:
//   TInplaceEdit   the editor the grid places over its current cell (an "EDIT" child of the grid)
//   TCustomGrid    the grid control
//
// Not yet: mask input (the mask is kept, not enforced), pixel scrolling on small moves, right-to-left,
// design-time options, drag and drop.
#pragma once

#include "Controls.h"
#include "Forms.h"
#include "GridGeometry.h"
#include "StdCtrls.h"

#include <vector>

extern TLogChannel LogGrid;  // "grid"

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
    goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TEnumSet<TGridOption>;
constexpr TGridOptions kDefaultGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TGridScrollDirectionElement { sdLeft, sdRight, sdUp, sdDown };
using TGridScrollDirection = TEnumSet<TGridScrollDirectionElement>;

struct TGridCoord {
    int X = 0;
    int Y = 0;
    bool operator==(const TGridCoord&) const = default;
};

// Inclusive ranges of cells.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool Contains(int col, int row) const { return col >= Left && col <= Right && row >= Top && row <= Bottom; }
    bool operator==(const TGridRect&) const = default;
};

struct TGridDrawInfo {
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

class TCustomGrid;

// ---- In-place editor ------------------------------------------------------------------------------

class TInplaceEdit : public TCustomEdit {
    VESTREL_CLASS(TInplaceEdit, TCustomEdit)
public:
    // `owner` is the grid; the grid also becomes the parent.
    explicit TInplaceEdit(TComponent* owner);

    TCustomGrid* Grid() const { return grid_; }
    // The cell's edit mask as the grid gave it (kept for descendants; input is not masked yet).
    const String& EditMask() const { return editMask_; }
    void SetEditMask(const String& value) { editMask_ = value; }

    // Places the editor over `r` of the grid's client area and shows it.
    void Move(const TRect& r);
    // Hides the editor (the grid keeps the focus when the editor had it).
    void HideEditor();
    bool EditorVisible() const { return shown_; }
    // Text, mask and limit from the grid's current cell; the modified flag is cleared.
    virtual void UpdateContents();
    // The caret to the end, nothing selected.
    void Deselect();

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& message) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    // After every move or size (the data grid's editor lays out its buttons here).
    virtual void BoundsChanged() {}

private:
    void SendToGrid(WORD& key, TShiftState shift);

    TCustomGrid* grid_;
    String editMask_;
    bool shown_ = false;
};

// ---- Grid -------------------------------------------------------------------------------------------

class TCustomGrid : public TCustomControl {
    VESTREL_CLASS(TCustomGrid, TCustomControl)
public:
    explicit TCustomGrid(TComponent* owner);
    ~TCustomGrid() override;

    // Geometry. Counts are at least 1; a fixed count must stay below its count
    // (EInvalidOperation naming the property otherwise).
    int ColCount() const { return static_cast<int>(colWidths_.size()); }
    void SetColCount(int value);
    int RowCount() const { return static_cast<int>(rowHeights_.size()); }
    void SetRowCount(int value);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int value);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int value);
    // Setting a default resets every width (height) to it.
    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int value);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int value);
    int ColWidths(int index) const;
    void SetColWidths(int index, int value);
    int RowHeights(int index) const;
    void SetRowHeights(int index, int value);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int value);
    bool TabStops(int index) const;
    void SetTabStops(int index, bool value);

    // The scrolled position: the first scrollable column and row shown.
    int LeftCol() const { return topLeft_.X; }
    void SetLeftCol(int value) { MoveTopLeft(value, topLeft_.Y); }
    int TopRow() const { return topLeft_.Y; }
    void SetTopRow(int value) { MoveTopLeft(topLeft_.X, value); }
    int MaxLeftCol();
    int MaxTopRow();
    int VisibleColCount();
    int VisibleRowCount();
    // Pixels up to the grid boundary (what the cells take of the client area).
    int GridWidth();
    int GridHeight();

    void CalcDrawInfo(TGridDrawInfo& info);
    // As CalcDrawInfo for a client area of `width` x `height`.
    void CalcDrawInfoXY(TGridDrawInfo& info, int width, int height);
    TRect CellRect(int aCol, int aRow);
    TGridCoord MouseCoord(int x, int y);
    void MouseToCell(int x, int y, int& aCol, int& aRow);

    // The current cell and the selection.
    int Col() const { return current_.X; }
    void SetCol(int value);
    int Row() const { return current_.Y; }
    void SetRow(int value);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& value);

    TGridOptions Options() const { return options_; }
    void SetOptions(TGridOptions value);
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);  // bsNone or bsSingle
    TColor FixedColor() const { return fixedColor_; }
    void SetFixedColor(TColor value);
    // The grid's own filling, raised edges of fixed cells and focus rectangle around DrawCell.
    bool DefaultDrawing() const { return defaultDrawing_; }
    void SetDefaultDrawing(bool value);

    TGridState GridState() const { return gridState_; }

    // The in-place editor.
    bool EditorMode() const { return editorMode_; }
    void SetEditorMode(bool value);
    TInplaceEdit* InplaceEditor() const { return editor_; }

    void InvalidateCell(int aCol, int aRow);
    void InvalidateRow(int aRow);
    void InvalidateCol(int aCol);
    void InvalidateGrid() { Invalidate(); }
    void InvalidateCells(const TGridRect& cells);

    // Moves a column (row) with its width (height) and tab stop; ColumnMoved (RowMoved) follows.
    void MoveColumn(int fromIndex, int toIndex);
    void MoveRow(int fromIndex, int toIndex);

protected:
    friend class TInplaceEdit;

    // ---- Hooks (Grids.md says when each runs) ----
    virtual void DrawCell(int aCol, int aRow, const TRect& aRect, TGridDrawState aState) {}
    void Paint() override;
    virtual bool SelectCell(int aCol, int aRow) { return true; }
    virtual void TopLeftChanged() {}
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual void ColumnMoved(int fromIndex, int toIndex) {}
    virtual void RowMoved(int fromIndex, int toIndex) {}
    virtual void SizeChanged(int oldColCount, int oldRowCount) {}
    virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                 TGridDrawInfo& info);
    virtual void TimedScroll(TGridScrollDirection direction);
    virtual bool CanGridAcceptKey(WORD key, TShiftState shift) { return true; }
    // SB_HORZ or SB_VERT: range, page and position from the grid.
    virtual void UpdateScrollBar(int bar);
    // A scroll request of WM_HSCROLL (SB_HORZ) or WM_VSCROLL (SB_VERT).
    virtual void ModifyScrollBar(int bar, int scrollCode, int pos);

    // Editor hooks.
    virtual TInplaceEdit* CreateEditor();
    virtual bool CanEditShow();
    virtual bool CanEditModify() { return true; }
    virtual bool CanEditAcceptKey(wchar_t key) { return true; }
    virtual int GetEditLimit() { return 0; }
    virtual String GetEditMask(int aCol, int aRow) { return String(); }
    virtual String GetEditText(int aCol, int aRow) { return String(); }
    virtual void SetEditText(int aCol, int aRow, const String& value) {}

    // ---- Operations for descendants ----
    void ShowEditor();
    void HideEditor();
    // Places the editor on the current cell again (text reloaded) when it is up.
    void UpdateEditor();
    // Reloads the editor's text from the cell when it is up.
    void InvalidateEditor();
    // Shows the editor and types `ch` into it, replacing its text.
    void ShowEditorChar(wchar_t ch);
    // Hands a changed editor text to SetEditText.
    void UpdateText();

    // Moves the current cell (SelectCell may refuse); the anchor follows unless extending; `show`
    // scrolls the cell into view.
    void MoveColRow(int aCol, int aRow, bool moveAnchor, bool show);
    void FocusCell(int aCol, int aRow, bool moveAnchor) { MoveColRow(aCol, aRow, moveAnchor, true); }
    // Scrolls (clamped); repaints the scrolled parts, updates the bars, calls TopLeftChanged.
    void MoveTopLeft(int aLeft, int aTop);
    // Scrolls so that the cell shows whole (as far as it can).
    void ClampInView(int aCol, int aRow);
    // Starts moving column `aCol` by mouse from the point (x, y), as a press on its header does.
    void BeginColumnMoving(int aCol, int x, int y);
    // Ends sizing, moving or selecting at once (no change applied).
    void CancelGridState();

    // Painting helpers for a descendant's own Paint.
    // The lines of the cells in [firstCol.., firstRow..] that lie in `area`, filled in `color`.
    void PaintLines(const TGridDrawInfo& info, int firstCol, int firstRow, const TRect& area, bool vertLines,
                    bool horzLines, TColor color);
    // DrawCell (with the default drawing when on) for every cell from (firstCol, firstRow) inside
    // `area` that meets the clip box; `baseState` is added to each cell's state.
    void PaintCells(const TGridDrawInfo& info, int firstCol, int firstRow, const TRect& area,
                    TGridDrawState baseState);
    // The draw state of a cell as Paint gives it (gdFixed not included).
    TGridDrawState CellDrawState(int aCol, int aRow);
    // True while the grid or its editor has the focus.
    bool GridFocused();

    // Control overrides.
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& message) override;
    void Notification(TComponent* component, TOperation operation) override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;

    // Named handlers of the table.
    void WMGetDlgCode(TMessage& m);
    void WMSizeGrid(TMessage& m);
    void WMSetCursorGrid(TMessage& m);
    void WMSetFocusGrid(TMessage& m);
    void WMKillFocusGrid(TMessage& m);
    void WMTimer(TMessage& m);
    void WMScroll(TMessage& m, int bar);
    void WMCancelModeGrid(TMessage& m);

    // Updates both bars (UpdateScrollBar for each shown bar).
    void UpdateScrollRange();

    // Timer 1 drives TimedScroll while selecting or moving.
    static constexpr UINT_PTR kScrollTimer = 1;

private:
    void CheckCellIndex(int index, int count, const char* what) const;
    void ResizeAxis(std::vector<int>& extents, int count, int defaultExtent);
    // Keeps the current cell, the anchor and the scrolled position inside the counts and the scroll
    // limits (TopLeftChanged when the position had to move).
    void ClampCurrent();
    std::span<const int> ColSpan() const { return colWidths_; }
    std::span<const int> RowSpan() const { return rowHeights_; }
    int HorzLineWidth() const;
    int VertLineWidth() const;
    void InvalidateScrolled(bool horz, bool vert);
    void DrawSizingLine();
    void DrawMoveMarker();
    int MoveTarget(int x, int y);
    void StopTimer();
    void PlaceEditor();
    bool FocusedInEditor();

    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    std::vector<bool> tabStops_;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    TGridCoord topLeft_{1, 1};
    TGridCoord current_{1, 1};
    TGridCoord anchor_{1, 1};
    TGridOptions options_ = kDefaultGridOptions;
    TScrollStyle scrollBars_ = ssBoth;
    TFormBorderStyle borderStyle_ = bsSingle;
    TColor fixedColor_ = clBtnFace;
    bool defaultDrawing_ = true;

    TGridState gridState_ = gsNormal;
    int sizingIndex_ = 0;
    int sizingPos_ = 0;     // where the line is drawn (client pixels)
    int sizingOfs_ = 0;     // mouse - line at the press
    bool sizingLineShown_ = false;
    int moveFrom_ = 0;
    int moveTo_ = 0;
    bool moveMarkerShown_ = false;
    int moveMarkerPos_ = 0;
    bool timerOn_ = false;
    bool updatingScrollBars_ = false;

    TInplaceEdit* editor_ = nullptr;
    bool editorMode_ = false;
};
