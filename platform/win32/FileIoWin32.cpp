#include "platform/FileIo.h"

#include "platform/win32/Win32Support.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

namespace velarium::platform {
namespace {

// ReadFile and WriteFile count in DWORDs; larger buffers go in pieces of this size.
constexpr std::size_t kMaxPiece = 1u << 30;

} // namespace

struct InputFile::Native
{
    win32::Handle handle;
};

struct OutputFile::Native
{
    win32::Handle handle;
};

InputFile::InputFile(const std::filesystem::path& path) : path_(path)
{
    // Others may read the source meanwhile but not change it under the cipher.
    win32::Handle handle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle.valid()) {
        win32::raise("Impossibile aprire il file", path);
    }
    native_ = std::make_unique<Native>(Native{std::move(handle)});
}

InputFile::~InputFile() = default;

std::size_t InputFile::read(std::span<std::byte> buffer)
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(kMaxPiece, buffer.size() - filled));
        if (!::ReadFile(native_->handle.get(), buffer.data() + filled, want, &got, nullptr)) {
            win32::raise("Errore di lettura dal file", path_);
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    return filled;
}

OutputFile::OutputFile(const std::filesystem::path& path) : path_(path)
{
    // Readers are let in: the program's own temporary file is held open for reading by the
    // command that owns it.
    win32::Handle handle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        win32::raise("Impossibile creare il file", path);
    }
    native_ = std::make_unique<Native>(Native{std::move(handle)});
}

OutputFile::~OutputFile() = default;

void OutputFile::write(std::span<const std::byte> data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        DWORD put = 0;
        const auto want = static_cast<DWORD>(std::min(kMaxPiece, data.size() - done));
        if (!::WriteFile(native_->handle.get(), data.data() + done, want, &put, nullptr)) {
            win32::raise("Errore di scrittura nel file", path_);
        }
        if (put == 0) {
            win32::raise("Errore di scrittura nel file", path_, ERROR_HANDLE_DISK_FULL);
        }
        done += put;
    }
    written_ += data.size();
}

void OutputFile::startWriteback()
{
    // The cache manager writes behind on its own; there is no cheaper hint to give it.
    flushed_ = written_;
}

void OutputFile::sync()
{
    if (!::FlushFileBuffers(native_->handle.get())) {
        win32::raise("Errore di scrittura su disco del file", path_);
    }
}

void OutputFile::close()
{
    if (!native_->handle.reset()) {
        win32::raise("Errore di chiusura del file", path_);
    }
}

std::optional<std::string> readFileStart(const std::filesystem::path& path, std::size_t limit)
{
    const win32::Handle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    win32::requireDiskFile(file.get(), "Impossibile leggere il file", path);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        win32::raise("Impossibile leggere il file", path);
    }
    // One byte more than the size, when the limit allows, shows a file that grew meanwhile.
    std::string bytes(std::min<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart) + 1, limit),
                      '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        DWORD n = 0;
        if (!::ReadFile(file.get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n,
                        nullptr)) {
            win32::raise("Errore di lettura dal file", path);
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

} // namespace velarium::platform
