#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace velarium::platform {

// A file opened for reading from start to end; closed when the object goes away.
class InputFile
{
public:
    // Raises SystemError when the file cannot be opened.
    explicit InputFile(const std::filesystem::path& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Fills as much of buffer as the file still holds; 0 only at the end. Raises on errors.
    std::size_t read(std::span<std::byte> buffer);

private:
    // The backend's own descriptor or handle.
    struct Native;
    std::filesystem::path path_;
    std::unique_ptr<Native> native_;
};

// A file created new (or emptied) for writing, readable only by its owner until it is given
// its final permissions; closed when the object goes away.
class OutputFile
{
public:
    // Raises SystemError when the file cannot be created.
    explicit OutputFile(const std::filesystem::path& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Writes every byte or raises.
    void write(std::span<const std::byte> data);
    // Asks the system to start writing what has been written so far to the disk, so that the
    // final sync finds little left to do. Only a hint.
    void startWriteback();
    // Returns once every byte written is on the disk; raises when the disk refuses.
    void sync();
    // Closes now and reports a failure to close, which the destructor cannot.
    void close();

private:
    // The backend's own descriptor or handle.
    struct Native;
    std::filesystem::path path_;
    std::unique_ptr<Native> native_;
    std::uint64_t written_ = 0;
    std::uint64_t flushed_ = 0;
};

// The first `limit` bytes of a file (all of a shorter one), read as readSmallFile reads: nothing
// when no file can be opened at the path; opening never waits; anything but a regular file
// raises.
std::optional<std::string> readFileStart(const std::filesystem::path& path, std::size_t limit);

// The whole content of a small file of the program's own (a settings file), in one read; nothing
// when no file can be opened at the path. Opening never waits, and only a regular file is read:
// a pipe, a device or a folder at the path, or a file longer than `limit` bytes, raises instead,
// so that a reader is never kept waiting, nor fed without end.
std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit);

} // namespace velarium::platform
