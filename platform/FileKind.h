#pragma once

#include <string>

namespace velarium::platform {

// What a path may name besides a regular file or a folder. A command refuses such a thing by
// name, so that the user learns what stands where a file was expected.
enum class FileKind
{
    Fifo,
    CharacterDevice,
    BlockDevice,
    Socket,
    Other,
};

// The cause that refuses it, as it ends a message: "è una pipe con nome (FIFO)".
inline std::string kindWords(FileKind kind)
{
    switch (kind) {
    case FileKind::Fifo:
        return "è una pipe con nome (FIFO)";
    case FileKind::CharacterDevice:
        return "è un dispositivo a caratteri";
    case FileKind::BlockDevice:
        return "è un dispositivo a blocchi";
    case FileKind::Socket:
        return "è un socket";
    case FileKind::Other:
        break;
    }
    return "non è un file regolare";
}

} // namespace velarium::platform
