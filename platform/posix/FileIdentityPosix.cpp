#include "platform/FileIdentity.h"

#include <sys/stat.h>
#include <system_error>

namespace velarium::platform {

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(st.st_dev),
                        static_cast<std::uint64_t>(st.st_ino)};
}

std::optional<std::filesystem::path> runningExecutable()
{
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return executable;
}

} // namespace velarium::platform
