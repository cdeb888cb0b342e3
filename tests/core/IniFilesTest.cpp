// TIniFile against the application's Config.ini: defaults, case-insensitive names, GBK bytes on
// disk, preserved comments and order, damaged files, integer parsing and failed writes.
#include "IniFiles.h"

#include "Encoding.h"
#include "Lists.h"
#include "Streams.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

// The keys of the application's Config.ini; `readKey` is the spelling the reader uses.
enum class Kind { Text, Integer };
struct ConfigKey {
    const char* section;
    const char* key;
    const char* readKey;
    Kind kind;
    const char* textDefault;
    int intDefault;
};
const ConfigKey kConfigKeys[] = {
    {"Config", "DBConn", "DBConn", Kind::Text, "", 0},
    {"Config", "Category", "Category", Kind::Text, "", 0},
    {"login", "username", "username", Kind::Integer, "", -1},
    {"login", "Category", "Category", Kind::Text, "", 0},
    {"login", "Catecode", "CateCode", Kind::Text, "", 0},
    {"FormConfig", "AutoCode", "AutoCode", Kind::Integer, "", -1},
};

class IniFileTest : public ::testing::Test {
protected:
    IniFileTest()
        : folder_(fs::temp_directory_path() / ("vestrel-ini-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(folder_);
        fileName_ = PathToUtf8(folder_ / "Config.ini");
    }
    ~IniFileTest() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, ignored);
        fs::remove_all(folder_, ignored);
    }

    std::string FileBytes() const {
        std::ifstream in(Utf8ToPath(fileName_), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void SetFileBytes(const std::string& bytes) const {
        std::ofstream out(Utf8ToPath(fileName_), std::ios::binary);
        out << bytes;
    }
    std::vector<String> FolderEntries() const {
        std::vector<String> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(PathToUtf8(entry.path().filename()));
        return names;
    }

    fs::path folder_;
    String fileName_;
};

std::vector<String> Items(const TStrings& list) {
    std::vector<String> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list.Get(i));
    return items;
}

// ---- The application's keys ----

TEST_F(IniFileTest, MissingFileGivesEveryDefault) {
    TIniFile ini(fileName_);
    for (const ConfigKey& k : kConfigKeys) {
        SCOPED_TRACE(String(k.section) + "/" + k.readKey);
        if (k.kind == Kind::Text) {
            EXPECT_EQ(ini.ReadString(k.section, k.readKey, k.textDefault), k.textDefault);
            EXPECT_EQ(ini.ReadString(k.section, k.readKey, "<default>"), "<default>");
        } else {
            EXPECT_EQ(ini.ReadInteger(k.section, k.readKey, k.intDefault), k.intDefault);
        }
        EXPECT_FALSE(ini.ValueExists(k.section, k.readKey));
        EXPECT_FALSE(ini.SectionExists(k.section));
    }
    TStringList sections;
    sections.Add("stale");
    ini.ReadSections(&sections);
    EXPECT_EQ(sections.Count(), 0);
    ini.DeleteKey("login", "username");
    ini.EraseSection("Config");
    EXPECT_FALSE(FileExists(fileName_));  // neither reads nor empty deletes create the file
}

TEST_F(IniFileTest, WrittenKeysReadBackWhateverTheCase) {
    TIniFile ini(fileName_);
    int number = 0;
    for (const ConfigKey& k : kConfigKeys) {
        if (k.kind == Kind::Text)
            ini.WriteString(k.section, k.key, String("v-") + k.key);
        else
            ini.WriteInteger(k.section, k.key, ++number);
    }
    EXPECT_EQ(FileBytes(),
              "[Config]\r\nDBConn=v-DBConn\r\nCategory=v-Category\r\n"
              "[login]\r\nusername=1\r\nCategory=v-Category\r\nCatecode=v-Catecode\r\n"
              "[FormConfig]\r\nAutoCode=2\r\n");
    number = 0;
    for (const ConfigKey& k : kConfigKeys) {
        for (const String& section : {String(k.section), UpperCase(k.section), LowerCase(k.section)}) {
            SCOPED_TRACE(section + "/" + k.readKey);
            if (k.kind == Kind::Text) {
                EXPECT_EQ(ini.ReadString(section, k.readKey, "<default>"), String("v-") + k.key);
                EXPECT_EQ(ini.ReadString(section, UpperCase(k.readKey), "<default>"), String("v-") + k.key);
            } else {
                EXPECT_EQ(ini.ReadInteger(section, LowerCase(k.readKey), k.intDefault), number + 1);
            }
            EXPECT_TRUE(ini.ValueExists(section, k.readKey));
        }
        if (k.kind == Kind::Integer) ++number;
    }
    // Writing under another spelling replaces the line and keeps the file's spelling.
    ini.WriteString("LOGIN", "CateCode", "0101");
    EXPECT_EQ(FileBytes(),
              "[Config]\r\nDBConn=v-DBConn\r\nCategory=v-Category\r\n"
              "[login]\r\nusername=1\r\nCategory=v-Category\r\nCatecode=0101\r\n"
              "[FormConfig]\r\nAutoCode=2\r\n");
    EXPECT_EQ(FolderEntries(), std::vector<String>{"Config.ini"});  // no temporary file left
}

TEST_F(IniFileTest, ChineseTextIsGbkOnDisk) {
    TIniFile ini(fileName_);
    ini.WriteString("login", "Category", "个人分类");
    EXPECT_EQ(FileBytes(), "[login]\r\nCategory=\xB8\xF6\xC8\xCB\xB7\xD6\xC0\xE0\r\n");
    EXPECT_EQ(ini.ReadString("login", "Category", ""), "个人分类");

    // A file written elsewhere: GBK section, key and value.
    SetFileBytes("[\xB8\xF6\xC8\xCB]\r\n\xB7\xD6\xC0\xE0=\xC0\xE0\r\n");
    EXPECT_EQ(ini.ReadString("个人", "分类", ""), "类");
    ini.WriteString("个人", "分类", "个人分类");
    EXPECT_EQ(FileBytes(), "[\xB8\xF6\xC8\xCB]\r\n\xB7\xD6\xC0\xE0=\xB8\xF6\xC8\xCB\xB7\xD6\xC0\xE0\r\n");
}

// ---- Editing an existing file ----

TEST_F(IniFileTest, WritesKeepCommentsOrderAndOtherKeys) {
    SetFileBytes(
        "; Vestrel settings\r\n"
        "[Config]\r\n"
        "  DBConn = D:\\Data\\Custom.mdb \r\n"
        "; chosen in the tree\r\n"
        "Category=\r\n"
        "\r\n"
        "[Other]\r\n"
        "Key=Value\r\n");
    TIniFile ini(fileName_);
    EXPECT_EQ(ini.ReadString("Config", "DBConn", ""), "D:\\Data\\Custom.mdb");
    EXPECT_EQ(ini.ReadString("Config", "Category", "<default>"), "");  // present but empty

    struct Step {
        const char* name;
        std::function<void()> action;
        std::string expected;
    };
    const Step steps[] = {
        {"replace in place", [&] { ini.WriteString("config", "category", "x"); },
         "; Vestrel settings\r\n[Config]\r\n  DBConn = D:\\Data\\Custom.mdb \r\n; chosen in the tree\r\n"
         "Category=x\r\n\r\n[Other]\r\nKey=Value\r\n"},
        {"same value: file untouched", [&] { ini.WriteString("Config", "Category", " x "); },
         "; Vestrel settings\r\n[Config]\r\n  DBConn = D:\\Data\\Custom.mdb \r\n; chosen in the tree\r\n"
         "Category=x\r\n\r\n[Other]\r\nKey=Value\r\n"},
        {"new key after the section's last key", [&] { ini.WriteInteger("Config", "AutoCode", 1); },
         "; Vestrel settings\r\n[Config]\r\n  DBConn = D:\\Data\\Custom.mdb \r\n; chosen in the tree\r\n"
         "Category=x\r\nAutoCode=1\r\n\r\n[Other]\r\nKey=Value\r\n"},
        {"new section at the end", [&] { ini.WriteInteger("login", "username", 3); },
         "; Vestrel settings\r\n[Config]\r\n  DBConn = D:\\Data\\Custom.mdb \r\n; chosen in the tree\r\n"
         "Category=x\r\nAutoCode=1\r\n\r\n[Other]\r\nKey=Value\r\n[login]\r\nusername=3\r\n"},
        {"delete a key", [&] { ini.DeleteKey("CONFIG", "dbconn"); },
         "; Vestrel settings\r\n[Config]\r\n; chosen in the tree\r\n"
         "Category=x\r\nAutoCode=1\r\n\r\n[Other]\r\nKey=Value\r\n[login]\r\nusername=3\r\n"},
        {"erase a section", [&] { ini.EraseSection("other"); },
         "; Vestrel settings\r\n[Config]\r\n; chosen in the tree\r\n"
         "Category=x\r\nAutoCode=1\r\n\r\n[login]\r\nusername=3\r\n"},
        {"bool", [&] { ini.WriteBool("login", "Remember", true); ini.WriteBool("login", "Auto", false); },
         "; Vestrel settings\r\n[Config]\r\n; chosen in the tree\r\n"
         "Category=x\r\nAutoCode=1\r\n\r\n[login]\r\nusername=3\r\nRemember=1\r\nAuto=0\r\n"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.action();
        EXPECT_EQ(FileBytes(), s.expected);
    }
    EXPECT_TRUE(ini.ReadBool("login", "Remember", false));
    EXPECT_FALSE(ini.ReadBool("login", "Auto", true));
    EXPECT_EQ(FolderEntries(), std::vector<String>{"Config.ini"});
}

TEST_F(IniFileTest, ListingSectionsAndKeys) {
    SetFileBytes(
        "[Config]\r\nDBConn=a.mdb\r\n; Category=commented\r\nCategory = \xB8\xF6\xC8\xCB \r\nDBCONN=second\r\n"
        "[login]\r\n[CONFIG]\r\nAutoCode=1\r\n");
    TIniFile ini(fileName_);
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Items(list), (std::vector<String>{"Config", "login"}));
    ini.ReadSection("config", &list);
    EXPECT_EQ(Items(list), (std::vector<String>{"DBConn", "Category", "AutoCode"}));
    ini.ReadSectionValues("Config", &list);
    EXPECT_EQ(Items(list), (std::vector<String>{"DBConn=a.mdb", "Category=个人", "AutoCode=1"}));
    ini.ReadSection("login", &list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(ini.SectionExists("LOGIN"));  // a header without keys still exists
    EXPECT_FALSE(ini.SectionExists("FormConfig"));
    EXPECT_TRUE(ini.ValueExists("config", "autocode"));
    EXPECT_FALSE(ini.ValueExists("login", "AutoCode"));
    EXPECT_EQ(ini.FileName(), fileName_);
}

// ---- Damaged files ----

TEST_F(IniFileTest, DamagedFilesYieldWhatCanBeRead) {
    struct Read {
        const char* section;
        const char* key;
        String expected;  // "-" is the default given
    };
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Read> reads;
    };
    std::string garbage;
    for (int i = 0; i < 600; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
    const Case cases[] = {
        {"binary garbage around a section",
         garbage + "\n[login]\nCategory=ok\n" + garbage + "\xFF\xFE\0=\x81\n"s,
         {{"login", "Category", "ok"}}},
        {"lines without '=' and a header without ']'",
         "[Config]\r\njunk line\r\nDBConn=x\r\n[login\r\nCategory=y\r\n",
         {{"Config", "DBConn", "x"}, {"Config", "Category", "y"}, {"login", "Category", "-"}}},
        {"missing final newline", "[login]\r\nCategory=last", {{"login", "Category", "last"}}},
        {"CR-only line ends", "[login]\rCategory=c\rCatecode=01\r",
         {{"login", "Category", "c"}, {"login", "CateCode", "01"}}},
        {"UTF-8 byte order mark", "\xEF\xBB\xBF[login]\r\nCategory=个人\r\n", {{"login", "Category", "个人"}}},
        {"key before any section", "Category=orphan\r\n[login]\r\n", {{"login", "Category", "-"}}},
        {"empty key, empty value", "[login]\r\n=5\r\nCategory=\r\n", {{"login", "Category", ""}}},
        {"repeated keys and sections: the first wins",
         "[login]\r\nCategory=first\r\n[LOGIN]\r\nCategory=second\r\nCatecode=02\r\n",
         {{"login", "Category", "first"}, {"login", "Catecode", "02"}}},
        {"truncated GBK character", "[login]\r\nCatecode=1\r\nCategory=\xB8",
         {{"login", "Category", "\xEF\xBF\xBD"}, {"login", "Catecode", "1"}}},
        {"NUL inside a key", "[login]\r\nCate\0gory=x\r\nCategory=y"s, {{"login", "Category", "y"}}},
        {"UTF-16 text", "\xFF\xFE[\0l\0]\0\r\0\n\0"s, {{"l", "Category", "-"}}},
        {"empty file", "", {{"login", "Category", "-"}}},
    };
    TIniFile ini(fileName_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFileBytes(c.bytes);
        auto checkReads = [&] {
            for (const Read& r : c.reads) {
                SCOPED_TRACE(String(r.section) + "/" + r.key);
                EXPECT_EQ(ini.ReadString(r.section, r.key, "-"), r.expected);
            }
        };
        checkReads();
        TStringList list;
        ini.ReadSections(&list);
        ini.ReadSectionValues("login", &list);
        // A write keeps what could be read.
        ini.WriteInteger("login", "username", 9);
        EXPECT_EQ(ini.ReadInteger("login", "username", -1), 9);
        checkReads();
    }
}

TEST_F(IniFileTest, UtfEightFileWithByteOrderMarkStaysUtfEight) {
    SetFileBytes("\xEF\xBB\xBF[login]\r\nCategory=个人\r\n");
    TIniFile ini(fileName_);
    ini.WriteString("login", "Catecode", "分类");
    EXPECT_EQ(FileBytes(), "\xEF\xBB\xBF[login]\r\nCategory=个人\r\nCatecode=分类\r\n");
}

TEST_F(IniFileTest, IntegerKeysTakeTheDefaultForNonNumbers) {
    struct Case {
        const char* stored;
        int expected;  // with default -1
    };
    const Case cases[] = {
        {"0", 0},
        {"3", 3},
        {" 42 ", 42},
        {"+7", 7},
        {"-5", -5},
        {"$1F", 31},
        {"0x10", 16},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"$FFFFFFFF", -1},
        {"", -1},
        {"abc", -1},
        {"12abc", -1},
        {"1.5", -1},
        {"1 2", -1},
        {"$", -1},
        {"0x", -1},
        {"-", -1},
        {"2147483648", -1},
        {"99999999999", -1},
        {"$100000000", -1},
        {"１２", -1},  // full-width digits
    };
    TIniFile ini(fileName_);
    for (const Case& c : cases) {
        SCOPED_TRACE(String("\"") + c.stored + "\"");
        SetFileBytes(Utf8ToGbk(String("[login]\r\nusername=") + c.stored + "\r\n[FormConfig]\r\nAutoCode=" +
                               c.stored + "\r\n"));
        EXPECT_EQ(ini.ReadInteger("login", "username", -1), c.expected);
        EXPECT_EQ(ini.ReadInteger("FormConfig", "AutoCode", -1), c.expected);
        EXPECT_EQ(ini.ReadBool("login", "username", true), c.expected != 0);
    }
}

// ---- Failed writes ----

TEST_F(IniFileTest, RefusedNamesAndValuesLeaveTheFileAsItWas) {
    const std::string before = "[login]\r\nCategory=old\r\n";
    SetFileBytes(before);
    TIniFile ini(fileName_);
    struct Case {
        const char* name;
        String section, key, value;
    };
    const Case cases[] = {
        {"line break in the value", "login", "Category", "a\r\nusername=0"},
        {"LF in the value", "login", "Category", "a\nb"},
        {"NUL in the value", "login", "Category", String("a\0b", 3)},
        {"'=' in the key", "login", "a=b", "1"},
        {"empty key", "login", " ", "1"},
        {"key starting with '['", "login", "[x]", "1"},
        {"key starting with ';'", "login", ";x", "1"},
        {"empty section", "", "Category", "1"},
        {"line break in the section", "a\r\n[b", "Category", "1"},
        {"character without a GBK code", "login", "Category", "smile \xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ini.WriteString(c.section, c.key, c.value);
            ADD_FAILURE() << "written";
        } catch (const EIniFileException& e) {
            EXPECT_NE(e.Message.find(fileName_), String::npos) << e.Message;
        }
        EXPECT_EQ(FileBytes(), before);
    }
    EXPECT_EQ(ini.ReadString("login", "Category", ""), "old");
}

TEST_F(IniFileTest, WritesThatCannotBeDoneRaiseNamingTheFile) {
    struct Case {
        const char* name;
        String fileName;
    };
    const String inMissingFolder = PathToUtf8(folder_ / "missing" / "Config.ini");
    const String aFolder = PathToUtf8(folder_ / "Folder.ini");
    fs::create_directory(folder_ / "Folder.ini");
    fs::create_directory(folder_ / "Folder.ini" / "inside");
    const Case cases[] = {
        {"folder missing", inMissingFolder},
        {"the name is a folder", aFolder},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TIniFile ini(c.fileName);
        try {
            ini.WriteString("Config", "DBConn", "x");
            ADD_FAILURE() << "written";
        } catch (const EIniFileException& e) {
            EXPECT_NE(e.Message.find(c.fileName), String::npos) << e.Message;
        }
        EXPECT_EQ(ini.ReadString("Config", "DBConn", "-"), "-");
    }
    EXPECT_FALSE(DirectoryExists(PathToUtf8(folder_ / "missing")));
    EXPECT_TRUE(DirectoryExists(PathToUtf8(folder_ / "Folder.ini" / "inside")));
    EXPECT_EQ(FolderEntries(), std::vector<String>{"Folder.ini"});  // no temporary file left
}

TEST_F(IniFileTest, ReadOnlyFolderRaisesAndKeepsTheFile) {
    SetFileBytes("[login]\r\nusername=1\r\n");
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    {
        std::ofstream probe(folder_ / "probe");
        if (probe) GTEST_SKIP() << "this user can write into a read-only folder";
    }
    TIniFile ini(fileName_);
    try {
        ini.WriteInteger("login", "username", 2);
        ADD_FAILURE() << "written";
    } catch (const EIniFileException& e) {
        EXPECT_NE(e.Message.find(fileName_), String::npos) << e.Message;
    }
    EXPECT_EQ(ini.ReadInteger("login", "username", -1), 1);
    EXPECT_EQ(FileBytes(), "[login]\r\nusername=1\r\n");
}

}  // namespace
