#include "platform/SharedFile.h"

namespace velarium::platform {

SharedFile::SharedFile(const std::filesystem::path& path)
    : SharedFile(Opening(), path, Access::ReadWrite, true)
{
}

std::unique_ptr<SharedFile> SharedFile::openExisting(const std::filesystem::path& path,
                                                     Access access)
{
    auto file = std::make_unique<SharedFile>(Opening(), path, access, false);
    if (!file->native_) {
        return nullptr;
    }
    return file;
}

} // namespace velarium::platform
