#pragma once

namespace velarium {

// The pictures live in a static library, whose resources the linker would otherwise drop:
// call this once before loading ":/RESNAME1" or ":/images/...". Calling it again does no harm.
void initResources();

} // namespace velarium
