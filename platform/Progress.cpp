#include "platform/Progress.h"

namespace velarium::platform {

void Progress::step(std::uint64_t done, std::uint64_t total)
{
    if (cancelled()) {
        throw Cancelled("Operazione annullata dall'utente");
    }
    // A report per chunk would cost the display more than the work: a tenth of a second apart.
    const auto now = std::chrono::steady_clock::now();
    if (done >= total || now - lastReport_ >= std::chrono::milliseconds(100)) {
        lastReport_ = now;
        advanced(done, total);
    }
}

} // namespace velarium::platform
