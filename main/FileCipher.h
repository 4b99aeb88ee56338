#pragma once

#include "platform/Progress.h"
#include "platform/Rc4.h"

#include <filesystem>
#include <string_view>

namespace velarium {

// Reads `source` from start to end and writes to `destination` (created, or emptied) each byte
// XOR one continuous RC4 key stream derived from `password`, used exactly as given. The result
// has the source's length and no header. Encrypting and decrypting are the same transformation;
// `encrypt` only selects which cipher call runs on each 512-byte block. The destination is on
// the disk when the call returns. Raises on any failure: a missing source leaves no destination.
// `keySize` is the provider's key the file was made with (see platform/Rc4.h). With `progress`,
// the bytes written are reported as they reach the destination, and a cancel stops the work
// with platform::Cancelled before the next chunk is written.
void FileCipher(const std::filesystem::path& source, const std::filesystem::path& destination,
                std::string_view password, bool encrypt,
                platform::KeySize keySize = platform::KeySize::Bits128,
                platform::Progress* progress = nullptr);

} // namespace velarium
