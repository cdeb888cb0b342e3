// The data grid's incremental search (typing finds the first record whose current cell begins with
// the typed text; a time-out ends the search) and the copy of a value from the record above.
#include "DBGridEh.h"

#include "Encoding.h"

namespace {

WideString UpperWide(const String& text) {
    WideString wide = Utf8ToUtf16(text);
    if (!wide.empty()) CharUpperBuffW(reinterpret_cast<wchar_t*>(wide.data()), static_cast<DWORD>(wide.size()));
    return wide;
}

// The first `count` characters of `text` (UTF-16 units counted as in `UpperWide`).
String WideLeft(const String& text, std::size_t count) {
    const WideString wide = Utf8ToUtf16(text);
    return Utf16ToUtf8(wide.substr(0, std::min(count, wide.size())));
}

// Whether `text` begins with `prefix`, letters compared regardless of case.
bool BeginsWithText(const String& text, const WideString& upperPrefix) {
    const WideString upper = UpperWide(text);
    return upper.size() >= upperPrefix.size() && upper.compare(0, upperPrefix.size(), upperPrefix) == 0;
}

// `text` less its last character (a whole character, never half of one).
String DropLastCharacter(const String& text) {
    WideString wide = Utf8ToUtf16(text);
    if (wide.empty()) return text;
    wide.pop_back();
    if (!wide.empty() && IS_HIGH_SURROGATE(wide.back())) wide.pop_back();
    return Utf16ToUtf8(wide);
}

// The clipboard's text (empty when it holds none or cannot be opened).
String ClipboardText(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return String();
    String text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const char16_t*>(GlobalLock(data))) {
            const SIZE_T limit = GlobalSize(data) / sizeof(char16_t);
            SIZE_T n = 0;
            while (n < limit && chars[n] != 0) ++n;
            text = Utf16ToUtf8(WideString(chars, n));
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

}  // namespace

void TCustomDBGridEh::StartIncSearch(const String& text, int timeout, int direction) {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    const int dataCol = SelectedIndex();
    if (!link->Active() || !ds || dataCol < 0 || dataCol >= Columns()->Count()) return;
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    const String newText = incSearchText_ + text;
    String found = incSearchText_;
    if (!newText.empty()) {
        const WideString wanted = UpperWide(newText);
        const std::size_t length = Utf8ToUtf16(newText).size();
        if (!BeginsWithText(column->DisplayText(), wanted) || direction != 0) {
            incSearchMoving_ = true;
            ds->DisableControls();
            try {
                const TBookmark saved = ds->Bookmark();
                bool matched = false;
                if (direction == 0) {
                    ds->First();
                } else {
                    ds->MoveBy(direction == 1 ? 1 : -1);
                }
                const bool forward = direction != 2;
                const bool moved = direction == 0 || (forward ? !ds->Eof() : !ds->Bof());
                if (moved && !ds->IsEmpty()) {
                    while (true) {
                        if (BeginsWithText(column->DisplayText(), wanted)) {
                            matched = true;
                            break;
                        }
                        if (forward) {
                            ds->Next();
                            if (ds->Eof()) break;
                        } else {
                            ds->Prior();
                            if (ds->Bof()) break;
                        }
                    }
                }
                if (matched)
                    found = WideLeft(column->DisplayText(), length);
                else
                    ds->GotoBookmark(saved);
            } catch (...) {
                ds->EnableControls();
                incSearchMoving_ = false;
                throw;
            }
            ds->EnableControls();
            incSearchMoving_ = false;
        } else {
            found = WideLeft(column->DisplayText(), length);
        }
    }
    HideEditor();
    incSearchActive_ = true;
    incSearchText_ = found;
    incSearchTimeout_ = timeout;
    InvalidateGridRow(Row());
    if (HandleAllocated()) {
        KillTimer(WindowHandle(), kIncSearchTimer);
        if (timeout >= 0) SetTimer(WindowHandle(), kIncSearchTimer, static_cast<UINT>(timeout), nullptr);
    }
}

void TCustomDBGridEh::StopIncSearch() {
    if (HandleAllocated()) KillTimer(WindowHandle(), kIncSearchTimer);
    if (!incSearchActive_) return;
    incSearchActive_ = false;
    incSearchText_.clear();
    InvalidateGridRow(Row());
    ShowEditorIfAlwaysShown();
}

bool TCustomDBGridEh::TypingSearches() {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    if (!link->Active() || !ds) return false;
    const TDataSetState state = ds->State();
    if (state == dsEdit || state == dsInsert || state == dsSetKey) return false;
    if (incSearchActive_) return true;
    const TDBGridEhOptions eh = OptionsEh();
    if (eh.Contains(dghIncSearch)) {
        const int dataCol = SelectedIndex();
        const bool columnEditable = dataCol >= 0 && dataCol < Columns()->Count() &&
                                    Columns()->ColumnAt(dataCol)->CanModify(false) && Options().Contains(dgEditing);
        if (!columnEditable) return true;
    }
    return eh.Contains(dghPreferIncSearch) && !Options().Contains(dgAlwaysShowEditor) && !EditorShown();
}

void TCustomDBGridEh::SearchTypedText(const String& text) {
    if (incSearchActive_)
        StartIncSearch(text, incSearchTimeout_, 0);
    else
        StartIncSearch(text, static_cast<int>(DBGridEhSettings().IncSearchDelay), 0);
}

// The shortcuts that come before the key tables: copy from the record above, the search's own keys.
bool TCustomDBGridEh::SearchKeyDown(WORD& key, TShiftState shift) {
    const TShortCut pressed = ShortCut(key, shift);
    const TDBGridEhSettings& settings = DBGridEhSettings();
    const TDBGridEhOptions eh = OptionsEh();
    const bool noModifiers = !shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
    if (pressed == settings.CopyFromPriorShortCut) {
        CopyFromPriorRecord();
        return true;
    }
    if (pressed == settings.IncSearchShortCut && eh.Contains(dghIncSearch)) {
        if (incSearchActive_ && eh.Contains(dghDialogFind) && settings.IncSearchShortCut == settings.FindDialogShortCut) {
            // The dialog goes on with the text typed so far.
            const String text = incSearchText_;
            StopIncSearch();
            if (TFindDialogRoutineEh open = DBGridEhFindDialogRoutine()) open(this, text, GetFindDialogFlag());
        } else {
            StartIncSearch(String(), -1, 0);
        }
        return true;
    }
    if (pressed == settings.FindDialogShortCut && eh.Contains(dghDialogFind)) {
        OpenFindDialog();
        return true;
    }
    if (!incSearchActive_) return false;
    if (noModifiers && (key == VK_RETURN || key == VK_ESCAPE || key == VK_F2)) {
        StopIncSearch();
        return false;  // the key still does its own work
    }
    if (noModifiers && key == VK_BACK) {
        incSearchText_ = DropLastCharacter(incSearchText_);
        InvalidateGridRow(Row());
        if (HandleAllocated() && incSearchTimeout_ >= 0)
            SetTimer(WindowHandle(), kIncSearchTimer, static_cast<UINT>(incSearchTimeout_), nullptr);
        return true;
    }
    if (pressed == settings.IncSearchNextShortCut) {
        StartIncSearch(String(), incSearchTimeout_, 1);
        return true;
    }
    if (pressed == settings.IncSearchPriorShortCut) {
        StartIncSearch(String(), incSearchTimeout_, 2);
        return true;
    }
    // Pasting adds the clipboard's text to the search text.
    const bool paste = (shift.Contains(ssCtrl) && !shift.Contains(ssShift) && key == 'V') ||
                       (shift.Contains(ssShift) && !shift.Contains(ssCtrl) && key == VK_INSERT);
    if (paste && EditActions().Contains(geaPasteEh)) {
        const String text = ClipboardText(HandleAllocated() ? WindowHandle() : nullptr);
        if (!text.empty()) StartIncSearch(text, incSearchTimeout_, 0);
        return true;
    }
    return false;
}

void TCustomDBGridEh::CopyFromPriorRecord() {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    const int dataCol = SelectedIndex();
    if (!link->Active() || !ds || link->ActiveRecord() <= 0 || dataCol < 0 || dataCol >= Columns()->Count()) return;
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    TField* field = column->Field();
    if (!field || !column->CanModify(false)) return;
    // A lookup field copies the key that chooses its value.
    std::vector<TField*> fields;
    if (field->FieldKind() == fkLookup)
        ds->GetFieldList(fields, field->KeyFields);
    else
        fields.push_back(field);
    if (fields.empty()) return;
    const int current = link->ActiveRecord();
    std::vector<Variant> values;
    link->SetActiveRecord(current - 1);
    try {
        for (TField* f : fields) values.push_back(f->Value());
    } catch (...) {
        link->SetActiveRecord(current);
        throw;
    }
    link->SetActiveRecord(current);
    ClearGridSelection();
    if (!column->CanModify(true)) return;
    for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(values[i]);
    ShowEditor();
    if (InplaceEditor() && EditorShown()) InplaceEditor()->SelectAll();
}
