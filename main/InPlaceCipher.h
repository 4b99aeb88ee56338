#pragma once

#include "platform/FileReplace.h"
#include "platform/Progress.h"
#include "platform/Rc4.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace velarium {

enum class CipherDirection
{
    Encrypt,
    Decrypt
};

// Replaces a chosen file by its encrypted or decrypted form, in two steps that a window can
// report one by one: first the processed copy is written to the program folder's temporary file
// ("Criptato.xyz" or "Decriptato.xyz"), then it takes the chosen file's place. At every instant
// the chosen path holds either the complete original or the complete result; a failure at any
// step leaves the original untouched and removes the temporary file. The temporary file is the
// job's alone from the first step to its end: a job of another program that finds it taken
// fails before it changes anything.
class InPlaceCipher
{
public:
    InPlaceCipher(const std::filesystem::path& programFolder, std::filesystem::path chosenFile,
                  CipherDirection direction);
    ~InPlaceCipher();
    InPlaceCipher(const InPlaceCipher&) = delete;
    InPlaceCipher& operator=(const InPlaceCipher&) = delete;

    static const char* temporaryName(CipherDirection direction);

    // Removes the temporary files that jobs which died left in `programFolder` (a processed copy
    // may be a file in clear), but none that a live job holds. For the program's start.
    static void removeAbandonedCopies(const std::filesystem::path& programFolder) noexcept;

    // Refuses a missing or read-only chosen file, one with other names (they would keep the old
    // content), and a temporary file held by another job, before anything is written; then
    // runs the cipher from the chosen file into the temporary file. Raises on failure.
    // With `progress`, the cipher reports how far it has come, and a cancel raises
    // platform::Cancelled, leaving the chosen file as it was and removing the temporary file.
    void writeProcessedCopy(std::string_view password,
                            platform::KeySize keySize = platform::KeySize::Bits128,
                            platform::Progress* progress = nullptr);
    // Puts the processed copy in the chosen file's place, with the chosen file's access rules.
    // Raises on failure, and refuses a chosen file that was changed, replaced or removed since
    // its copy was made, up to the instant it is replaced: whatever it holds now would be lost.
    // With `progress`, a copy beside the chosen file (the program folder on another file system)
    // reports how far it has come, and a cancel before the rename raises platform::Cancelled,
    // leaving the chosen file as it was and removing the temporary file.
    void replaceChosenFile(platform::Progress* progress = nullptr);

    const std::filesystem::path& temporaryPath() const { return temporary_; }

private:
    std::filesystem::path chosen_;
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    // The chosen file as it was when its copy was made.
    platform::FileVersion source_;
    std::unique_ptr<platform::TemporaryClaim> claim_;
    CipherDirection direction_;
    bool pending_ = false;
};

} // namespace velarium
