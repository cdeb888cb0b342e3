// The data grid's layout and painting arithmetic, without windows.
#include "DBGridEhLayoutCore.h"

#include <algorithm>
#include <cmath>

// ---- Row heights ------------------------------------------------------------------------------------

int RowExtraEh(bool flat, bool rowLines, int gridLineWidth) {
    return (flat ? 1 : 3) + (rowLines ? gridLineWidth : 0);
}

TRowHeightEh CalcRowHeightEh(const TRowHeightInputEh& in) {
    TRowHeightEh out;
    out.RowHeight = in.RowHeight;
    out.RowLines = in.RowLines;
    const int extra = RowExtraEh(in.Flat, in.RowLinesOn, in.GridLineWidth);
    const int h = in.TextHeight;
    if (in.RowHeight > 0 || in.RowLines > 0)
        out.DefaultRowHeight = in.RowHeight + (in.FontHeight + in.ExternalLeading) * in.RowLines;
    else
        out.DefaultRowHeight = h + extra;
    if (in.FitRowHeightToText && h > 0) {
        const int text = std::max(out.DefaultRowHeight - extra, 0);
        const int n = text / h;
        const int r = text % h;
        const int height = (r <= h / 2 && n > 0) ? n * h + extra : (n + 1) * h + extra;
        out.DefaultRowHeight = height;
        out.RowLines = (height - extra) / h;
        out.RowHeight = extra;
    }
    return out;
}

// ---- Rows of the grid ----------------------------------------------------------------------------------

int GridFixedRowsHeightEh(const TGridRowsInputEh& in) {
    int fixed = 0;
    if (in.HasTitle) fixed += in.TitleRowHeight + in.LineWidth;
    if (in.HasFilter) fixed += in.DefaultRowHeight + in.LineWidth;
    if (in.FooterRows > 0) fixed += in.FooterRows * (in.DefaultRowHeight + in.LineWidth) + in.LineWidth;
    return fixed;
}

int GridBufferCountEh(const TGridRowsInputEh& in) {
    const int advance = in.DefaultRowHeight + in.LineWidth;
    if (advance <= 0) return 1;
    const int room = in.ClientHeight - GridFixedRowsHeightEh(in);
    return std::max(1, room / advance);
}

std::vector<int> GridRowHeightsEh(const TGridRowsInputEh& in, int dataRows) {
    std::vector<int> heights;
    if (in.HasTitle) heights.push_back(in.TitleRowHeight);
    if (in.HasFilter) heights.push_back(in.DefaultRowHeight);
    heights.insert(heights.end(), static_cast<std::size_t>(std::max(dataRows, 0)), in.DefaultRowHeight);
    if (in.FooterRows > 0) {
        int used = 0;
        for (int h : heights) used += std::max(h + in.LineWidth, 0);
        used += in.FooterRows * (in.DefaultRowHeight + in.LineWidth);
        heights.push_back(std::max(0, in.ClientHeight - used - in.LineWidth));
        heights.insert(heights.end(), static_cast<std::size_t>(in.FooterRows), in.DefaultRowHeight);
    }
    return heights;
}

// ---- Columns ---------------------------------------------------------------------------------------------

int CalcFixedColsEh(const std::vector<bool>& visible, int frozenCols, int indicatorOffset, bool countFrozen) {
    const int n = static_cast<int>(visible.size());
    const int frozen = countFrozen ? std::max(frozenCols, 0) : 0;
    int i = 0;
    int frozenShown = 0;
    int hidden = 0;
    while (i < n && frozenShown < frozen) {
        if (visible[static_cast<std::size_t>(i)])
            ++frozenShown;
        else
            ++hidden;
        ++i;
    }
    while (i < n && !visible[static_cast<std::size_t>(i)]) {
        ++hidden;
        ++i;
    }
    int fixed = indicatorOffset + frozenShown + hidden;
    if (std::none_of(visible.begin(), visible.end(), [](bool v) { return v; })) --fixed;
    return std::clamp(fixed, 0, std::max(n + indicatorOffset - 1, 0));
}

std::vector<int> AutoFitWidthsEh(const TAutoFitInputEh& in, const std::vector<TAutoFitColumnEh>& columns) {
    const std::size_t n = columns.size();
    std::vector<int> widths(n);
    std::vector<bool> marked(n, false);
    for (std::size_t i = 0; i < n; ++i) widths[i] = columns[i].Width;
    auto bounded = [&](std::size_t i, int w) {
        const TAutoFitColumnEh& c = columns[i];
        if (c.MaxWidth > 0 && w > c.MaxWidth) w = c.MaxWidth;
        if (c.MinWidth > 0 && w < c.MinWidth) w = c.MinWidth;
        return w;
    };
    auto room = [&] {
        int w = std::max(in.ClientWidth, in.MinAutoFitWidth);
        for (std::size_t i = 0; i < n; ++i)
            if (!columns[i].AutoFit || marked[i]) w -= widths[i];
        w -= in.IndicatorWidth;
        if (in.ColLines) w -= static_cast<int>(n) + (in.Indicator ? 1 : 0);
        return std::max(w, 0);
    };
    int w = room();
    for (std::size_t round = 0; round < std::max<std::size_t>(n, 1); ++round) {
        w = room();
        long long sumBase = 0;
        for (std::size_t i = 0; i < n; ++i)
            if (columns[i].AutoFit && !marked[i]) sumBase += columns[i].BaseWidth;
        bool changed = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (!columns[i].AutoFit || marked[i]) continue;
            const int wanted = sumBase > 0 ? MulDivEh(columns[i].BaseWidth, w, static_cast<int>(sumBase)) : 0;
            const int fitted = bounded(i, wanted);
            widths[i] = fitted;
            if (fitted != wanted) {
                marked[i] = true;
                changed = true;
            }
        }
        if (!changed) break;
        w = room();
    }
    for (std::size_t k = n; k-- > 0;) {
        if (!columns[k].AutoFit || marked[k]) continue;
        int given = 0;
        for (std::size_t i = 0; i < n; ++i)
            if (columns[i].AutoFit && !marked[i]) given += widths[i];
        widths[k] = std::max(0, widths[k] + w - given);
        break;
    }
    return widths;
}

// ---- Cells --------------------------------------------------------------------------------------------------

bool TryGetCellTypeEh(const TGridShapeEh& shape, int col, int row, TCellTypeEh& type) {
    type = TCellTypeEh();
    type.CellKind = col < shape.IndicatorOffset ? ckIndicatorEh : ckDataColEh;
    type.DataCol = type.CellKind == ckDataColEh ? col - shape.IndicatorOffset : -1;
    const int titleOffset = shape.TitleRows + shape.FilterRows;
    if (row < 0 || row >= shape.RowCount) return false;
    if (row < shape.TitleRows) {
        type.RowKind = rkTitleEh;
        return true;
    }
    if (row < titleOffset) {
        type.RowKind = rkFilterEh;
        type.DataRow = row - shape.TitleRows;
        return true;
    }
    if (shape.FooterRows > 0) {
        const int footerStart = shape.RowCount - shape.FooterRows;
        const int filler = footerStart - 1;
        if (row >= footerStart) {
            type.RowKind = rkFooterEh;
            type.DataRow = row - footerStart + 1;
            return true;
        }
        if (row == filler && filler >= titleOffset) {
            type.RowKind = rkFillerEh;
            return true;
        }
        if (row < filler) {
            type.RowKind = rkDataEh;
            type.DataRow = row - titleOffset;
            return true;
        }
        return false;
    }
    type.RowKind = rkDataEh;
    type.DataRow = row - titleOffset;
    return true;
}

TCellTypeEh GetCellTypeEh(const TGridShapeEh& shape, int col, int row) {
    TCellTypeEh type;
    if (!TryGetCellTypeEh(shape, col, row, type))
        RaiseGridOperationError("Algorithm error in TCustomDBGridEh.GetCellType");
    return type;
}

bool IsCellDrawn3DEh(const TCell3DInputEh& in, const TCellTypeEh& type) {
    if (type.RowKind == rkFilterEh && type.CellKind == ckDataColEh && in.FilterVisible) return false;
    if (in.Fixed3D) {
        if (type.CellKind == ckIndicatorEh && type.RowKind != rkFillerEh) return true;
        if (type.RowKind == rkTitleEh || type.RowKind == rkFilterEh) return true;
        if (type.CellKind == ckIndicatorEh && type.RowKind == rkFillerEh && in.FootersPresent &&
            (in.Data3D || in.Frozen3D))
            return true;
    }
    if (in.Footer3D && type.RowKind == rkFooterEh) return true;
    if (type.CellKind == ckDataColEh && type.RowKind == rkDataEh) {
        if (in.Data3D && !in.FixedCell) return true;
        if (in.Frozen3D && in.FrozenColumn) return true;
    }
    return false;
}

int IndicatorImageEh(TDataSetState state, bool isCurrent, bool isSelected, bool incSearch) {
    if (!isCurrent) return -1;
    switch (state) {
    case dsEdit: return 1;
    case dsInsert: return 2;
    case dsBrowse:
        if (incSearch) return 6;
        return isSelected ? 5 : 0;
    default: return 0;
    }
}

TLineColorsEh GridLineColorsEh(bool flat, bool themed, TColor gridColor) {
    TLineColorsEh colors;
    colors.Fixed = (flat || themed) ? clBtnShadow : clBlack;
    colors.Data = ColorToRGB(gridColor) == clSilver ? clGray : clSilver;
    return colors;
}

TColor LightenColorEh(TColor color, int divisor) {
    const TColor rgb = ColorToRGB(color);
    auto channel = [&](int shift) {
        const int c = (rgb >> shift) & 0xFF;
        const int raised = c + static_cast<int>(std::nearbyint(static_cast<double>(c) / divisor));
        return static_cast<TColor>(std::min(raised, 255)) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

// ---- Vertical scroll bar ---------------------------------------------------------------------------------------

TVertScrollInfoEh CalcVertScrollInfoEh(const TVertScrollInputEh& in) {
    TVertScrollInfoEh info;
    if (!in.LinkActive) return info;  // 0..1, page 2, at 0
    if (in.Sequenced) {
        info.Min = 1;
        info.Page = std::max(in.VisibleDataRows, 1);
        info.Max = in.RecordCount + info.Page - 1;
        info.Pos = in.BeyondEdit ? in.PreviousPos : in.RecNo;
        return info;
    }
    info.Min = 0;
    info.Page = 0;
    info.Max = vtpLastEh;
    info.Pos = in.Bof ? vtpFirstEh : (in.Eof ? vtpLastEh : vtpMiddleEh);
    return info;
}

TVertScrollInfoEh CalcLookupVertScrollInfoEh(const TLookupVertScrollInputEh& in) {
    TVertScrollInfoEh info{0, 2, 0, 0};
    if (!in.ListActive) return info;
    if (in.Sequenced) {
        info.Max = std::max(in.RecordCount - 1, 0);
        info.Page = std::max(in.VisibleRows, 0);
        info.Pos = in.Browsing ? std::max(in.FirstVisibleRecNo - 1, 0) : 0;
        return info;
    }
    if (in.WindowRecords < in.VisibleRows) return TVertScrollInfoEh{0, 0, 0, 0};
    info.Max = vtpLastEh;
    info.Pos = in.Bof ? vtpFirstEh : (in.Eof ? vtpLastEh : vtpMiddleEh);
    return info;
}

// ---- Head tree ----------------------------------------------------------------------------------------------------

THeadTreeNode::THeadTreeNode(const String& text, int height, int width) : Text(text), Height(height), Width(width) {}

THeadTreeNode::~THeadTreeNode() = default;

int THeadTreeNode::IndexInHost() const {
    if (!host_) return 0;
    for (int i = 0; i < host_->ChildCount(); ++i)
        if (host_->Child(i) == this) return i;
    return -1;
}

THeadTreeNode* THeadTreeNode::AddChild(const String& text, int height, int width) {
    children_.push_back(std::make_unique<THeadTreeNode>(text, height, width));
    children_.back()->host_ = this;
    return children_.back().get();
}

void THeadTreeNode::Clear() { children_.clear(); }

bool THeadTreeNode::Contains(const THeadTreeNode* node) const {
    for (const THeadTreeNode* n = node; n; n = n->host_)
        if (n == this) return true;
    return false;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* from, THeadTreeNode* to, const String& text, int height) {
    if (!from || from == this || !Contains(from)) RaiseGridOperationError("Node not in Tree");
    THeadTreeNode* host = from->host_;
    const int first = from->IndexInHost();
    const int last = (to && to->host_ == host) ? to->IndexInHost() : -1;
    if (last < first) RaiseGridOperationError("ATo not in level");
    auto node = std::make_unique<THeadTreeNode>(text, height, 0);
    node->host_ = host;
    auto begin = host->children_.begin() + first;
    auto end = host->children_.begin() + last + 1;
    for (auto it = begin; it != end; ++it) {
        (*it)->host_ = node.get();
        node->children_.push_back(std::move(*it));
    }
    host->children_.erase(begin, end);
    THeadTreeNode* result = node.get();
    host->children_.insert(host->children_.begin() + first, std::move(node));
    return result;
}

int THeadTreeNode::SubtreeHeight() const {
    if (children_.empty()) return 0;
    return children_.front()->Height + children_.front()->SubtreeHeight();
}

void THeadTreeNode::ClearDrawn() {
    Drawn = false;
    for (auto& child : children_) child->ClearDrawn();
}

void SplitCaptionEh(const String& caption, String& first, String& rest) {
    const std::size_t bar = caption.find('|');
    if (bar == String::npos) {
        first = caption;
        rest.clear();
        return;
    }
    first = caption.substr(0, bar);
    rest = caption.substr(bar + 1);
}

namespace {
bool HasSecondPart(const String& text) { return text.find('|') != String::npos; }
}  // namespace

std::vector<THeadTreeNode*> BuildHeadTreeEh(THeadTreeNode* root, const std::vector<THeadLeafEh>& leaves,
                                           int leafHeight, int lineWidth) {
    root->Clear();
    std::vector<THeadTreeNode*> result;
    result.reserve(leaves.size());
    for (const THeadLeafEh& leaf : leaves) {
        THeadTreeNode* node = root->AddChild(leaf.Caption, leafHeight, leaf.Width);
        node->Indent = leaf.Indent;
        node->WIndent = lineWidth;
        node->Column = leaf.Column;
        result.push_back(node);
    }
    constexpr int kGroupHeight = 20;
    const std::size_t n = result.size();
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < n; ++i) {
            THeadTreeNode* leaf = result[i];
            if (!HasSecondPart(leaf->Text)) continue;
            String first, rest;
            SplitCaptionEh(leaf->Text, first, rest);
            // The neighbours under the same host whose captions start the same way.
            std::size_t last = i;
            while (last + 1 < n && result[last + 1]->Host() == leaf->Host() && HasSecondPart(result[last + 1]->Text)) {
                String otherFirst, otherRest;
                SplitCaptionEh(result[last + 1]->Text, otherFirst, otherRest);
                if (otherFirst != first) break;
                ++last;
            }
            int width = 0;
            for (std::size_t k = i; k <= last; ++k) {
                String f, r;
                SplitCaptionEh(result[k]->Text, f, r);
                result[k]->Text = r;
                result[k]->Height -= kGroupHeight;
                width += result[k]->Width + result[k]->WIndent;
            }
            THeadTreeNode* group = root->Union(result[i], result[last], first, kGroupHeight);
            group->WIndent = lineWidth;
            group->Width = width - lineWidth;
            changed = true;
            i = last;
        }
    }
    return result;
}

namespace {
int LevelHeight(THeadTreeNode* node, const THeadMeasureEh& measure) {
    if (!node->HasChildren()) return 0;
    const int count = node->ChildCount();
    std::vector<int> below(static_cast<std::size_t>(count), 0);
    int level = 0;
    for (int i = 0; i < count; ++i) {
        THeadTreeNode* child = node->Child(i);
        const String text = child->Text.empty() ? String(" ") : child->Text;
        const int own = measure(child, text, std::max(1, child->Width - child->Indent - 4));
        below[static_cast<std::size_t>(i)] = LevelHeight(child, measure);
        level = std::max(level, own + below[static_cast<std::size_t>(i)]);
    }
    for (int i = 0; i < count; ++i) node->Child(i)->Height = level - below[static_cast<std::size_t>(i)];
    node->Height = level;
    return level;
}
}  // namespace

int LayoutHeadTreeEh(THeadTreeNode* node, const THeadMeasureEh& measure) { return LevelHeight(node, measure); }

String NormaliseLineBreaksEh(const String& text) {
    String out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}
