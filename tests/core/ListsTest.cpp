// TList, TStrings and TStringList: index errors, sorted insertion and the duplicates policy, the
// text forms, name=value pairs, change events, owned objects and GBK files.
#include "Lists.h"

#include "Streams.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<String> Items(const TStrings& list) {
    std::vector<String> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list.Get(i));
    return items;
}

// Counts the living instances, so a test sees which objects a list freed.
class TCounted : public TObject {
public:
    explicit TCounted(int& alive) : alive_(alive) { ++alive_; }
    ~TCounted() override { --alive_; }

private:
    int& alive_;
};

class TempFolder {
public:
    TempFolder() {
        path_ = fs::temp_directory_path() / ("vestrel-lists-" + std::to_string(std::random_device{}()));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    String File(const String& name) const { return PathToUtf8(path_ / Utf8ToPath(name)); }

private:
    fs::path path_;
};

std::string ReadBytes(const String& fileName) {
    std::ifstream in(Utf8ToPath(fileName), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const String& fileName, const std::string& bytes) {
    std::ofstream out(Utf8ToPath(fileName), std::ios::binary);
    out << bytes;
}

template <class E>
void ExpectError(const std::function<void()>& action, const String& message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const E& e) {
        EXPECT_EQ(e.Message, message);
    }
}

// ---- TList ----

TEST(TListTest, IndexOutOfRangeRaisesWithTheIndex) {
    TList list;
    int a = 1, b = 2;
    list.Add(&a);
    list.Add(&b);
    struct Case {
        const char* name;
        std::function<void()> action;
        int index;
    };
    const Case cases[] = {
        {"Get -1", [&] { list.Get(-1); }, -1},
        {"Get Count", [&] { list.Get(2); }, 2},
        {"operator[] Count", [&] { list[2] = nullptr; }, 2},
        {"Put -1", [&] { list.Put(-1, &a); }, -1},
        {"Delete Count", [&] { list.Delete(2); }, 2},
        {"Insert past Count", [&] { list.Insert(3, &a); }, 3},
        {"Insert -1", [&] { list.Insert(-1, &a); }, -1},
        {"Exchange", [&] { list.Exchange(0, 2); }, 2},
        {"Move to Count", [&] { list.Move(0, 2); }, 2},
        {"Move from -1", [&] { list.Move(-1, 0); }, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectError<EListError>(c.action, "List index out of bounds (" + std::to_string(c.index) + ")");
        EXPECT_EQ(list.Count(), 2);
    }
    TList empty;
    ExpectError<EListError>([&] { empty.First(); }, "List index out of bounds (0)");
    ExpectError<EListError>([&] { empty.Last(); }, "List index out of bounds (-1)");
}

TEST(TListTest, EditsKeepOrder) {
    int v[5] = {0, 1, 2, 3, 4};
    TList list;
    for (int& x : v) list.Add(&x);
    list.Insert(0, &v[4]);        // 4 0 1 2 3 4
    list.Insert(list.Count(), &v[0]);  // 4 0 1 2 3 4 0
    EXPECT_EQ(list.Remove(&v[4]), 0);  // first occurrence: 0 1 2 3 4 0
    EXPECT_EQ(list.Remove(nullptr), -1);
    list.Delete(1);               // 0 2 3 4 0
    list.Exchange(0, 1);          // 2 0 3 4 0
    list.Move(0, 3);              // 0 3 4 2 0
    list.Move(4, 0);              // 0 0 3 4 2
    std::vector<int> got;
    for (int i = 0; i < list.Count(); ++i) got.push_back(*static_cast<int*>(list[i]));
    EXPECT_EQ(got, (std::vector<int>{0, 0, 3, 4, 2}));
    EXPECT_EQ(list.IndexOf(&v[3]), 2);
    EXPECT_EQ(list.First(), &v[0]);
    EXPECT_EQ(list.Last(), &v[2]);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(TListTest, SortIsStableWithTheCompareFunction) {
    struct Pair {
        int key;
        char tag;
    };
    Pair p[] = {{2, 'a'}, {1, 'b'}, {2, 'c'}, {0, 'd'}, {1, 'e'}};
    TList list;
    for (Pair& x : p) list.Add(&x);
    list.Sort([](void* a, void* b) { return static_cast<Pair*>(a)->key - static_cast<Pair*>(b)->key; });
    String tags;
    for (int i = 0; i < list.Count(); ++i) tags += static_cast<Pair*>(list[i])->tag;
    EXPECT_EQ(tags, "dbeac");
}

// ---- TStringList: index errors ----

TEST(TStringListTest, IndexOutOfRangeRaisesWithTheIndex) {
    TStringList list;
    list.SetText("a\r\nb\r\n");
    struct Case {
        const char* name;
        std::function<void()> action;
        int index;
    };
    const Case cases[] = {
        {"Get -1", [&] { list.Get(-1); }, -1},
        {"Get Count", [&] { list.Get(2); }, 2},
        {"operator[] Count", [&] { (void)list[2]; }, 2},
        {"Put Count", [&] { list.Put(2, "x"); }, 2},
        {"Objects -1", [&] { list.Objects(-1); }, -1},
        {"PutObject Count", [&] { list.PutObject(2, nullptr); }, 2},
        {"Delete -1", [&] { list.Delete(-1); }, -1},
        {"Delete Count", [&] { list.Delete(2); }, 2},
        {"Insert past Count", [&] { list.Insert(3, "x"); }, 3},
        {"Exchange", [&] { list.Exchange(-1, 0); }, -1},
        {"Move to Count", [&] { list.Move(0, 2); }, 2},
        {"Names Count", [&] { list.Names(2); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectError<EStringListError>(c.action, "List index out of bounds (" + std::to_string(c.index) + ")");
        EXPECT_EQ(Items(list), (std::vector<String>{"a", "b"}));
    }
}

// ---- Sorting and duplicates ----

TEST(TStringListTest, SortedListInsertsInOrderAndFindsWithoutCase) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "banana", "Cherry"}) list.Add(s);
    EXPECT_EQ(Items(list), (std::vector<String>{"Apple", "banana", "Cherry", "fig", "pear"}));
    int index = -1;
    EXPECT_TRUE(list.Find("CHERRY", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("date", index));
    EXPECT_EQ(index, 3);  // where it would go
    EXPECT_EQ(list.IndexOf("APPLE"), 0);
    EXPECT_EQ(list.IndexOf("grape"), -1);
    EXPECT_EQ(list.Add("Date"), 3);
}

TEST(TStringListTest, DuplicatesPolicyOfASortedList) {
    struct Case {
        const char* name;
        TDuplicates policy;
        bool caseSensitive;
        int expectedIndex;  // -1: raises
        std::vector<String> expected;
    };
    // The list holds "a", "B", "c"; "b" is added.
    const Case cases[] = {
        {"ignore", dupIgnore, false, 1, {"a", "B", "c"}},
        {"accept goes after the equal one", dupAccept, false, 2, {"a", "B", "b", "c"}},
        {"error", dupError, false, -1, {"a", "B", "c"}},
        {"case-sensitive: not a duplicate", dupError, true, 2, {"B", "a", "b", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TStringList list;
        list.SetCaseSensitive(c.caseSensitive);
        list.SetSorted(true);
        list.SetDuplicates(c.policy);
        list.SetCommaText("c,a,B");
        if (c.expectedIndex < 0)
            ExpectError<EStringListError>([&] { list.Add("b"); }, "String list does not allow duplicates");
        else
            EXPECT_EQ(list.Add("b"), c.expectedIndex);
        EXPECT_EQ(Items(list), c.expected);
    }
}

TEST(TStringListTest, UnsortedListAcceptsDuplicatesWhateverThePolicy) {
    TStringList list;
    list.SetDuplicates(dupError);
    list.Add("x");
    EXPECT_EQ(list.Add("X"), 1);
    EXPECT_EQ(list.IndexOf("x"), 0);
}

TEST(TStringListTest, SortingFollowsCaseSensitivity) {
    TStringList list;
    list.SetCommaText("b,C,a,B");
    list.SetSorted(true);
    EXPECT_EQ(Items(list), (std::vector<String>{"a", "b", "B", "C"}));  // stable among equals
    list.SetCaseSensitive(true);
    EXPECT_EQ(Items(list), (std::vector<String>{"B", "C", "a", "b"}));
    EXPECT_EQ(list.IndexOf("c"), -1);
    EXPECT_EQ(list.IndexOf("C"), 1);
}

TEST(TStringListTest, PositionalEditsOfASortedListAreRefusedAndChangeNothing) {
    TStringList list;
    list.SetSorted(true);
    list.SetCommaText("a,b,c");
    const std::function<void()> edits[] = {
        [&] { list.Insert(0, "z"); },
        [&] { list.Put(0, "z"); },
        [&] { list.Exchange(0, 2); },
        [&] { list.Move(0, 2); },
        [&] { list.CustomSort([](TStringList*, int a, int b) { return b - a; }); },
    };
    for (const auto& edit : edits) {
        ExpectError<EStringListError>(edit, "Operation not allowed on sorted list");
        EXPECT_EQ(Items(list), (std::vector<String>{"a", "b", "c"}));
    }
}

TEST(TStringListTest, CustomSortIsStableAndUsesCurrentIndices) {
    TStringList list;
    list.SetCommaText("ccc,a,bb,d,ee");
    list.CustomSort([](TStringList* l, int a, int b) {
        return static_cast<int>(l->Get(a).size()) - static_cast<int>(l->Get(b).size());
    });
    EXPECT_EQ(Items(list), (std::vector<String>{"a", "d", "bb", "ee", "ccc"}));
}

// ---- Text forms ----

TEST(TStringListTest, TextSplitsAtEveryLineBreakKindAndJoinsWithCrLf) {
    struct Case {
        const char* name;
        String text;
        std::vector<String> items;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"one line, no break", "abc", {"abc"}},
        {"CR LF", "a\r\nb\r\n", {"a", "b"}},
        {"LF", "a\nb\n", {"a", "b"}},
        {"CR", "a\rb\r", {"a", "b"}},
        {"no final break", "a\r\nb", {"a", "b"}},
        {"empty line kept", "a\r\n\r\nb", {"a", "", "b"}},
        {"break only", "\r\n", {""}},
        {"LF then CR is two breaks", "a\n\rb", {"a", "", "b"}},
        {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
        {"mixed", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"Chinese", "个人\r\n分类", {"个人", "分类"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TStringList list;
        list.SetText(c.text);
        EXPECT_EQ(Items(list), c.items);
        String joined;
        for (const String& s : c.items) joined += s + "\r\n";
        EXPECT_EQ(list.Text(), joined);
        TStringList again;
        again.SetText(list.Text());
        EXPECT_TRUE(again.Equals(&list));
    }
}

TEST(TStringListTest, DelimitedTextQuotesWhatWouldSplitAndReadsItBack) {
    struct Case {
        const char* name;
        std::vector<String> items;
        String commaText;
    };
    const Case cases[] = {
        {"plain", {"a", "b"}, "a,b"},
        {"blank inside", {"a b", "c"}, "\"a b\",c"},
        {"delimiter inside", {"x,y"}, "\"x,y\""},
        {"quote inside", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {"empty items", {"", "a", ""}, ",a,"},
        {"one empty item", {""}, "\"\""},
        {"nothing", {}, ""},
        {"Chinese", {"个人", "分类"}, "个人,分类"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TStringList list;
        for (const String& s : c.items) list.Add(s);
        EXPECT_EQ(list.CommaText(), c.commaText);
        TStringList back;
        back.SetCommaText(c.commaText);
        EXPECT_EQ(Items(back), c.items);
    }
}

TEST(TStringListTest, DelimitedTextReading) {
    struct Case {
        const char* name;
        char delimiter;
        bool strict;
        String text;
        std::vector<String> items;
    };
    const Case cases[] = {
        {"blanks separate", ',', false, "  a b ,c  ", {"a", "b", "c"}},
        {"quoted keeps blanks", ',', false, "\" a \", b", {" a ", "b"}},
        {"unterminated quote", ',', false, "\"abc", {"abc"}},
        {"trailing delimiter", ';', false, "a;", {"a", ""}},
        {"strict keeps blanks", ';', true, " a b ;c", {" a b ", "c"}},
        {"strict quoted", ';', true, "\"x;y\";z", {"x;y", "z"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TStringList list;
        list.SetDelimiter(c.delimiter);
        list.SetStrictDelimiter(c.strict);
        list.SetDelimitedText(c.text);
        EXPECT_EQ(Items(list), c.items);
    }
}

// ---- name=value pairs ----

TEST(TStringListTest, NamesAndValues) {
    TStringList list;
    list.SetText("DBConn=C:\\a=b.mdb\r\nCategory=\r\nplain\r\n=orphan\r\n");
    EXPECT_EQ(list.Names(0), "DBConn");
    EXPECT_EQ(list.Names(1), "Category");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Names(3), "");
    EXPECT_EQ(list.Values("dbconn"), "C:\\a=b.mdb");  // after the first '=' only
    EXPECT_EQ(list.Values("Category"), "");
    EXPECT_EQ(list.Values("plain"), "");
    EXPECT_EQ(list.IndexOfName("CATEGORY"), 1);
    EXPECT_EQ(list.IndexOfName("plain"), -1);

    list.SetValue("category", "个人");    // replaced in place, with the given spelling
    list.SetValue("AutoCode", "1");       // appended
    list.SetValue("DBConn", "");          // an empty value removes the pair
    list.SetValue("missing", "");
    EXPECT_EQ(Items(list), (std::vector<String>{"category=个人", "plain", "=orphan", "AutoCode=1"}));
}

// ---- Events ----

struct ChangeRecorder {
    String trace;
    TObject* sender = nullptr;
    void Changing(TObject* s) {
        sender = s;
        trace += "<";
    }
    void Changed(TObject*) { trace += ">"; }
};

TEST(TStringListTest, ChangeEventsAndUpdateBrackets) {
    TStringList list;
    ChangeRecorder recorder;
    String& trace = recorder.trace;
    list.OnChanging = Event<&ChangeRecorder::Changing>(&recorder);
    list.OnChange = Event<&ChangeRecorder::Changed>(&recorder);
    struct Case {
        const char* name;
        std::function<void()> action;
        String expected;
    };
    const Case cases[] = {
        {"Add", [&] { list.Add("a"); }, "<>"},
        {"Put", [&] { list.Put(0, "b"); }, "<>"},
        {"Text is one change", [&] { list.SetText("x\ny\nz"); }, "<>"},
        {"bracket holds back", [&] {
             list.BeginUpdate();
             list.BeginUpdate();
             list.Add("1");
             list.Delete(0);
             list.EndUpdate();
             list.Exchange(0, 1);
             list.EndUpdate();
         }, "<>"},
        {"Clear", [&] { list.Clear(); }, "<>"},
        {"Clear of an empty list", [&] { list.Clear(); }, ""},
        {"refused edit", [&] { EXPECT_THROW(list.Delete(0), EStringListError); }, ""},
        {"unbalanced EndUpdate", [&] { list.EndUpdate(); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trace.clear();
        c.action();
        EXPECT_EQ(trace, c.expected);
        EXPECT_EQ(list.UpdateCount(), 0);
    }
    EXPECT_EQ(recorder.sender, &list);
}

// ---- Objects ----

TEST(TStringListTest, OwnedObjectsAreFreedOnDeleteReplaceClearAndDestruction) {
    int alive = 0;
    {
        TStringList list(true);
        list.AddObject("a", new TCounted(alive));
        list.AddObject("b", new TCounted(alive));
        list.AddObject("c", new TCounted(alive));
        list.AddObject("d", new TCounted(alive));
        list.AddObject("e", nullptr);
        EXPECT_EQ(alive, 4);
        list.Delete(0);
        EXPECT_EQ(alive, 3);
        list.PutObject(0, new TCounted(alive));  // replaces b's object
        EXPECT_EQ(alive, 3);
        list.PutObject(0, list.Objects(0));      // same object: kept
        EXPECT_EQ(alive, 3);
        list.Move(0, 2);                         // moving never frees
        list.Exchange(0, 1);
        EXPECT_EQ(alive, 3);
        EXPECT_EQ(Items(list), (std::vector<String>{"d", "c", "b", "e"}));
        list.Delete(3);
        list.Clear();
        EXPECT_EQ(alive, 0);
        list.AddObject("f", new TCounted(alive));
        list.AddObject("g", new TCounted(alive));
    }
    EXPECT_EQ(alive, 0);

    TCounted kept(alive);
    {
        TStringList list;  // does not own
        list.AddObject("x", &kept);
        list.Delete(0);
        list.AddObject("y", &kept);
    }
    EXPECT_EQ(alive, 1);
}

TEST(TStringListTest, AssignAddStringsEqualsKeepObjects) {
    int alive = 0;
    TCounted one(alive), two(alive);
    TStringList source;
    source.AddObject("one", &one);
    source.AddObject("two", &two);
    source.SetDelimiter(';');

    TStringList copy;
    copy.Add("old");
    copy.Assign(&source);
    EXPECT_TRUE(copy.Equals(&source));
    EXPECT_EQ(copy.Objects(1), &two);
    EXPECT_EQ(copy.Delimiter(), ';');

    copy.AddStrings(&copy);  // adding itself doubles it
    EXPECT_EQ(Items(copy), (std::vector<String>{"one", "two", "one", "two"}));
    EXPECT_FALSE(copy.Equals(&source));
    copy.Put(3, "TWO");
    copy.Delete(2);
    copy.Delete(2);
    EXPECT_TRUE(copy.Equals(&source));
    copy.Put(1, "TWO");
    EXPECT_FALSE(copy.Equals(&source));  // exact comparison

    TPersistent other;
    EXPECT_THROW(copy.Assign(&other), EConvertError);
}

// ---- Files and streams ----

TEST(TStringListTest, FilesHoldGbkWithCrLf) {
    TempFolder folder;
    const String fileName = folder.File("列表.txt");
    TStringList list;
    list.SetText("个人分类\nb");
    list.SaveToFile(fileName);
    EXPECT_EQ(ReadBytes(fileName), "\xB8\xF6\xC8\xCB\xB7\xD6\xC0\xE0\r\nb\r\n");

    struct Case {
        const char* name;
        std::string bytes;
        std::vector<String> items;
    };
    const Case cases[] = {
        {"GBK with LF", "\xB8\xF6\xC8\xCB\nx", {"个人", "x"}},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF个人\r\ny\r\n", {"个人", "y"}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(fileName, c.bytes);
        TStringList loaded;
        loaded.Add("stale");
        loaded.LoadFromFile(fileName);
        EXPECT_EQ(Items(loaded), c.items);
    }
    EXPECT_THROW(list.LoadFromFile(folder.File("missing.txt")), EFOpenError);
}

TEST(TStringListTest, StreamsAreReadFromTheirPosition) {
    TMemoryStream stream;
    const std::string bytes = "skip|a\r\nb";
    stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    stream.SetPosition(5);
    TStringList list;
    list.LoadFromStream(&stream);
    EXPECT_EQ(Items(list), (std::vector<String>{"a", "b"}));

    TMemoryStream out;
    list.SaveToStream(&out);
    EXPECT_EQ(std::string(static_cast<const char*>(out.Memory()), static_cast<std::size_t>(out.Size())),
              "a\r\nb\r\n");
}

}  // namespace
