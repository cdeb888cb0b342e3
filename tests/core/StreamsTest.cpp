// Streams and file-system helpers: position and size boundaries, short transfers, the growth
// seam of TMemoryStream, file open failures, Chinese file names and the path helpers.
#include "Streams.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder() {
        path_ = fs::temp_directory_path() / ("vestrel-streams-" + std::to_string(std::random_device{}()));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    String Path() const { return PathToUtf8(path_); }
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

std::string Content(TMemoryStream& stream) {
    return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

void WriteText(TStream& stream, const std::string& text) {
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

// A stream that takes at most `room` bytes, for short writes.
class TFullStream : public TMemoryStream {
public:
    explicit TFullStream(std::int64_t room) : room_(room) {}
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        const std::int64_t n = std::min(count, room_ - Size());
        return n <= 0 ? 0 : TMemoryStream::Write(buffer, n);
    }

private:
    std::int64_t room_;
};

// The descendant the grid needs: capacity in steps of 8192 bytes.
class TSteppedStream : public TMemoryStream {
protected:
    void Realloc(std::int64_t newCapacity) override {
        if (newCapacity > 0 && newCapacity != Size()) newCapacity = (newCapacity + 8191) / 8192 * 8192;
        ReallocMemory(newCapacity);
    }
};

// ---- TMemoryStream ----

TEST(TMemoryStreamTest, SeekAndPositionBoundaries) {
    TMemoryStream stream;
    WriteText(stream, "abcde");
    struct Case {
        const char* name;
        std::int64_t offset;
        TSeekOrigin origin;
        std::int64_t position;  // -1: raises, position unchanged
    };
    const Case cases[] = {
        {"start", 0, soFromBeginning, 0},
        {"last byte from end", -1, soFromEnd, 4},
        {"forward from current", 2, soFromCurrent, 6},  // from 4
        {"end", 0, soFromEnd, 5},
        {"past the end", 10, soFromBeginning, 10},
        {"before the start", -1, soFromBeginning, -1},
        {"before the start from end", -6, soFromEnd, -1},
        {"back from current", -3, soFromCurrent, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t before = stream.Position();
        if (c.position < 0) {
            EXPECT_THROW(stream.Seek(c.offset, c.origin), EStreamError);
            EXPECT_EQ(stream.Position(), before);
        } else {
            EXPECT_EQ(stream.Seek(c.offset, c.origin), c.position);
            EXPECT_EQ(stream.Position(), c.position);
        }
        EXPECT_EQ(stream.Size(), 5);
    }
}

TEST(TMemoryStreamTest, ReadsStopAtTheEndAndWritesPastItFillWithZeros) {
    TMemoryStream stream;
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.Memory(), nullptr);

    WriteText(stream, "abc");
    stream.SetPosition(1);
    EXPECT_EQ(stream.Read(buffer, 8), 2);  // short read at the end
    EXPECT_EQ(std::string(buffer, 2), "bc");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.Read(buffer, -1), 0);

    stream.SetPosition(5);
    EXPECT_EQ(stream.Read(buffer, 1), 0);  // past the end
    WriteText(stream, "Z");
    EXPECT_EQ(Content(stream), std::string("abc\0\0Z", 6));

    stream.SetSize(2);  // shrinking pulls the position back to the end
    EXPECT_EQ(stream.Position(), 2);
    stream.SetSize(4);  // growing adds zeros, keeps the position
    EXPECT_EQ(Content(stream), std::string("ab\0\0", 4));
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_THROW(stream.SetSize(-1), EStreamError);

    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(stream.Capacity(), 0);
}

TEST(TMemoryStreamTest, ShortTransfersRaise) {
    TMemoryStream stream;
    WriteText(stream, "abcd");
    stream.SetPosition(0);
    char buffer[8];
    EXPECT_THROW(stream.ReadBuffer(buffer, 5), EReadError);
    stream.SetPosition(0);
    stream.ReadBuffer(buffer, 4);
    stream.ReadBuffer(buffer, 0);  // nothing left, nothing asked: fine
    EXPECT_THROW(stream.ReadBuffer(buffer, 1), EReadError);

    TFullStream full(3);
    EXPECT_THROW(WriteText(full, "abcd"), EWriteError);
    EXPECT_NO_THROW(WriteText(full, ""));
}

TEST(TMemoryStreamTest, CopyFrom) {
    TMemoryStream source;
    WriteText(source, "0123456789");
    source.SetPosition(7);

    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(&source, 0), 10);  // 0: everything, from the start
    EXPECT_EQ(Content(whole), "0123456789");

    source.SetPosition(2);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(&source, 3), 3);  // from the current position
    EXPECT_EQ(Content(part), "234");
    EXPECT_EQ(source.Position(), 5);

    EXPECT_THROW(part.CopyFrom(&source, 6), EReadError);  // only 5 left

    TMemoryStream big;
    std::string bytes(200000, 'x');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    WriteText(big, bytes);
    TMemoryStream copy;
    copy.CopyFrom(&big, 0);  // more than one chunk
    EXPECT_EQ(Content(copy), bytes);
}

TEST(TMemoryStreamTest, GrowthPolicyIsTheRealloc) {
    struct Case {
        std::int64_t size;
        std::int64_t capacity;
    };
    const Case cases[] = {{1, 8192}, {8192, 8192}, {8193, 16384}, {20000, 24576}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        TSteppedStream stream;
        const std::string bytes(static_cast<std::size_t>(c.size), 'q');
        WriteText(stream, bytes);
        EXPECT_EQ(stream.Capacity(), c.capacity);
        EXPECT_EQ(Content(stream), bytes);
    }

    TMemoryStream plain;  // grows geometrically: far fewer reallocations than bytes
    int reallocations = 0;
    std::int64_t capacity = 0;
    for (int i = 0; i < 100000; ++i) {
        WriteText(plain, "x");
        if (plain.Capacity() != capacity) ++reallocations;
        capacity = plain.Capacity();
        ASSERT_GE(capacity, plain.Size());
    }
    EXPECT_LT(reallocations, 40);
}

TEST(TMemoryStreamTest, LoadAndSave) {
    TempFolder folder;
    const String fileName = folder.File("数据.bin");
    TMemoryStream stream;
    WriteText(stream, std::string("a\0b\xFF", 4));
    stream.SaveToFile(fileName);
    EXPECT_EQ(ReadBytes(fileName), std::string("a\0b\xFF", 4));

    TMemoryStream loaded;
    WriteText(loaded, "old content that is longer");
    loaded.LoadFromFile(fileName);
    EXPECT_EQ(Content(loaded), std::string("a\0b\xFF", 4));
    EXPECT_EQ(loaded.Position(), 0);

    loaded.SetPosition(3);
    loaded.LoadFromStream(&loaded);  // from itself: content kept, rewound
    EXPECT_EQ(Content(loaded), std::string("a\0b\xFF", 4));
    EXPECT_EQ(loaded.Position(), 0);

    stream.SetPosition(2);  // saving ignores the position
    TMemoryStream target;
    stream.SaveToStream(&target);
    EXPECT_EQ(target.Size(), 4);

    EXPECT_THROW(loaded.LoadFromFile(folder.File("missing.bin")), EFOpenError);
}

// ---- TFileStream ----

TEST(TFileStreamTest, CreateWriteSeekReadResize) {
    TempFolder folder;
    const String fileName = folder.File("配置-한국어.dat");  // Hangul has no GBK code
    WriteBytes(fileName, "previous content");
    {
        TFileStream stream(fileName, fmCreate);  // truncates
        EXPECT_EQ(stream.Size(), 0);
        WriteText(stream, "hello world");
        EXPECT_EQ(stream.Seek(-5, soFromEnd), 6);
        char buffer[16] = {};
        EXPECT_EQ(stream.Read(buffer, 16), 5);  // short read at the end
        EXPECT_EQ(std::string(buffer, 5), "world");
        EXPECT_EQ(stream.Read(buffer, 16), 0);
        EXPECT_THROW(stream.Seek(-1, soFromBeginning), EStreamError);
        stream.SetSize(5);
        EXPECT_EQ(stream.Position(), 5);
        EXPECT_EQ(stream.Size(), 5);
        EXPECT_EQ(stream.FileName(), fileName);
    }
    EXPECT_EQ(ReadBytes(fileName), "hello");
    {
        TFileStream stream(fileName, fmOpenReadWrite | fmShareDenyNone);
        stream.Seek(0, soFromEnd);
        WriteText(stream, "!");
    }
    EXPECT_EQ(ReadBytes(fileName), "hello!");
    {
        TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
        char buffer[8];
        EXPECT_THROW(stream.ReadBuffer(buffer, 7), EReadError);
        EXPECT_THROW(WriteText(stream, "x"), EWriteError);  // opened for reading only
    }
    EXPECT_EQ(ReadBytes(fileName), "hello!");
    std::vector<String> names;
    for (const auto& entry : fs::directory_iterator(Utf8ToPath(folder.Path())))
        names.push_back(PathToUtf8(entry.path().filename()));
    EXPECT_EQ(names, std::vector<String>{"配置-한국어.dat"});
}

TEST(TFileStreamTest, OpenFailuresNameTheFile) {
    TempFolder folder;
    const String missing = folder.File("missing.txt");
    const String inMissingFolder = folder.File("no-folder") + PathDelim + "x.txt";
    const String aFolder = folder.File("sub");
    fs::create_directory(Utf8ToPath(aFolder));
    struct Case {
        const char* name;
        String fileName;
        std::uint16_t mode;
        bool create;
    };
    const Case cases[] = {
        {"missing file", missing, fmOpenRead, false},
        {"missing file for writing", missing, fmOpenWrite, false},
        {"folder as file", aFolder, fmOpenRead | fmShareDenyNone, false},
        {"folder as file, read-write", aFolder, fmOpenReadWrite, false},
        {"create in a missing folder", inMissingFolder, fmCreate, true},
        {"create over a folder", aFolder, fmCreate, true},
        {"empty name", "", fmOpenRead, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const String prefix = (c.create ? "Cannot create file \"" : "Cannot open file \"") + c.fileName + "\". ";
        try {
            TFileStream stream(c.fileName, c.mode);
            ADD_FAILURE() << "opened";
        } catch (const EFCreateError& e) {
            EXPECT_TRUE(c.create);
            EXPECT_EQ(e.Message.substr(0, prefix.size()), prefix);
            EXPECT_GT(e.Message.size(), prefix.size());  // a reason follows
        } catch (const EFOpenError& e) {
            EXPECT_FALSE(c.create);
            EXPECT_EQ(e.Message.substr(0, prefix.size()), prefix);
            EXPECT_GT(e.Message.size(), prefix.size());
        }
    }
    EXPECT_FALSE(FileExists(missing));
    EXPECT_TRUE(DirectoryExists(aFolder));
}

// ---- File-system helpers ----

TEST(FileHelpersTest, PathPartsWithEitherDelimiter) {
    struct Case {
        const char* name;
        String fileName;
        String path, file, ext, changed;  // changed: ChangeFileExt(fileName, ".bak")
    };
    const Case cases[] = {
        {"Windows path", "C:\\App\\Config.ini", "C:\\App\\", "Config.ini", ".ini", "C:\\App\\Config.bak"},
        {"POSIX path, dot in a folder", "/home/a.b/file", "/home/a.b/", "file", "", "/home/a.b/file.bak"},
        {"mixed delimiters", "dir/sub\\x.tar.gz", "dir/sub\\", "x.tar.gz", ".gz", "dir/sub\\x.tar.bak"},
        {"no folder", "noext", "", "noext", "", "noext.bak"},
        {"Chinese", "数据\\名字.txt", "数据\\", "名字.txt", ".txt", "数据\\名字.bak"},
        {"folder only", "dir\\", "dir\\", "", "", "dir\\.bak"},
        {"dot file", "a/.hidden", "a/", ".hidden", ".hidden", "a/.bak"},
        {"empty", "", "", "", "", ".bak"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExtractFilePath(c.fileName), c.path);
        EXPECT_EQ(ExtractFileName(c.fileName), c.file);
        EXPECT_EQ(ExtractFileExt(c.fileName), c.ext);
        EXPECT_EQ(ChangeFileExt(c.fileName, ".bak"), c.changed);
        EXPECT_EQ(ExtractFilePath(c.fileName) + ExtractFileName(c.fileName), c.fileName);
    }
    EXPECT_EQ(IncludeTrailingPathDelimiter("a"), String("a") + PathDelim);
    EXPECT_EQ(IncludeTrailingPathDelimiter("a\\"), "a\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("a/"), "a/");
}

TEST(FileHelpersTest, FoldersAndFiles) {
    TempFolder folder;
    const String dir = folder.File("导出");
    const String nested = folder.File("a") + PathDelim + "b" + PathDelim + "c";
    const String file = folder.File("文件.txt");
    const String other = folder.File("other.txt");

    EXPECT_TRUE(CreateDir(dir));
    EXPECT_FALSE(CreateDir(dir));  // exists already
    EXPECT_TRUE(DirectoryExists(dir));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(CreateDir(nested));  // parent missing
    EXPECT_TRUE(ForceDirectories(nested));
    EXPECT_TRUE(ForceDirectories(nested));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_FALSE(CreateDir(""));
    EXPECT_FALSE(ForceDirectories(""));

    WriteBytes(file, "1");
    WriteBytes(other, "2");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(ForceDirectories(file + PathDelim + "x"));

    EXPECT_FALSE(RenameFile(file, other));  // never replaces
    EXPECT_EQ(ReadBytes(other), "2");
    const String renamed = folder.File("改名.txt");
    EXPECT_TRUE(RenameFile(file, renamed));
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(ReadBytes(renamed), "1");

    EXPECT_FALSE(DeleteFile(dir));  // never a folder
    EXPECT_TRUE(DirectoryExists(dir));
    EXPECT_TRUE(DeleteFile(renamed));
    EXPECT_FALSE(DeleteFile(renamed));
    EXPECT_FALSE(FileExists(renamed));
}

TEST(FileHelpersTest, ExpandFileName) {
    const String expected = PathToUtf8((fs::current_path() / "b" / "c.ini").lexically_normal());
    EXPECT_EQ(ExpandFileName(String("a") + PathDelim + ".." + PathDelim + "b" + PathDelim + "." + PathDelim + "c.ini"),
              expected);
    EXPECT_TRUE(fs::path(Utf8ToPath(ExpandFileName("x.ini"))).is_absolute());
    EXPECT_EQ(ExpandFileName(""), "");
}

}  // namespace
