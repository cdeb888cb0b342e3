#include "Streams.h"

#include "Encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr std::int64_t kMaxInt64 = std::numeric_limits<std::int64_t>::max();

String ErrnoText(int error) {
    return std::generic_category().message(error);
}

String PositionText(std::int64_t position) {
    return std::to_string(position);
}

}  // namespace

// ---- TStream ----------------------------------------------------------------------------------

std::int64_t TStream::Position() {
    return Seek(0, soFromCurrent);
}

std::int64_t TStream::Size() {
    const std::int64_t position = Seek(0, soFromCurrent);
    const std::int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count < 0) throw EReadError("Stream read error: negative count " + std::to_string(count));
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count < 0) throw EWriteError("Stream write error: negative count " + std::to_string(count));
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream* source, std::int64_t count) {
    if (!source) throw EStreamError("CopyFrom: no source stream");
    if (count < 0) throw EStreamError("CopyFrom: negative count " + std::to_string(count));
    if (count == 0) {
        source->SetPosition(0);
        count = source->Size();
    }
    constexpr std::int64_t kChunk = 64 * 1024;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min(count, kChunk)));
    for (std::int64_t left = count; left > 0;) {
        const std::int64_t n = std::min(left, kChunk);
        source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---- TMemoryStream ----------------------------------------------------------------------------

TMemoryStream::~TMemoryStream() {
    std::free(memory_);
}

void TMemoryStream::ReallocMemory(std::int64_t capacity) {
    if (capacity < 0) throw EStreamError("Invalid memory stream capacity " + std::to_string(capacity));
    if (capacity == capacity_) return;
    if (capacity == 0) {
        std::free(memory_);
        memory_ = nullptr;
        capacity_ = 0;
        return;
    }
    if (static_cast<std::uint64_t>(capacity) > std::numeric_limits<std::size_t>::max())
        throw EStreamError("Out of memory while expanding memory stream");
    void* grown = std::realloc(memory_, static_cast<std::size_t>(capacity));
    if (!grown) throw EStreamError("Out of memory while expanding memory stream");
    memory_ = static_cast<unsigned char*>(grown);
    capacity_ = capacity;
}

void TMemoryStream::Realloc(std::int64_t newCapacity) {
    if (newCapacity > capacity_) {
        const std::int64_t step = capacity_ / 2;
        if (capacity_ <= kMaxInt64 - step) newCapacity = std::max(newCapacity, capacity_ + step);
    }
    ReallocMemory(newCapacity);
}

void TMemoryStream::Reserve(std::int64_t needed) {
    if (needed == capacity_) return;
    Realloc(needed);
    if (capacity_ < needed) throw EStreamError("Out of memory while expanding memory stream");
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || position_ >= size_) return 0;
    const std::int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, memory_ + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    if (count > kMaxInt64 - position_)
        throw EWriteError("Stream write error: " + std::to_string(count) + " bytes at position " +
                          PositionText(position_));
    const std::int64_t end = position_ + count;
    if (end > capacity_) Reserve(end);
    if (position_ > size_) std::memset(memory_ + size_, 0, static_cast<std::size_t>(position_ - size_));
    std::memcpy(memory_ + position_, buffer, static_cast<std::size_t>(count));
    position_ = end;
    size_ = std::max(size_, end);
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    switch (origin) {
    case soFromBeginning: base = 0; break;
    case soFromCurrent: base = position_; break;
    case soFromEnd: base = size_; break;
    default: throw EStreamError("Invalid seek origin " + std::to_string(static_cast<int>(origin)));
    }
    if ((offset > 0 && base > kMaxInt64 - offset) || base + offset < 0)
        throw EStreamError("Invalid stream position " + std::to_string(offset) + " from " +
                           PositionText(base));
    position_ = base + offset;
    return position_;
}

void TMemoryStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size " + std::to_string(newSize));
    Reserve(newSize);
    if (newSize > size_) std::memset(memory_ + size_, 0, static_cast<std::size_t>(newSize - size_));
    size_ = newSize;
    if (position_ > size_) position_ = size_;
}

void TMemoryStream::Clear() {
    size_ = 0;
    position_ = 0;
    Realloc(0);
}

void TMemoryStream::LoadFromStream(TStream* stream) {
    if (!stream) throw EStreamError("LoadFromStream: no source stream");
    if (stream == this) {
        position_ = 0;
        return;
    }
    stream->SetPosition(0);
    const std::int64_t count = stream->Size();
    SetSize(count);
    position_ = 0;
    stream->ReadBuffer(memory_, count);
}

void TMemoryStream::LoadFromFile(const String& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&file);
}

void TMemoryStream::SaveToStream(TStream* stream) {
    if (!stream) throw EStreamError("SaveToStream: no target stream");
    stream->WriteBuffer(memory_, size_);
}

void TMemoryStream::SaveToFile(const String& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(&file);
}

// ---- TFileStream ------------------------------------------------------------------------------

namespace {

#ifdef _WIN32
using IoCount = unsigned int;
constexpr std::int64_t kMaxIo = 1 << 30;

std::wstring WidePath(const String& fileName) {
    const WideString wide = Utf8ToUtf16(fileName);
    return std::wstring(wide.begin(), wide.end());
}

int ShareFlag(std::uint16_t mode) {
    switch (mode & 0x00F0) {
    case fmShareDenyWrite: return _SH_DENYWR;
    case fmShareDenyRead: return _SH_DENYRD;
    case fmShareDenyNone: return _SH_DENYNO;
    default: return _SH_DENYRW;  // exclusive and compat
    }
}
#else
constexpr std::int64_t kMaxIo = 1 << 30;
#endif

// Opens `fileName` with C runtime flags; answers the handle or -1 with errno set.
int OpenHandle(const String& fileName, int flags, std::uint16_t mode) {
#ifdef _WIN32
    int handle = -1;
    const errno_t error = _wsopen_s(&handle, WidePath(fileName).c_str(), flags | _O_BINARY | _O_NOINHERIT,
                                    ShareFlag(mode), _S_IREAD | _S_IWRITE);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return handle;
#else
    (void)mode;
    int handle;
    do {
        handle = ::open(fileName.c_str(), flags | O_CLOEXEC, 0666);
    } while (handle < 0 && errno == EINTR);
    return handle;
#endif
}

void CloseFileHandle(int handle) {
#ifdef _WIN32
    _close(handle);
#else
    ::close(handle);
#endif
}

bool IsFolderHandle(int handle) {
#ifdef _WIN32
    struct _stat64 info;
    return _fstat64(handle, &info) == 0 && (info.st_mode & _S_IFDIR) != 0;
#else
    struct stat info;
    return ::fstat(handle, &info) == 0 && S_ISDIR(info.st_mode);
#endif
}

std::int64_t SeekHandle(int handle, std::int64_t offset, int whence) {
#ifdef _WIN32
    return _lseeki64(handle, offset, whence);
#else
    return ::lseek(handle, static_cast<off_t>(offset), whence);
#endif
}

}  // namespace

TFileStream::TFileStream(const String& fileName, std::uint16_t mode) : fileName_(fileName) {
    const bool create = (mode & fmCreate) == fmCreate;
    int flags;
    if (create) {
        flags = O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (mode & 0x000F) {
        case fmOpenRead: flags = O_RDONLY; break;
        case fmOpenWrite: flags = O_WRONLY; break;
        case fmOpenReadWrite: flags = O_RDWR; break;
        default:
            throw EFOpenError("Cannot open file \"" + fileName + "\". Invalid file mode " +
                              std::to_string(mode));
        }
    }
    const String verb = create ? "Cannot create file \"" : "Cannot open file \"";
    auto fail = [&](const String& reason) -> void {
        if (create) throw EFCreateError(verb + fileName + "\". " + reason);
        throw EFOpenError(verb + fileName + "\". " + reason);
    };
    if (fileName.empty()) fail("The file name is empty");
    if (fileName.find('\0') != String::npos) fail("The file name contains a NUL character");
    handle_ = OpenHandle(fileName, flags, mode);
    if (handle_ < 0) fail(ErrnoText(errno));
    if (IsFolderHandle(handle_)) {
        CloseFileHandle(handle_);
        handle_ = -1;
        fail(ErrnoText(EISDIR));
    }
}

TFileStream::~TFileStream() {
    if (handle_ >= 0) CloseFileHandle(handle_);
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const std::int64_t chunk = std::min(count - done, kMaxIo);
#ifdef _WIN32
        const int n = _read(handle_, bytes + done, static_cast<IoCount>(chunk));
#else
        const ssize_t n = ::read(handle_, bytes + done, static_cast<std::size_t>(chunk));
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n < 0) throw EReadError("Cannot read file \"" + fileName_ + "\". " + ErrnoText(errno));
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    std::int64_t done = 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (done < count) {
        const std::int64_t chunk = std::min(count - done, kMaxIo);
#ifdef _WIN32
        const int n = _write(handle_, bytes + done, static_cast<IoCount>(chunk));
#else
        const ssize_t n = ::write(handle_, bytes + done, static_cast<std::size_t>(chunk));
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n < 0) throw EWriteError("Cannot write file \"" + fileName_ + "\". " + ErrnoText(errno));
        if (n == 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    int whence;
    switch (origin) {
    case soFromBeginning: whence = SEEK_SET; break;
    case soFromCurrent: whence = SEEK_CUR; break;
    case soFromEnd: whence = SEEK_END; break;
    default: throw EStreamError("Invalid seek origin " + std::to_string(static_cast<int>(origin)));
    }
    const std::int64_t position = SeekHandle(handle_, offset, whence);
    if (position < 0)
        throw EStreamError("Cannot seek in file \"" + fileName_ + "\" to " + std::to_string(offset) +
                           ". " + ErrnoText(errno));
    return position;
}

void TFileStream::SetSize(std::int64_t newSize) {
    if (newSize < 0) throw EStreamError("Invalid stream size " + std::to_string(newSize));
    const std::int64_t position = Position();
#ifdef _WIN32
    const int error = _chsize_s(handle_, newSize);
#else
    const int error = ::ftruncate(handle_, static_cast<off_t>(newSize)) == 0 ? 0 : errno;
#endif
    if (error != 0)
        throw EStreamError("Cannot change the size of file \"" + fileName_ + "\". " + ErrnoText(error));
    if (position > newSize) Seek(newSize, soFromBeginning);
}

// ---- File-system helpers ----------------------------------------------------------------------

namespace fs = std::filesystem;

fs::path Utf8ToPath(const String& fileName) {
#ifdef _WIN32
    const WideString wide = Utf8ToUtf16(fileName);
    return fs::path(std::wstring(wide.begin(), wide.end()));
#else
    return fs::path(fileName);
#endif
}

String PathToUtf8(const fs::path& path) {
#ifdef _WIN32
    const std::wstring& wide = path.native();
    return Utf16ToUtf8(WideString(wide.begin(), wide.end()));
#else
    return path.native();
#endif
}

bool FileExists(const String& fileName) {
    if (fileName.empty()) return false;
    std::error_code error;
    const fs::file_status status = fs::status(Utf8ToPath(fileName), error);
    return !error && fs::exists(status) && !fs::is_directory(status);
}

bool DirectoryExists(const String& dirName) {
    if (dirName.empty()) return false;
    std::error_code error;
    return fs::is_directory(Utf8ToPath(dirName), error);
}

bool CreateDir(const String& dirName) {
    if (dirName.empty()) return false;
    std::error_code error;
    return fs::create_directory(Utf8ToPath(dirName), error) && !error;
}

bool ForceDirectories(const String& dirName) {
    if (dirName.empty()) return false;
    std::error_code error;
    const fs::path path = Utf8ToPath(dirName);
    fs::create_directories(path, error);
    return fs::is_directory(path, error);
}

bool DeleteFileUtf8(const String& fileName) {
    if (!FileExists(fileName)) return false;
    std::error_code error;
    return fs::remove(Utf8ToPath(fileName), error) && !error;
}

bool RenameFile(const String& oldName, const String& newName) {
    if (oldName.empty() || newName.empty()) return false;
    std::error_code error;
    const fs::path to = Utf8ToPath(newName);
    if (fs::exists(fs::symlink_status(to, error))) return false;
    fs::rename(Utf8ToPath(oldName), to, error);
    return !error;
}

String ExpandFileName(const String& fileName) {
    if (fileName.empty()) return fileName;
    std::error_code error;
    fs::path path = fs::absolute(Utf8ToPath(fileName), error);
    if (error) return fileName;
    return PathToUtf8(path.lexically_normal());
}

namespace {

bool IsDelimiter(char c) {
    return c == '\\' || c == '/';
}

std::size_t NameStart(const String& fileName) {
    std::size_t i = fileName.size();
    while (i > 0 && !IsDelimiter(fileName[i - 1])) --i;
    return i;
}

// Position of the extension's '.', or npos when the name has none.
std::size_t ExtensionStart(const String& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == String::npos || dot < NameStart(fileName)) return String::npos;
    return dot;
}

}  // namespace

String ExtractFilePath(const String& fileName) {
    return fileName.substr(0, NameStart(fileName));
}

String ExtractFileName(const String& fileName) {
    return fileName.substr(NameStart(fileName));
}

String ExtractFileExt(const String& fileName) {
    const std::size_t dot = ExtensionStart(fileName);
    return dot == String::npos ? String() : fileName.substr(dot);
}

String ChangeFileExt(const String& fileName, const String& extension) {
    const std::size_t dot = ExtensionStart(fileName);
    return (dot == String::npos ? fileName : fileName.substr(0, dot)) + extension;
}

String IncludeTrailingPathDelimiter(const String& path) {
    if (!path.empty() && IsDelimiter(path.back())) return path;
    return path + PathDelim;
}
