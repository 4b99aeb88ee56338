#include "platform/ExportFolder.h"

namespace velarium::platform {

// On Windows the exports go straight into Word and Excel through automation: no file of them is
// kept by the program, so there is no folder of exports to keep other commands out of.
std::filesystem::path ExportFolder::userFolder()
{
    return {};
}

} // namespace velarium::platform
