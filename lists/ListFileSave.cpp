// Saving a list file so that a list is never lost: through a temporary file
// renamed over the target where the folder allows it, in place otherwise.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>

#include "base/FileError.h"
#include "base/Utf8Path.h"
#include "lists/ListFiles.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace hk {
namespace {

namespace fs = std::filesystem;

// --- The few file calls a save needs. Each returns 0 or the system's error
// number.

// A file made anew (refused when the name is taken) or one that is there.
enum class Opening { CreateNew, Existing };

#ifdef _WIN32
int OpenToWrite(const fs::path& p, Opening opening, int& fd) {
    fd = opening == Opening::CreateNew
             ? _wopen(p.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE)
             : _wopen(p.c_str(), _O_WRONLY | _O_BINARY);
    return fd < 0 ? errno : 0;
}
int WriteAt(int fd, std::string_view bytes, std::uintmax_t at) {
    if (_lseeki64(fd, static_cast<__int64>(at), SEEK_SET) < 0) return errno;
    while (!bytes.empty()) {
        const auto part = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
        const int n = _write(fd, bytes.data(), part);
        if (n < 0) return errno;
        if (n == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}
int Resize(int fd, std::uintmax_t size) { return _chsize_s(fd, static_cast<__int64>(size)); }
// Growing the file allocates its room.
int Reserve(int fd, std::uintmax_t oldSize, std::uintmax_t newSize) {
    return newSize > oldSize ? Resize(fd, newSize) : 0;
}
int Sync(int fd) { return _commit(fd) == 0 ? 0 : errno; }
int Close(int fd) { return _close(fd) == 0 ? 0 : errno; }
#else
int OpenToWrite(const fs::path& p, Opening opening, int& fd) {
    do {
        fd = opening == Opening::CreateNew
                 ? ::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)
                 : ::open(p.c_str(), O_WRONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? errno : 0;
}
int WriteAt(int fd, std::string_view bytes, std::uintmax_t at) {
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
        at += static_cast<std::uintmax_t>(n);
    }
    return 0;
}
int Resize(int fd, std::uintmax_t size) {
    int rc = 0;
    do rc = ::ftruncate(fd, static_cast<off_t>(size));
    while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}
int Reserve(int fd, std::uintmax_t oldSize, std::uintmax_t newSize) {
    if (newSize <= oldSize) return 0;
    const int rc = ::posix_fallocate(fd, 0, static_cast<off_t>(newSize));
    if (rc != EOPNOTSUPP && rc != EINVAL) return rc;
    // A file system that reserves nothing: zero bytes after the old end
    // take the room all the same.
    return WriteAt(fd, std::string(newSize - oldSize, '\0'), oldSize);
}
int Sync(int fd) { return ::fsync(fd) == 0 ? 0 : errno; }
int Close(int fd) { return ::close(fd) == 0 ? 0 : errno; }
#endif

// An open file, closed when it goes out of scope.
struct OpenFile {
    int fd = -1;
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() {
        if (fd >= 0) Close(fd);
    }
    int CloseNow() {
        const int code = Close(fd);
        fd = -1;
        return code;
    }
};

// The error number of a library error; EIO when it has none.
int ErrnoOf(const std::error_code& ec) {
    const std::error_condition c = ec.default_error_condition();
    return c.category() == std::generic_category() && c.value() != 0 ? c.value() : EIO;
}

// Where a save stopped: at the file that stood under the name, at a new file,
// or at something under the name that is no file.
enum class Target { Existing, New, NotAFile };

// What the operator reads: the file, what went wrong and what to do, then
// the system's own text on a line of its own.
std::string SaveFailureText(const std::string& path, int code, Target target) {
    if (target == Target::NotAFile)
        return "Список не сохранён в файл «" + path +
               "»: под этим именем уже есть папка или устройство, а не файл. Выберите другое "
               "имя файла.\r" +
               std::strerror(code);
    const char* why =
        "запись не удалась. Проверьте диск и сохраните список ещё раз или в другом месте.";
    switch (code) {
        case EACCES:
        case EPERM:
            why = target == Target::Existing
                      ? "файл защищён от записи. Снимите с файла защиту от записи или "
                        "сохраните список под другим именем."
                      : "в этой папке нельзя создавать файлы. Сохраните список в другой "
                        "папке.";
            break;
        case EROFS:
            why = "диск доступен только для чтения. Сохраните список на другой диск.";
            break;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            why =
                "на диске не хватает места. Освободите место или сохраните список на другой "
                "диск.";
            break;
        case EFBIG:
            why = "файл стал бы больше, чем позволяет система. Сохраните список на другой диск.";
            break;
        case ENOENT:
        case ENOTDIR:
            why = "такой папки нет. Выберите существующую папку.";
            break;
        case ENAMETOOLONG:
            why = "имя файла слишком длинное. Выберите имя короче.";
            break;
        default:
            break;
    }
    return "Список не сохранён в файл «" + path + "»: " + why + "\r" + std::strerror(code);
}

[[noreturn]] void Fail(const std::string& path, int code, Target target) {
    throw FileError(SaveFailureText(path, code, target), code);
}

fs::path TempNameBeside(const fs::path& target) {
    std::random_device rd;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", rd());
    fs::path temp = target;
    temp += suffix;
    return temp;
}

// Writes `bytes` into a new temporary file beside `target` and renames it
// over the target. False, with nothing left behind, when the folder takes no
// temporary file or an existing target cannot be replaced by one (a sticky
// folder, a name at the length limit): the caller writes the file itself.
// Throws when the bytes cannot be written.
bool WriteThroughTemporary(const std::string& path, const fs::path& target,
                           const std::string& bytes, const fs::file_status* old) {
    fs::path temp;
    OpenFile file;
    for (int attempt = 0; attempt < 16 && file.fd < 0; ++attempt) {
        temp = TempNameBeside(target);
        const int code = OpenToWrite(temp, Opening::CreateNew, file.fd);
        if (code != 0 && code != EEXIST) return false;
    }
    if (file.fd < 0) return false;

    int code = WriteAt(file.fd, bytes, 0);
    if (code == 0) code = Sync(file.fd);
    const int closed = file.CloseNow();
    if (code == 0) code = closed;
    std::error_code ec;
    if (code != 0) {
        fs::remove(temp, ec);
        Fail(path, code, old ? Target::Existing : Target::New);
    }
    if (old) fs::permissions(temp, old->permissions(), ec);
    fs::rename(temp, target, ec);
    if (!ec) return true;
    const int renameCode = ErrnoOf(ec);
    fs::remove(temp, ec);
    if (old) return false;
    Fail(path, renameCode, Target::New);
}

// Writing in place: room for the new bytes is reserved before the first old
// byte is overwritten, so that a full disk, a quota or a size limit refuses
// the save while the old list is still whole (a failed reservation is given
// back). The new bytes were put together in memory beforehand, so nothing
// else can stop the write half-way: what is left is a failure of the medium
// itself, after which no write to it, a restoring one included, could be
// trusted.
void WriteInPlace(const std::string& path, const fs::path& target, std::uintmax_t oldSize,
                  const std::string& bytes) {
    OpenFile file;
    if (const int code = OpenToWrite(target, Opening::Existing, file.fd); code != 0)
        Fail(path, code, Target::Existing);
    int code = Reserve(file.fd, oldSize, bytes.size());
    if (code != 0) {
        Resize(file.fd, oldSize);
        Fail(path, code, Target::Existing);
    }
    code = WriteAt(file.fd, bytes, 0);
    if (code == 0) code = Resize(file.fd, bytes.size());
    if (code == 0) code = Sync(file.fd);
    const int closed = file.CloseNow();
    if (code == 0) code = closed;
    if (code != 0) Fail(path, code, Target::Existing);
}

// A new file where no temporary one could be made: a partial file is
// removed, since no list stood there before.
void WriteNewFile(const std::string& path, const fs::path& target, const std::string& bytes) {
    OpenFile file;
    if (const int code = OpenToWrite(target, Opening::CreateNew, file.fd); code != 0)
        Fail(path, code, Target::New);
    int code = WriteAt(file.fd, bytes, 0);
    if (code == 0) code = Sync(file.fd);
    const int closed = file.CloseNow();
    if (code == 0) code = closed;
    if (code != 0) {
        std::error_code ec;
        fs::remove(target, ec);
        Fail(path, code, Target::New);
    }
}

}  // namespace

void WriteListFile(const std::string& path, const MemoLines& memo) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(memo.Count()));
    for (int i = 0; i < memo.Count(); ++i) lines.push_back(memo.Line(i));
    WriteListFile(path, lines);
}

void WriteListFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }

    fs::path target = PathFromUtf8(path);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path real = fs::weakly_canonical(target, ec);
        if (!ec) target = real;
    }
    const fs::file_status status = fs::status(target, ec);
    const bool exists = status.type() != fs::file_type::not_found;
    if (exists && ec) Fail(path, ErrnoOf(ec), Target::New);

    std::uintmax_t oldSize = 0;
    if (exists) {
        if (!fs::is_regular_file(status))
            Fail(path, fs::is_directory(status) ? EISDIR : EINVAL, Target::NotAFile);
        // No write permission for anybody (the read-only attribute on
        // Windows) protects the file, also from root, who writes through it.
        constexpr fs::perms kAnyWrite =
            fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        if ((status.permissions() & kAnyWrite) == fs::perms::none)
            Fail(path, EACCES, Target::Existing);
        // Opening it for writing, without cutting it, asks the system whether
        // this user may change it. It is closed again at once: an open file
        // cannot be replaced on Windows.
        OpenFile probe;
        if (const int code = OpenToWrite(target, Opening::Existing, probe.fd); code != 0)
            Fail(path, code, Target::Existing);
        oldSize = fs::file_size(target, ec);
        if (ec) Fail(path, ErrnoOf(ec), Target::Existing);
    }

    if (WriteThroughTemporary(path, target, bytes, exists ? &status : nullptr)) return;
    if (exists)
        WriteInPlace(path, target, oldSize, bytes);
    else
        WriteNewFile(path, target, bytes);
}

}  // namespace hk
