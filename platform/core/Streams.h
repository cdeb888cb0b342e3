// Byte streams and the file-system helpers of the class layer.
//
// Classes in this file:
//   TStream        abstract stream: Read/Write/Seek, Position, Size, ReadBuffer/WriteBuffer, CopyFrom
//   TMemoryStream  growable buffer; the growth policy is the virtual Realloc
//   TFileStream    a file opened by name and mode (fmCreate, fmOpenRead, ... | fmShare...)
//
// Paths are UTF-8 text. On Windows they reach the C runtime and std::filesystem as UTF-16, so names
// outside the ANSI code page work. The Extract* helpers accept both '\' and '/' as delimiters.
// Not yet: share modes are honoured on Windows only (POSIX has no mandatory sharing).
#pragma once

#include "Object.h"

#include <cstdint>
#include <filesystem>

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream : public TObject {
    VESTREL_CLASS(TStream, TObject)
public:
    // Transfers up to `count` bytes and answers how many were transferred (0 at the end).
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Moves the position and answers the new one. A position before the start raises EStreamError;
    // one past the end is allowed (a later write fills the gap with zeros).
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    // Transfer exactly `count` bytes or raise EReadError / EWriteError.
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies `count` bytes from the current position of `source`; `count` 0 copies the whole
    // source from its start. Answers the number of bytes copied.
    std::int64_t CopyFrom(TStream* source, std::int64_t count);

    virtual std::int64_t Position();
    void SetPosition(std::int64_t position) { Seek(position, soFromBeginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t newSize) = 0;
};

class TMemoryStream : public TStream {
    VESTREL_CLASS(TMemoryStream, TStream)
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Position() override { return position_; }
    std::int64_t Size() override { return size_; }
    // Bytes past the old size are zero; the position stays unless it lies past the new end.
    void SetSize(std::int64_t newSize) override;

    // The buffer (nullptr while the capacity is 0); valid until the next size change.
    void* Memory() const { return memory_; }
    std::int64_t Capacity() const { return capacity_; }
    void Clear();

    // Replace the content with the whole of `stream` (read from its start) or of the file, and
    // rewind. The Save* calls write the whole content whatever the position.
    void LoadFromStream(TStream* stream);
    void LoadFromFile(const String& fileName);
    void SaveToStream(TStream* stream);
    void SaveToFile(const String& fileName);

protected:
    // Growth policy: called when the buffer must hold `newCapacity` bytes (less than the size
    // only when the size shrinks; 0 frees it). It allocates through ReallocMemory and may round
    // up; this one grows by at least half the old capacity. Descendants change the rounding.
    virtual void Realloc(std::int64_t newCapacity);
    // Resizes the buffer to exactly `capacity` bytes, keeping its content; raises EStreamError
    // "Out of memory while expanding memory stream" when memory runs out.
    void ReallocMemory(std::int64_t capacity);

private:
    void Reserve(std::int64_t needed);

    unsigned char* memory_ = nullptr;
    std::int64_t capacity_ = 0;
    std::int64_t size_ = 0;
    std::int64_t position_ = 0;
};

// File modes: one of fmCreate / fmOpenRead / fmOpenWrite / fmOpenReadWrite, or-ed with one share mode.
constexpr std::uint16_t fmCreate = 0xFF00;  // create or truncate, read and write
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
    VESTREL_CLASS(TFileStream, TStream)
public:
    // Raises EFCreateError "Cannot create file \"X\". <reason>" or EFOpenError
    // "Cannot open file \"X\". <reason>"; a folder is never opened as a file.
    TFileStream(const String& fileName, std::uint16_t mode);
    ~TFileStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

    const String& FileName() const { return fileName_; }

private:
    String fileName_;
    int handle_ = -1;
};

// File-system helpers (UTF-8 paths).
#ifdef _WIN32
constexpr char PathDelim = '\\';
#else
constexpr char PathDelim = '/';
#endif

std::filesystem::path Utf8ToPath(const String& fileName);
String PathToUtf8(const std::filesystem::path& path);

bool FileExists(const String& fileName);       // an existing file, not a folder
bool DirectoryExists(const String& dirName);
bool CreateDir(const String& dirName);         // false when it exists already or cannot be made
bool ForceDirectories(const String& dirName);  // creates every missing level; true when it exists after
bool RenameFile(const String& oldName, const String& newName);  // false when newName exists
String ExpandFileName(const String& fileName); // absolute and normalised

// Deletes a file (never a folder). <windows.h> defines DeleteFile as a macro for DeleteFileW, so the
// name is also offered under that spelling for translation units that include it in either order.
bool DeleteFileUtf8(const String& fileName);
inline bool DeleteFile(const String& fileName) { return DeleteFileUtf8(fileName); }
#if defined(_WIN32) && !defined(DeleteFile)
inline bool DeleteFileW(const String& fileName) { return DeleteFileUtf8(fileName); }
#endif

String ExtractFilePath(const String& fileName);  // up to and including the last delimiter
String ExtractFileName(const String& fileName);  // after the last delimiter
String ExtractFileExt(const String& fileName);   // from the last '.' of the name, "" when none
String ChangeFileExt(const String& fileName, const String& extension);
String IncludeTrailingPathDelimiter(const String& path);
