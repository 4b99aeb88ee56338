#include "cli/Console.h"

#include "platform/Error.h"
#include "platform/Text.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <shellapi.h>
#include <streambuf>
#include <string_view>
#include <system_error>

namespace velarium::cli {
namespace {

std::string describe(DWORD code)
{
    return std::system_category().message(static_cast<int>(code));
}

std::string utf8Of(std::wstring_view wide)
{
    if (wide.empty()) {
        return {};
    }
    const int length = static_cast<int>(wide.size());
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
    return text;
}

bool isConsole(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

// A console is written in UTF-16, whatever its code page: the only way for every letter of the
// texts to show, on any Windows, without changing the code page of the console the user's shell
// shares. A letter cut between two writes waits for the rest of its bytes, or it would show as
// two question marks.
class ConsoleBuffer final : public std::streambuf
{
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console)
    {
        setp(bytes_.data(), bytes_.data() + bytes_.size());
    }

protected:
    int_type overflow(int_type c) override
    {
        if (sync() != 0) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            // A sync leaves at most the three bytes of a cut character: there is room.
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override
    {
        const std::size_t held = static_cast<std::size_t>(pptr() - pbase());
        const std::size_t whole = wholeUtf8Length(std::string_view(pbase(), held));
        const bool written = write(std::string_view(pbase(), whole));
        std::memmove(bytes_.data(), pbase() + whole, held - whole);
        setp(bytes_.data(), bytes_.data() + bytes_.size());
        pbump(static_cast<int>(held - whole));
        return written ? 0 : -1;
    }

private:
    bool write(std::string_view utf8)
    {
        if (utf8.empty()) {
            return true;
        }
        // Bytes that are not UTF-8 show as replacement characters rather than stopping the
        // output.
        const int length = static_cast<int>(utf8.size());
        const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), size);
        std::wstring_view left = wide;
        while (!left.empty()) {
            DWORD written = 0;
            const auto chunk = static_cast<DWORD>(std::min<std::size_t>(left.size(), 8192));
            if (!::WriteConsoleW(console_, left.data(), chunk, &written, nullptr) || written == 0) {
                return false;
            }
            left.remove_prefix(written);
        }
        return true;
    }

    HANDLE console_;
    std::array<char, 4096> bytes_{};
};

void setUp(std::ostream& stream, DWORD which, std::FILE* file)
{
    const HANDLE handle = ::GetStdHandle(which);
    if (isConsole(handle)) {
        // Never freed: the streams are flushed once more while the process ends, after every
        // object of ours is gone.
        stream.rdbuf(new ConsoleBuffer(handle));
    } else {
        // The C runtime would write CR LF for each line: a script's output reads the same on
        // every system.
        std::fflush(file);
        ::_setmode(::_fileno(file), _O_BINARY);
    }
}

// What the console handler needs to give the console its echo back before the process ends. The
// mode belongs to the console, which the user's shell shares, not to this process.
HANDLE gInput = nullptr;
DWORD gSavedMode = 0;
std::atomic<bool> gHidden{false};

BOOL WINAPI showTypingAndGoOn(DWORD)
{
    if (gHidden.exchange(false)) {
        ::SetConsoleMode(gInput, gSavedMode);
    }
    // The next handler, and at last the system's own, still end the program.
    return FALSE;
}

void appendUtf8(Secret& line, char32_t code)
{
    if (code < 0x80) {
        line.append(static_cast<char>(code));
    } else if (code < 0x800) {
        line.append(static_cast<char>(0xC0 | (code >> 6)));
        line.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        line.append(static_cast<char>(0xE0 | (code >> 12)));
        line.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        line.append(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        line.append(static_cast<char>(0xF0 | (code >> 18)));
        line.append(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        line.append(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        line.append(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// One UTF-16 unit at a time: the console keeps the rest of the line for the next call, so that
// nothing after the line is consumed and the password sits in no buffer of ours.
Secret readConsoleLine(HANDLE input)
{
    constexpr char32_t kReplacement = 0xFFFD;
    Secret line;
    wchar_t unit = 0;
    // The first half of a surrogate pair, waiting for the second.
    char32_t high = 0;
    for (;;) {
        DWORD read = 0;
        ::SetLastError(ERROR_SUCCESS);
        const BOOL done = ::ReadConsoleW(input, &unit, 1, &read, nullptr);
        if (!done || read == 0) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_OPERATION_ABORTED) {
                // Ctrl-C: the console handlers are ending the process on a thread of their own;
                // if a handler let it live on, the line goes on too.
                ::Sleep(100);
                continue;
            }
            if (!done) {
                wipeMemory(&unit, sizeof unit);
                wipeMemory(&high, sizeof high);
                throw Error("Impossibile leggere la password: " + describe(code));
            }
            break;
        }
        if (unit == L'\n') {
            break;
        }
        const char32_t code = unit;
        if (code >= 0xD800 && code < 0xDC00) {
            if (high != 0) {
                appendUtf8(line, kReplacement);
            }
            high = code;
            continue;
        }
        if (code >= 0xDC00 && code < 0xE000) {
            appendUtf8(line, high != 0 ? 0x10000 + ((high - 0xD800) << 10) + (code - 0xDC00)
                                       : kReplacement);
            high = 0;
            continue;
        }
        if (high != 0) {
            appendUtf8(line, kReplacement);
            high = 0;
        }
        appendUtf8(line, code);
    }
    if (high != 0) {
        appendUtf8(line, kReplacement);
    }
    wipeMemory(&unit, sizeof unit);
    wipeMemory(&high, sizeof high);
    return line;
}

Secret readByteLine(HANDLE input)
{
    Secret line;
    char c = 0;
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(input, &c, 1, &read, nullptr)) {
            const DWORD code = ::GetLastError();
            // The writing end of a pipe was closed: the input ends here.
            if (code == ERROR_BROKEN_PIPE) {
                break;
            }
            wipeMemory(&c, sizeof c);
            throw Error("Impossibile leggere la password: " + describe(code));
        }
        if (read == 0 || c == '\n') {
            break;
        }
        line.append(c);
    }
    wipeMemory(&c, sizeof c);
    return line;
}

} // namespace

std::vector<std::string> commandLineWords(int, char**)
{
    int count = 0;
    LPWSTR* const words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (words == nullptr) {
        throw Error("Impossibile leggere la riga di comando: " + describe(::GetLastError()));
    }
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i) {
        result.push_back(utf8Of(words[i]));
    }
    ::LocalFree(words);
    return result;
}

void setUpStandardOutput()
{
    setUp(std::cout, STD_OUTPUT_HANDLE, stdout);
    setUp(std::cerr, STD_ERROR_HANDLE, stderr);
}

bool standardInputIsTerminal()
{
    return isConsole(::GetStdHandle(STD_INPUT_HANDLE));
}

bool standardErrorIsTerminal()
{
    return isConsole(::GetStdHandle(STD_ERROR_HANDLE));
}

void hideTyping()
{
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    if (!::GetConsoleMode(input, &saved)) {
        throw Error("Impossibile leggere le impostazioni del terminale: " +
                    describe(::GetLastError()));
    }
    gInput = input;
    gSavedMode = saved;
    gHidden = true;
    // Handlers run last registered first: the echo is back before the process ends.
    ::SetConsoleCtrlHandler(showTypingAndGoOn, TRUE);
    // Whatever was typed ahead, before the prompt could be seen, is dropped.
    ::FlushConsoleInputBuffer(input);
    // Echo works only on whole lines, which a password is anyway.
    const DWORD quiet = (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT;
    if (!::SetConsoleMode(input, quiet)) {
        const DWORD code = ::GetLastError();
        gHidden = false;
        ::SetConsoleCtrlHandler(showTypingAndGoOn, FALSE);
        throw Error("Impossibile disattivare l'eco del terminale: " + describe(code));
    }
}

void showTyping() noexcept
{
    if (gHidden.exchange(false)) {
        ::SetConsoleMode(gInput, gSavedMode);
    }
    ::SetConsoleCtrlHandler(showTypingAndGoOn, FALSE);
}

Secret readInputLine()
{
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    return isConsole(input) ? readConsoleLine(input) : readByteLine(input);
}

void wipeMemory(void* data, std::size_t size) noexcept
{
    ::SecureZeroMemory(data, size);
}

} // namespace velarium::cli
