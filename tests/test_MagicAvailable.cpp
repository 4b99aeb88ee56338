// libmagic and zlib as every build of the core links them: the database found where the build
// puts it, a type told by its first bytes, regular-expression entries matched, data compressed.
#include <gtest/gtest.h>
#include <magic.h>
#include <zlib.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

struct MagicCloser
{
    void operator()(magic_t cookie) const { magic_close(cookie); }
};
using Magic = std::unique_ptr<std::remove_pointer_t<magic_t>, MagicCloser>;

// Windows carries the database beside the executable; elsewhere the system's own serves.
std::string databasePath()
{
#ifdef _WIN32
    std::wstring module(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, module.data(), MAX_PATH);
    module.resize(length);
    return (std::filesystem::path(module).parent_path() / "magic.mgc").string();
#else
    return {};
#endif
}

Magic loadedMagic(int flags)
{
    Magic cookie(magic_open(flags));
    if (!cookie) {
        ADD_FAILURE() << "magic_open failed";
        return cookie;
    }
    const std::string database = databasePath();
    if (magic_load(cookie.get(), database.empty() ? nullptr : database.c_str()) != 0) {
        const char* error = magic_error(cookie.get());
        ADD_FAILURE() << "magic_load(" << database << "): " << (error ? error : "no message");
        cookie.reset();
    }
    return cookie;
}

std::string describe(int flags, std::string_view content)
{
    Magic cookie = loadedMagic(flags);
    if (!cookie)
        return {};
    const char* answer = magic_buffer(cookie.get(), content.data(), content.size());
    if (!answer) {
        const char* error = magic_error(cookie.get());
        ADD_FAILURE() << "magic_buffer: " << (error ? error : "no message");
        return {};
    }
    return answer;
}

constexpr std::string_view pdfHeader = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<< >>\nendobj\n";

} // namespace

TEST(MagicAvailable, NamesAPdfByItsHeader)
{
    EXPECT_EQ(describe(MAGIC_MIME_TYPE, pdfHeader), "application/pdf");
}

TEST(MagicAvailable, DescribesAPdfWithItsVersion)
{
    EXPECT_EQ(describe(MAGIC_NONE, pdfHeader), "PDF document, version 1.4");
}

TEST(MagicAvailable, MatchesTheDatabasesRegularExpressions)
{
    // The database knows C sources only by a regular expression on their lines.
    EXPECT_EQ(describe(MAGIC_MIME_TYPE, "#include <stdio.h>\nint main(void) { return 0; }\n"),
              "text/x-c");
}

TEST(ZlibAvailable, CompressesRepetitiveDataAndRestoresIt)
{
    const std::string original(64 * 1024, 'a');
    uLongf packedSize = compressBound(static_cast<uLong>(original.size()));
    std::vector<Bytef> packed(packedSize);
    ASSERT_EQ(compress2(packed.data(), &packedSize, reinterpret_cast<const Bytef*>(original.data()),
                        static_cast<uLong>(original.size()), Z_BEST_COMPRESSION),
              Z_OK);
    EXPECT_LT(packedSize, original.size() / 100);

    std::string restored(original.size(), '\0');
    uLongf restoredSize = static_cast<uLongf>(restored.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(restored.data()), &restoredSize, packed.data(),
                         packedSize),
              Z_OK);
    restored.resize(restoredSize);
    EXPECT_EQ(restored, original);
}
