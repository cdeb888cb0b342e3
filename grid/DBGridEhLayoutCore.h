// The arithmetic of the data grid's layout and painting, without windows: row heights from the
// font and the row settings, the rows that fit and the filler that pins footers to the bottom, the
// fixed columns, automatic fitting of column widths, the head tree of multi-line spanning titles,
// the kind of a cell, the vertical scroll bar's numbers and the colour choices of the painting.
// The window grid (DBGridEh.h) feeds these with measured numbers; the native tests feed them with
// numbers of their own.
//
// Classes in this file:
//   THeadTreeNode   a node of the title tree: a column's leaf or a group spanning its members
#pragma once

#include "DBGridEhCore.h"

#include <functional>
#include <memory>
#include <vector>

// ---- Row heights ------------------------------------------------------------------------------------

struct TRowHeightInputEh {
    bool Flat = false;
    bool RowLinesOn = true;      // dgRowLines
    int GridLineWidth = 1;
    int TextHeight = 0;          // height of "Wg" in the grid's font
    int FontHeight = 0;          // tmHeight
    int ExternalLeading = 0;     // tmExternalLeading
    int RowHeight = 0;           // the property
    int RowLines = 0;            // the property
    bool FitRowHeightToText = false;  // dghFitRowHeightToText
};

struct TRowHeightEh {
    int DefaultRowHeight = 0;
    // The stored properties after the fit to text (unchanged without it).
    int RowHeight = 0;
    int RowLines = 0;
};

// The padding of a row: 1 (flat) or 3, plus the line with row lines.
int RowExtraEh(bool flat, bool rowLines, int gridLineWidth);
TRowHeightEh CalcRowHeightEh(const TRowHeightInputEh& in);

// ---- Rows of the grid ----------------------------------------------------------------------------------

struct TGridRowsInputEh {
    int ClientHeight = 0;
    int TitleRowHeight = 0;
    bool HasTitle = true;        // dgTitles
    bool HasFilter = false;      // the filter row shows
    int DefaultRowHeight = 0;
    int LineWidth = 1;           // the line under every row (0 without dgRowLines)
    int FooterRows = 0;
};

// Pixels the title, filter and footer rows (and the filler's line) take.
int GridFixedRowsHeightEh(const TGridRowsInputEh& in);
// How many data rows fit: at least 1.
int GridBufferCountEh(const TGridRowsInputEh& in);
// The height of every grid row for `dataRows` data rows: title, filter, data rows, and with footers
// a filler row taking the rest of the client height (not below 0) and the footer rows.
std::vector<int> GridRowHeightsEh(const TGridRowsInputEh& in, int dataRows);

// ---- Columns ---------------------------------------------------------------------------------------------

// FixedCols from the visible flags of the columns: the indicator, the frozen columns and the hidden
// columns among and right after them; one less when no column is visible; never all columns.
int CalcFixedColsEh(const std::vector<bool>& visible, int frozenCols, int indicatorOffset, bool countFrozen);

struct TAutoFitColumnEh {
    bool AutoFit = true;   // AutoFitColWidth
    int BaseWidth = 0;     // AutoFitBaseWidth
    int Width = 0;         // the width now (kept for columns that do not fit)
    int MinWidth = 0;      // 0: none
    int MaxWidth = 0;      // 0: none
};

struct TAutoFitInputEh {
    int ClientWidth = 0;
    int MinAutoFitWidth = 0;
    int IndicatorWidth = 0;  // 0 without the indicator
    bool ColLines = true;
    bool Indicator = true;
};

// The widths of the visible columns after fitting them into the client width.
std::vector<int> AutoFitWidthsEh(const TAutoFitInputEh& in, const std::vector<TAutoFitColumnEh>& columns);

// ---- Cells --------------------------------------------------------------------------------------------------

struct TCellTypeEh {
    TCellKindEh CellKind = ckIndicatorEh;
    TRowKindEh RowKind = rkDataEh;
    int DataCol = -1;  // the column index for a data column
    int DataRow = -1;  // data: buffer row; filter: 0; footer: position among the footers from 1
};

struct TGridShapeEh {
    int IndicatorOffset = 1;
    int TitleRows = 1;    // 0 or 1
    int FilterRows = 0;   // 0 or 1
    int FooterRows = 0;
    int RowCount = 2;
};

// False for a row that fits no kind (the grid's counts disagree).
bool TryGetCellTypeEh(const TGridShapeEh& shape, int col, int row, TCellTypeEh& type);
// As TryGetCellTypeEh; raises EInvalidGridOperation "Algorithm error in TCustomDBGridEh.GetCellType".
TCellTypeEh GetCellTypeEh(const TGridShapeEh& shape, int col, int row);

struct TCell3DInputEh {
    bool Fixed3D = false, Frozen3D = false, Footer3D = false, Data3D = false;
    bool FootersPresent = false;
    bool FixedCell = false;       // drawn as fixed (gdFixed)
    bool FrozenColumn = false;    // a frozen data column
    bool FilterVisible = false;   // the column's filter shows in the filter row
};
bool IsCellDrawn3DEh(const TCell3DInputEh& in, const TCellTypeEh& type);

// The indicator image of a row (-1: none, only the current row has one): browsing 0, 5 when the
// row is also selected, 6 while searching; editing 1; inserting 2; other states 0.
int IndicatorImageEh(TDataSetState state, bool isCurrent, bool isSelected, bool incSearch);

struct TLineColorsEh {
    TColor Fixed = clBlack;
    TColor Data = clSilver;
};
TLineColorsEh GridLineColorsEh(bool flat, bool themed, TColor gridColor);

// Each of red, green and blue raised by c / 8 (rounded), at most 255.
TColor LightenColorEh(TColor color, int divisor = 8);

// ---- Vertical scroll bar ---------------------------------------------------------------------------------------

struct TVertScrollInputEh {
    bool LinkActive = false;
    bool Sequenced = true;
    int RecordCount = 0;
    int RecNo = 0;
    int VisibleDataRows = 1;
    bool Bof = true;
    bool Eof = true;
    bool BeyondEdit = false;   // the data set's state is past edit (the last position is kept)
    int PreviousPos = 0;
};

// The five thumb positions of a data set without record numbers: first record, a page up, somewhere
// in between, a page down, last record.
enum TVertThumbPositionEh { vtpFirstEh, vtpPageUpEh, vtpMiddleEh, vtpPageDownEh, vtpLastEh };

struct TVertScrollInfoEh {
    int Min = 0;
    int Max = 1;
    int Page = 2;
    int Pos = 0;
    bool operator==(const TVertScrollInfoEh&) const = default;
};
TVertScrollInfoEh CalcVertScrollInfoEh(const TVertScrollInputEh& in);

// The lookup grid's bar: a record-numbered data set shows its window (range 0..count-1, the page
// the window's rows, the position the window's first record - 1 in browse, edit or insert, else 0);
// without record numbers five positions (first, middle, last), or none while every record shows;
// an inactive list 0..2 at 0.
struct TLookupVertScrollInputEh {
    bool ListActive = false;
    bool Sequenced = true;
    int RecordCount = 0;
    int FirstVisibleRecNo = 1;
    int VisibleRows = 1;
    int WindowRecords = 0;
    bool Browsing = true;  // browse, edit or insert
    bool Bof = true;
    bool Eof = true;
};
TVertScrollInfoEh CalcLookupVertScrollInfoEh(const TLookupVertScrollInputEh& in);

// ---- Head tree ----------------------------------------------------------------------------------------------------

class TColumnEh;

class THeadTreeNode {
public:
    THeadTreeNode(const String& text, int height, int width);
    ~THeadTreeNode();
    THeadTreeNode(const THeadTreeNode&) = delete;
    THeadTreeNode& operator=(const THeadTreeNode&) = delete;

    String Text;
    int Height = 0;
    int Width = 0;
    int Indent = 0;      // 16 for a leaf whose column has a sort marker
    int WIndent = 0;     // the vertical line after it (1 with dgColLines)
    TColumnEh* Column = nullptr;  // leaves only
    bool Drawn = false;  // marks a group painted in the current paint pass

    THeadTreeNode* Host() const { return host_; }
    int ChildCount() const { return static_cast<int>(children_.size()); }
    THeadTreeNode* Child(int index) const { return children_[static_cast<std::size_t>(index)].get(); }
    bool HasChildren() const { return !children_.empty(); }
    // Position among the host's children (0 for the root).
    int IndexInHost() const;

    THeadTreeNode* AddChild(const String& text, int height, int width);
    void Clear();  // frees every descendant
    // True when `node` is this node or one of its descendants.
    bool Contains(const THeadTreeNode* node) const;
    // Puts the siblings `from`..`to` (children of one host, in order) under a new node with
    // `text` and `height` in their place; raises "Node not in Tree" when `from` is not below this
    // node and "ATo not in level" when `to` is not a later sibling of `from`.
    THeadTreeNode* Union(THeadTreeNode* from, THeadTreeNode* to, const String& text, int height);
    // Pixels of the levels below this node (0 for a leaf).
    int SubtreeHeight() const;
    // Clears the Drawn marks of the whole tree.
    void ClearDrawn();

private:
    THeadTreeNode* host_ = nullptr;
    std::vector<std::unique_ptr<THeadTreeNode>> children_;
};

struct THeadLeafEh {
    String Caption;      // the full caption, parts separated by "|"
    int Width = 0;       // the column's width (-1 or 0 for a hidden column)
    int Indent = 0;
    TColumnEh* Column = nullptr;
};

// Rebuilds the tree under `root`: one leaf per column, then groups of neighbouring leaves whose
// captions share their first part; answers the leaves in column order.
std::vector<THeadTreeNode*> BuildHeadTreeEh(THeadTreeNode* root, const std::vector<THeadLeafEh>& leaves,
                                           int leafHeight, int lineWidth);
// Measures text with word wrap into `width` pixels for `node` (its column's title font; the grid's
// title font for groups).
using THeadMeasureEh = std::function<int(const THeadTreeNode* node, const String& text, int width)>;
// Sets the heights of every level under `node` from the measured texts; answers the total.
int LayoutHeadTreeEh(THeadTreeNode* node, const THeadMeasureEh& measure);
// Line breaks as CR LF (a lone CR or LF becomes CR LF).
String NormaliseLineBreaksEh(const String& text);

// The part of `caption` before the first "|" and the rest (empty without a "|").
void SplitCaptionEh(const String& caption, String& first, String& rest);

// Selecting by mouse beyond the data rows: records moved per timer step for a mouse `distance`
// pixels outside (none within 6 pixels, at most 8), and the step's interval in ms for a slope of
// `perPixel` ms.
inline int AutoScrollRowsEh(int distance) { return distance < 6 ? 0 : (distance / 6 > 8 ? 8 : distance / 6); }
inline unsigned AutoScrollIntervalEh(int distance, int perPixel) {
    const int ms = 200 - perPixel * distance;
    return ms > 0 ? static_cast<unsigned>(ms) : 0u;
}
