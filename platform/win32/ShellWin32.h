#pragma once

#include "platform/Shell.h"

#include <cstdint>

namespace velarium::platform {

// ShellExecuteA with the request's arguments and `ownerWindow` (an HWND, or 0) when the
// program owns the call. Texts the system's ANSI code page cannot hold go to ShellExecuteW
// instead, so that no path is ever mangled into another one.
ShellResult shellExecute(const ShellRequest& request, std::intptr_t ownerWindow);

} // namespace velarium::platform
