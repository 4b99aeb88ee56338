#pragma once

#include "platform/FileKind.h"

#include <string>
#include <sys/stat.h>

namespace velarium::platform {

// What a path names when it is neither a file nor a folder, for the message that refuses it.
inline std::string kindOf(mode_t mode)
{
    if (S_ISFIFO(mode)) {
        return kindWords(FileKind::Fifo);
    }
    if (S_ISCHR(mode)) {
        return kindWords(FileKind::CharacterDevice);
    }
    if (S_ISBLK(mode)) {
        return kindWords(FileKind::BlockDevice);
    }
    if (S_ISSOCK(mode)) {
        return kindWords(FileKind::Socket);
    }
    return kindWords(FileKind::Other);
}

} // namespace velarium::platform
