#include "Lists.h"

#include "Encoding.h"
#include "Streams.h"

#include <algorithm>
#include <numeric>

namespace {

String IndexMessage(int index) {
    return "List index out of bounds (" + std::to_string(index) + ")";
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Opens an update bracket for the lifetime of the object.
class UpdateBracket {
public:
    explicit UpdateBracket(TStrings& strings) : strings_(strings) { strings_.BeginUpdate(); }
    ~UpdateBracket() { strings_.EndUpdate(); }
    UpdateBracket(const UpdateBracket&) = delete;
    UpdateBracket& operator=(const UpdateBracket&) = delete;

private:
    TStrings& strings_;
};

// The bytes of a text file as UTF-8: GBK, or UTF-8 after a UTF-8 byte order mark.
String DecodeText(const std::string& bytes) {
    static const char kBom[] = "\xEF\xBB\xBF";
    if (bytes.compare(0, 3, kBom) == 0) return Utf16ToUtf8(Utf8ToUtf16(bytes.substr(3)));
    return GbkToUtf8(bytes);
}

}  // namespace

// ---- TList ------------------------------------------------------------------------------------

void TList::Check(int index) const {
    if (index < 0 || index >= Count()) throw EListError(IndexMessage(index));
}

void* TList::Get(int index) const {
    Check(index);
    return items_[static_cast<std::size_t>(index)];
}

void TList::Put(int index, void* item) {
    Check(index);
    items_[static_cast<std::size_t>(index)] = item;
}

void*& TList::operator[](int index) {
    Check(index);
    return items_[static_cast<std::size_t>(index)];
}

int TList::Add(void* item) {
    items_.push_back(item);
    return Count() - 1;
}

void TList::Insert(int index, void* item) {
    if (index < 0 || index > Count()) throw EListError(IndexMessage(index));
    items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
    Check(index);
    items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
    const int index = IndexOf(item);
    if (index >= 0) Delete(index);
    return index;
}

int TList::IndexOf(void* item) const {
    const auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
    Check(index1);
    Check(index2);
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
}

void TList::Move(int curIndex, int newIndex) {
    Check(curIndex);
    Check(newIndex);
    if (curIndex == newIndex) return;
    void* item = items_[static_cast<std::size_t>(curIndex)];
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, item);
}

void TList::Sort(const TListSortCompare& compare) {
    std::stable_sort(items_.begin(), items_.end(),
                     [&](void* a, void* b) { return compare(a, b) < 0; });
}

// ---- TStrings ---------------------------------------------------------------------------------

void TStrings::IndexError(int index) const {
    throw EStringListError(IndexMessage(index));
}

int TStrings::CompareStrings(const String& s1, const String& s2) const {
    return CompareText(s1, s2);
}

void TStrings::Put(int index, const String& text) {
    TObject* object = Objects(index);
    UpdateBracket bracket(*this);
    Delete(index);
    InsertObject(index, text, object);
}

TObject* TStrings::Objects(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
    return nullptr;
}

void TStrings::PutObject(int index, TObject*) {
    if (index < 0 || index >= Count()) IndexError(index);
}

int TStrings::Add(const String& text) {
    const int index = Count();
    Insert(index, text);
    return index;
}

int TStrings::AddObject(const String& text, TObject* object) {
    const int index = Add(text);
    PutObject(index, object);
    return index;
}

void TStrings::InsertObject(int index, const String& text, TObject* object) {
    Insert(index, text);
    PutObject(index, object);
}

void TStrings::Exchange(int index1, int index2) {
    UpdateBracket bracket(*this);
    const String text1 = Get(index1);
    TObject* object1 = Objects(index1);
    Put(index1, Get(index2));
    PutObject(index1, Objects(index2));
    Put(index2, text1);
    PutObject(index2, object1);
}

void TStrings::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    if (newIndex < 0 || newIndex >= Count()) IndexError(newIndex);
    UpdateBracket bracket(*this);
    const String text = Get(curIndex);
    TObject* object = Objects(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, text, object);
}

void TStrings::AddStrings(TStrings* strings) {
    if (!strings) return;
    UpdateBracket bracket(*this);
    const int count = strings->Count();
    for (int i = 0; i < count; ++i) AddObject(strings->Get(i), strings->Objects(i));
}

void TStrings::Assign(TPersistent* source) {
    auto* strings = dynamic_cast<TStrings*>(source);
    if (!strings) {
        inherited::Assign(source);
        return;
    }
    if (strings == this) return;
    UpdateBracket bracket(*this);
    Clear();
    delimiter_ = strings->delimiter_;
    quoteChar_ = strings->quoteChar_;
    strictDelimiter_ = strings->strictDelimiter_;
    AddStrings(strings);
}

bool TStrings::Equals(TStrings* strings) const {
    if (!strings) return false;
    const int count = Count();
    if (count != strings->Count()) return false;
    for (int i = 0; i < count; ++i)
        if (Get(i) != strings->Get(i)) return false;
    return true;
}

int TStrings::IndexOf(const String& text) const {
    const int count = Count();
    for (int i = 0; i < count; ++i)
        if (CompareStrings(Get(i), text) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const String& name) const {
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        const String item = Get(i);
        const std::size_t eq = item.find('=');
        if (eq != String::npos && CompareStrings(item.substr(0, eq), name) == 0) return i;
    }
    return -1;
}

String TStrings::Names(int index) const {
    const String item = Get(index);
    const std::size_t eq = item.find('=');
    return eq == String::npos ? String() : item.substr(0, eq);
}

String TStrings::Values(const String& name) const {
    const int index = IndexOfName(name);
    if (index < 0) return String();
    const String item = Get(index);
    return item.substr(item.find('=') + 1);
}

void TStrings::SetValue(const String& name, const String& value) {
    const int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0) Delete(index);
    } else if (index < 0) {
        Add(name + "=" + value);
    } else {
        Put(index, name + "=" + value);
    }
}

String TStrings::Text() const {
    String result;
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        result += Get(i);
        result += "\r\n";
    }
    return result;
}

void TStrings::SetText(const String& text) {
    UpdateBracket bracket(*this);
    Clear();
    const std::size_t n = text.size();
    std::size_t p = 0;
    while (p < n) {
        const std::size_t start = p;
        while (p < n && text[p] != '\r' && text[p] != '\n') ++p;
        Add(text.substr(start, p - start));
        if (p < n && text[p] == '\r') ++p;
        if (p < n && text[p] == '\n') ++p;
    }
}

String TStrings::DelimitedTextWith(char delimiter, char quoteChar, bool strict) const {
    const int count = Count();
    if (count == 1 && Get(0).empty()) return String(2, quoteChar);
    String result;
    for (int i = 0; i < count; ++i) {
        const String item = Get(i);
        const bool quote = std::any_of(item.begin(), item.end(), [&](char c) {
            return c == delimiter || c == quoteChar || (!strict && IsBlankOrControl(c));
        });
        if (i > 0) result += delimiter;
        if (!quote) {
            result += item;
            continue;
        }
        result += quoteChar;
        for (char c : item) {
            if (c == quoteChar) result += quoteChar;
            result += c;
        }
        result += quoteChar;
    }
    return result;
}

void TStrings::SetDelimitedTextWith(const String& text, char delimiter, char quoteChar, bool strict) {
    UpdateBracket bracket(*this);
    Clear();
    const std::size_t n = text.size();
    std::size_t p = 0;
    auto skipBlanks = [&] {
        if (!strict)
            while (p < n && IsBlankOrControl(text[p])) ++p;
    };
    skipBlanks();
    while (p < n) {
        String item;
        if (text[p] == quoteChar) {
            ++p;
            while (p < n) {
                if (text[p] == quoteChar) {
                    if (p + 1 < n && text[p + 1] == quoteChar) {
                        item += quoteChar;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += text[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < n && text[p] != delimiter && (strict || !IsBlankOrControl(text[p]))) ++p;
            item = text.substr(start, p - start);
        }
        Add(item);
        skipBlanks();
        if (p < n && text[p] == delimiter) {
            ++p;
            if (p == n) Add(String());
            skipBlanks();
        }
    }
}

String TStrings::DelimitedText() const {
    return DelimitedTextWith(delimiter_, quoteChar_, strictDelimiter_);
}

void TStrings::SetDelimitedText(const String& text) {
    SetDelimitedTextWith(text, delimiter_, quoteChar_, strictDelimiter_);
}

String TStrings::CommaText() const {
    return DelimitedTextWith(',', '"', false);
}

void TStrings::SetCommaText(const String& text) {
    SetDelimitedTextWith(text, ',', '"', false);
}

void TStrings::LoadFromFile(const String& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const String& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(&stream);
}

void TStrings::LoadFromStream(TStream* stream) {
    if (!stream) throw EStreamError("LoadFromStream: no source stream");
    const std::int64_t count = std::max<std::int64_t>(0, stream->Size() - stream->Position());
    std::string bytes(static_cast<std::size_t>(count), '\0');
    bytes.resize(static_cast<std::size_t>(stream->Read(bytes.data(), count)));
    SetText(DecodeText(bytes));
}

void TStrings::SaveToStream(TStream* stream) {
    if (!stream) throw EStreamError("SaveToStream: no target stream");
    const AnsiString bytes = Utf8ToGbk(Text());
    stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    --updateCount_;
    if (updateCount_ == 0) SetUpdateState(false);
}

// ---- TStringList ------------------------------------------------------------------------------

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (ownsObjects_)
        for (Item& item : items_) delete item.object;
}

void TStringList::Check(int index) const {
    if (index < 0 || index >= Count()) IndexError(index);
}

void TStringList::SortedListError() const {
    throw EStringListError("Operation not allowed on sorted list");
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const String& s1, const String& s2) const {
    if (!caseSensitive_) return CompareText(s1, s2);
    const int c = s1.compare(s2);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

String TStringList::Get(int index) const {
    Check(index);
    return items_[static_cast<std::size_t>(index)].text;
}

void TStringList::Put(int index, const String& text) {
    if (sorted_) SortedListError();
    Check(index);
    Changing();
    items_[static_cast<std::size_t>(index)].text = text;
    Changed();
}

TObject* TStringList::Objects(int index) const {
    Check(index);
    return items_[static_cast<std::size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
    Check(index);
    Changing();
    TObject*& slot = items_[static_cast<std::size_t>(index)].object;
    TObject* old = slot;
    slot = object;
    if (ownsObjects_ && old != object) delete old;
    Changed();
}

void TStringList::InsertItem(int index, const String& text, TObject* object) {
    Changing();
    items_.insert(items_.begin() + index, Item{text, object});
    Changed();
}

int TStringList::Add(const String& text) {
    return AddObject(text, nullptr);
}

int TStringList::AddObject(const String& text, TObject* object) {
    int index = Count();
    if (sorted_ && Find(text, index)) {
        switch (duplicates_) {
        case dupIgnore: return index;
        case dupError: throw EStringListError("String list does not allow duplicates");
        case dupAccept:
            while (index < Count() &&
                   CompareStrings(items_[static_cast<std::size_t>(index)].text, text) == 0)
                ++index;
            break;
        }
    }
    InsertItem(index, text, object);
    return index;
}

void TStringList::Insert(int index, const String& text) {
    InsertObject(index, text, nullptr);
}

void TStringList::InsertObject(int index, const String& text, TObject* object) {
    if (sorted_) SortedListError();
    if (index < 0 || index > Count()) IndexError(index);
    InsertItem(index, text, object);
}

void TStringList::Delete(int index) {
    Check(index);
    Changing();
    TObject* object = items_[static_cast<std::size_t>(index)].object;
    items_.erase(items_.begin() + index);
    if (ownsObjects_) delete object;
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    std::vector<Item> old;
    old.swap(items_);
    if (ownsObjects_)
        for (Item& item : old) delete item.object;
    Changed();
}

void TStringList::Exchange(int index1, int index2) {
    if (sorted_) SortedListError();
    Check(index1);
    Check(index2);
    Changing();
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
    Changed();
}

void TStringList::Move(int curIndex, int newIndex) {
    if (sorted_) SortedListError();
    Check(curIndex);
    Check(newIndex);
    if (curIndex == newIndex) return;
    Changing();
    Item item = std::move(items_[static_cast<std::size_t>(curIndex)]);
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, std::move(item));
    Changed();
}

bool TStringList::Find(const String& text, int& index) const {
    if (!sorted_) {
        index = TStrings::IndexOf(text);
        if (index >= 0) return true;
        index = Count();
        return false;
    }
    const auto it = std::lower_bound(items_.begin(), items_.end(), text, [&](const Item& item, const String& s) {
        return CompareStrings(item.text, s) < 0;
    });
    index = static_cast<int>(it - items_.begin());
    return it != items_.end() && CompareStrings(it->text, text) == 0;
}

int TStringList::IndexOf(const String& text) const {
    if (!sorted_) return TStrings::IndexOf(text);
    int index;
    return Find(text, index) ? index : -1;
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (sorted_) SortedListError();
    if (items_.size() < 2) return;
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order) sorted.push_back(items_[static_cast<std::size_t>(i)]);
    Changing();
    items_.swap(sorted);
    Changed();
}

void TStringList::Sort() {
    if (sorted_) return;
    CustomSort([](TStringList* list, int a, int b) {
        return list->CompareStrings(list->items_[static_cast<std::size_t>(a)].text,
                                    list->items_[static_cast<std::size_t>(b)].text);
    });
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_) return;
    if (sorted) Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_) return;
    caseSensitive_ = caseSensitive;
    if (sorted_) {
        sorted_ = false;
        Sort();
        sorted_ = true;
    }
}
