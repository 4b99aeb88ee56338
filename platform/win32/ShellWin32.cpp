// The shell through ShellExecuteA, as the program has always called it; ShellExecuteW only
// for texts that the ANSI code page cannot carry, which the A call would turn into other names.

#include "platform/win32/ShellWin32.h"

#include "platform/win32/Win32Support.h"

#include <shellapi.h>

namespace velarium::platform {
namespace {

// An optional argument of the call: a null pointer for nothing, otherwise the text.
template <typename Char> const Char* argument(const std::optional<std::basic_string<Char>>& text)
{
    return text ? text->c_str() : nullptr;
}

std::optional<std::wstring> wide(const std::optional<std::string>& utf8)
{
    return utf8 ? std::optional(win32::wideText(*utf8)) : std::nullopt;
}

std::optional<std::string> ansi(const std::optional<std::wstring>& text, bool& lossy)
{
    if (!text) {
        return std::nullopt;
    }
    auto converted = win32::ansiText(*text);
    lossy = lossy || !converted;
    return converted;
}

} // namespace

ShellResult shellExecute(const ShellRequest& request, std::intptr_t ownerWindow)
{
    const HWND owner = request.ownedByProgram ? reinterpret_cast<HWND>(ownerWindow) : nullptr;
    const auto verb = wide(request.verb);
    const auto file = wide(std::optional(request.file));
    const auto parameters = wide(request.parameters);
    const auto directory = wide(request.directory);

    bool lossy = false;
    const auto ansiVerb = ansi(verb, lossy);
    const auto ansiFile = ansi(file, lossy);
    const auto ansiParameters = ansi(parameters, lossy);
    const auto ansiDirectory = ansi(directory, lossy);

    const HINSTANCE result =
        lossy
            ? ::ShellExecuteW(owner, argument(verb), argument(file), argument(parameters),
                              argument(directory), request.showMode)
            : ::ShellExecuteA(owner, argument(ansiVerb), argument(ansiFile),
                              argument(ansiParameters), argument(ansiDirectory), request.showMode);
    return reinterpret_cast<ShellResult>(result);
}

} // namespace velarium::platform
