#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

// Exports handed to the desktop's office applications hold every password in clear. They are
// written into a folder that only the user can read, one subfolder per run of the program, and
// go away with the run: at its end, or at the next start when the run was killed. Each run holds
// a lock on its subfolder for as long as it lives, so that a second copy of the program running
// at the same time never takes the files of the first.
namespace velarium::platform {

class ExportFolder
{
public:
    // The user's folder of exports: "velarium" in the per-user runtime folder ($XDG_RUNTIME_DIR)
    // when that is usable (a real folder, not a link, the user's own, mode 0700), otherwise
    // "velarium-UID" in the system's temporary folder. Only computed: nothing is made.
    static std::filesystem::path userFolder();

    // Works in `folder`; touches nothing until it is used.
    explicit ExportFolder(std::filesystem::path folder);
    // Removes this run's subfolder with every export in it.
    ~ExportFolder();
    ExportFolder(const ExportFolder&) = delete;
    ExportFolder& operator=(const ExportFolder&) = delete;

    // Removes the subfolders of runs that ended without cleaning up (nobody holds their lock any
    // more); those of runs still alive stay. Returns how many went. A folder that is missing, or
    // is not private, is left alone.
    int removeLeftovers() noexcept;

    // A new empty file "Velarium-archivio-XXXXXX.EXTENSION", readable by its owner only, in this
    // run's subfolder, which the first call makes and locks (the folder itself too, mode 0700).
    // Raises velarium::Error when the folder is a link, someone else's or open to others, or
    // cannot be made.
    std::filesystem::path newFile(std::string_view extension);

    const std::filesystem::path& folder() const { return folder_; }
    // This run's subfolder; empty until the first file.
    const std::filesystem::path& runFolder() const { return run_; }

private:
    // The backend's hold on this run's subfolder; empty until the first file.
    struct Native;
    std::filesystem::path folder_;
    std::filesystem::path run_;
    std::unique_ptr<Native> native_;
};

} // namespace velarium::platform
