// Lists of the class layer.
//
// Classes in this file:
//   TList        list of untyped pointers; index errors raise EListError
//   TStrings     abstract list of strings, each with an object: text forms, name=value pairs,
//                update brackets with OnChanging/OnChange, file and stream I/O (GBK on disk)
//   TStringList  the concrete list: sorting, duplicates policy, case sensitivity, owned objects
//
// Properties are methods: `X()` reads, `SetX(value)` writes. Index errors raise
// "List index out of bounds (N)".
#pragma once

#include "Events.h"
#include "Object.h"

#include <functional>
#include <vector>

class TStream;

class TList : public TObject {
    VESTREL_CLASS(TList, TObject)
public:
    // Negative when item1 sorts before item2, 0 when equal, positive after.
    using TListSortCompare = std::function<int(void* item1, void* item2)>;

    int Count() const { return static_cast<int>(items_.size()); }
    void* Get(int index) const;
    void Put(int index, void* item);
    void* operator[](int index) const { return Get(index); }
    void*& operator[](int index);
    void* First() const { return Get(0); }
    void* Last() const { return Get(Count() - 1); }

    int Add(void* item);
    void Insert(int index, void* item);  // 0..Count
    void Delete(int index);
    int Remove(void* item);              // index the item had, or -1
    int IndexOf(void* item) const;
    void Clear() { items_.clear(); }
    void Exchange(int index1, int index2);
    void Move(int curIndex, int newIndex);
    void Sort(const TListSortCompare& compare);  // stable

private:
    void Check(int index) const;

    std::vector<void*> items_;
};

class TStrings : public TPersistent {
    VESTREL_CLASS(TStrings, TPersistent)
public:
    // Items.
    int Count() const { return GetCount(); }
    virtual String Get(int index) const = 0;
    virtual void Put(int index, const String& text);
    String Strings(int index) const { return Get(index); }
    String operator[](int index) const { return Get(index); }
    virtual TObject* Objects(int index) const;
    virtual void PutObject(int index, TObject* object);

    virtual int Add(const String& text);
    virtual int AddObject(const String& text, TObject* object);
    virtual void Insert(int index, const String& text) = 0;
    virtual void InsertObject(int index, const String& text, TObject* object);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int index1, int index2);
    virtual void Move(int curIndex, int newIndex);
    // Both copy the objects' pointers: the objects are shared, not duplicated.
    virtual void AddStrings(TStrings* strings);
    void Assign(TPersistent* source) override;
    // Same count and the same strings in the same order (compared exactly).
    bool Equals(TStrings* strings) const;

    // Search, with this list's comparison (TStringList: CaseSensitive; others: CompareText).
    virtual int IndexOf(const String& text) const;
    int IndexOfName(const String& name) const;

    // name=value pairs: the name is the text before the first '='.
    String Names(int index) const;  // "" when the item holds no '='
    String Values(const String& name) const;
    void SetValue(const String& name, const String& value);  // an empty value removes the pair

    // Text forms. Text joins every item with CR LF after it; setting it splits at CR LF, CR or
    // LF (a final line break adds no item).
    String Text() const;
    virtual void SetText(const String& text);
    // Items separated by Delimiter; items holding blanks, controls, the delimiter or the quote
    // character are quoted (QuoteChar doubled inside). Unless StrictDelimiter is set, blanks
    // also separate items when read. CommaText is the same with ',' and '"', not strict.
    String DelimitedText() const;
    void SetDelimitedText(const String& text);
    String CommaText() const;
    void SetCommaText(const String& text);
    char Delimiter() const { return delimiter_; }
    void SetDelimiter(char delimiter) { delimiter_ = delimiter; }
    char QuoteChar() const { return quoteChar_; }
    void SetQuoteChar(char quoteChar) { quoteChar_ = quoteChar; }
    bool StrictDelimiter() const { return strictDelimiter_; }
    void SetStrictDelimiter(bool strict) { strictDelimiter_ = strict; }

    // Files and streams hold GBK text with CR LF line ends. A file that starts with a UTF-8 byte
    // order mark is read as UTF-8. Loading replaces the items; streams are read from their
    // position to their end.
    virtual void LoadFromFile(const String& fileName);
    virtual void SaveToFile(const String& fileName);
    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream);

    // While at least one update bracket is open, change events are held back; closing the last
    // one reports a single change.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

protected:
    virtual int GetCount() const = 0;
    virtual int CompareStrings(const String& s1, const String& s2) const;
    // Called with true when the first bracket opens and false when the last one closes.
    virtual void SetUpdateState(bool updating) {}
    [[noreturn]] void IndexError(int index) const;

private:
    String DelimitedTextWith(char delimiter, char quoteChar, bool strict) const;
    void SetDelimitedTextWith(const String& text, char delimiter, char quoteChar, bool strict);

    int updateCount_ = 0;
    char delimiter_ = ',';
    char quoteChar_ = '"';
    bool strictDelimiter_ = false;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
    VESTREL_CLASS(TStringList, TStrings)
public:
    // Answers < 0, 0 or > 0 for the items at index1 and index2.
    using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

    explicit TStringList(bool ownsObjects = false) : ownsObjects_(ownsObjects) {}
    ~TStringList() override;

    String Get(int index) const override;
    void Put(int index, const String& text) override;  // not on a sorted list
    TObject* Objects(int index) const override;
    // With OwnsObjects, a replaced object is freed.
    void PutObject(int index, TObject* object) override;

    // On a sorted list the item goes to its place; an equal item already there is kept
    // (dupIgnore, answering its index), accepted after the equal ones (dupAccept), or refused
    // with EStringListError "String list does not allow duplicates" (dupError); the object of
    // an item not added stays the caller's. An unsorted list accepts every item.
    int Add(const String& text) override;
    int AddObject(const String& text, TObject* object) override;
    void Insert(int index, const String& text) override;  // not on a sorted list
    void InsertObject(int index, const String& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    void Exchange(int index1, int index2) override;  // not on a sorted list
    void Move(int curIndex, int newIndex) override;  // not on a sorted list

    int IndexOf(const String& text) const override;
    // Sorted: binary search; answers whether `text` is there and the index it has or would get.
    // Unsorted: linear search, `index` = Count when absent.
    bool Find(const String& text, int& index) const;
    void Sort();
    void CustomSort(const TStringListSortCompare& compare);  // stable; clears nothing

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool caseSensitive);
    // Owned objects are freed when their item is deleted, the list cleared or freed.
    bool OwnsObjects() const { return ownsObjects_; }
    void SetOwnsObjects(bool ownsObjects) { ownsObjects_ = ownsObjects; }

    // Called with the list before and after each change (held back inside update brackets).
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    int GetCount() const override { return static_cast<int>(items_.size()); }
    int CompareStrings(const String& s1, const String& s2) const override;
    void SetUpdateState(bool updating) override;
    virtual void Changing();
    virtual void Changed();

private:
    struct Item {
        String text;
        TObject* object = nullptr;
    };
    void Check(int index) const;
    void InsertItem(int index, const String& text, TObject* object);
    [[noreturn]] void SortedListError() const;

    std::vector<Item> items_;
    bool sorted_ = false;
    TDuplicates duplicates_ = dupIgnore;
    bool caseSensitive_ = false;
    bool ownsObjects_ = false;
};
