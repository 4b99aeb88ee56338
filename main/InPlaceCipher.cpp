#include "main/InPlaceCipher.h"

#include "archive/ProgramFiles.h"
#include "main/FileCipher.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/FileReplace.h"
#include "platform/Utf8Path.h"

#include <optional>
#include <span>

namespace velarium {

InPlaceCipher::InPlaceCipher(const std::filesystem::path& programFolder,
                             std::filesystem::path chosenFile, CipherDirection direction)
    : chosen_(std::move(chosenFile)), temporary_(programFolder / temporaryName(direction)),
      direction_(direction)
{
}

InPlaceCipher::~InPlaceCipher()
{
    if (pending_) {
        platform::removeQuietly(temporary_);
    }
}

const char* InPlaceCipher::temporaryName(CipherDirection direction)
{
    return direction == CipherDirection::Encrypt ? "Criptato.xyz" : "Decriptato.xyz";
}

void InPlaceCipher::removeAbandonedCopies(const std::filesystem::path& programFolder) noexcept
{
    for (const CipherDirection direction : {CipherDirection::Encrypt, CipherDirection::Decrypt}) {
        platform::removeAbandonedTemporary(programFolder / temporaryName(direction));
    }
}

void InPlaceCipher::writeProcessedCopy(std::string_view password, platform::KeySize keySize,
                                       platform::Progress* progress)
{
    target_ = platform::replaceableTarget(chosen_);
    // Emptying the temporary file would empty the chosen file if they were one and the same.
    std::error_code ignored;
    if (std::filesystem::equivalent(target_, temporary_, ignored)) {
        throw Error("Il file scelto è il file temporaneo del programma");
    }
    // Encrypting the archive or the access store would lock the user out, and an executable or
    // a library would stop working: the program's own files are never a command's target.
    const std::optional<std::filesystem::path> self = platform::runningExecutable();
    refuseProgramFile(temporary_.parent_path(), target_,
                      self ? std::span(&*self, 1) : std::span<const std::filesystem::path>());
    // Taken before reading: a change while the cipher runs shows as well as one after it.
    source_ = platform::versionOf(target_);
    if (source_.links > 1) {
        throw Error("Il file scelto ha altri nomi (collegamenti fisici), che conserverebbero il "
                    "contenuto attuale: " +
                    utf8FromPath(target_));
    }
    claim_ = std::make_unique<platform::TemporaryClaim>(temporary_);
    pending_ = true;
    FileCipher(target_, temporary_, password, direction_ == CipherDirection::Encrypt, keySize,
               progress);
}

void InPlaceCipher::replaceChosenFile(platform::Progress* progress)
{
    if (!pending_) {
        throw Error("Nessuna copia elaborata da sostituire al file scelto");
    }
    // Checked again: the file may have been made read-only or removed meanwhile, or edited (a
    // window waits for the user between the two steps).
    const auto unchanged = [this] {
        const std::filesystem::path target = platform::replaceableTarget(chosen_);
        if (target != target_ || platform::versionOf(target) != source_) {
            throw Error("Il file scelto è cambiato dopo l'elaborazione: " + utf8FromPath(target));
        }
        claim_->confirm();
    };
    unchanged();
    // And once more at the last moment: a copy beside a file on another file system takes as
    // long as the cipher did, and a change made meanwhile would be lost.
    platform::replaceFile(temporary_, target_, unchanged, progress);
    pending_ = false;
    claim_.reset();
}

} // namespace velarium
