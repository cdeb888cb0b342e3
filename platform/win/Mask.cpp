#include "Mask.h"

#include "Encoding.h"
#include "MaskUtils.h"
#include "TypeRegistry.h"

namespace {

// The mask's three fields: the mask, the save flag and the blank character.
struct TMaskParts {
    std::u16string Mask;
    char16_t Blank = u'_';
};

TMaskParts SplitMask(const String& editMask) {
    const std::u16string all = Utf8ToUtf16(editMask);
    TMaskParts parts;
    // The fields are separated by the last two unescaped ';'.
    std::vector<std::size_t> separators;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == u'\\') {
            ++i;
            continue;
        }
        if (all[i] == u';')
            separators.push_back(i);
    }
    std::size_t end = all.size();
    if (separators.size() >= 2) {
        end = separators[separators.size() - 2];
        const std::size_t blankAt = separators.back() + 1;
        if (blankAt < all.size())
            parts.Blank = all[blankAt];
    } else if (separators.size() == 1) {
        end = separators[0];
    }
    parts.Mask = all.substr(0, end);
    return parts;
}

bool Required(char16_t c) {
    return c == u'0' || c == u'L' || c == u'A' || c == u'C';
}

}  // namespace

bool MaskTextComplete(const String& editMask, const String& text) {
    const TMaskParts parts = SplitMask(editMask);
    const std::u16string chars = Utf8ToUtf16(text);
    std::size_t position = 0;
    for (std::size_t i = 0; i < parts.Mask.size(); ++i) {
        const char16_t m = parts.Mask[i];
        if (m == u'>' || m == u'<' || m == u'!')
            continue;
        if (m == u'\\')
            ++i;  // the next mask character is a literal
        else if (Required(m) && (position >= chars.size() || chars[position] == parts.Blank || chars[position] == u' '))
            return false;
        ++position;
    }
    return true;
}

String TCustomMaskEdit::MaskPart() const {
    return Utf16ToUtf8(SplitMask(editMask_).Mask);
}

void TCustomMaskEdit::SetEditMask(const String& value) {
    if (value == editMask_)
        return;
    const String text = TControl::Text();
    editMask_ = value;
    SetText(text);
}

void TCustomMaskEdit::SetText(const String& value) {
    TControl::SetText(IsMasked() ? FormatMaskText(editMask_, value) : value);
}

void TCustomMaskEdit::ValidateEdit() {
    if (IsMasked() && !MaskTextComplete(editMask_, TControl::Text()))
        ValidateError();
}

void TCustomMaskEdit::ValidateError() {
    MessageBeep(0);
    throw EDBEditError(kMaskValidationErrorText);
}

void TCustomMaskEdit::CMExit(TMessage& m) {
    ValidateEdit();
    inherited::CMExit(m);
}

void TCustomMaskEdit::DestroyWnd() {
    if (HandleAllocated()) {
        savedSelStart_ = SelStart();
        savedSelLength_ = SelLength();
    }
    inherited::DestroyWnd();
}

void TCustomMaskEdit::CreateWnd() {
    inherited::CreateWnd();
    if (savedSelStart_ >= 0) {
        SetSelStart(savedSelStart_);
        SetSelLength(savedSelLength_);
        savedSelStart_ = -1;
    }
}

void RegisterMaskClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterStdCtrlsClasses();
    RegisterComponentClass<TMaskEdit>();
    RegisterProperties<TCustomMaskEdit>()
        .Str("EditMask", &TCustomMaskEdit::EditMask, &TCustomMaskEdit::SetEditMask)
        .Str("Text", [](TCustomMaskEdit& e) { return e.Text(); }, &TCustomMaskEdit::SetText);
}
