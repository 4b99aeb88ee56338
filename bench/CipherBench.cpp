// Times velarium-cli's in-place encryption of a large file against OpenSSL's own command doing
// the same RC4 transformation, and checks that both produce the same bytes.
//
//   velarium_cipher_bench [MiB]      (default 1024)
//
// The file is made under $TMPDIR, or the current folder when that is not set.

#include "BenchSupport.h"
#include "platform/posix/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <linux/magic.h>
#include <openssl/sha.h>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace velarium::bench;
using velarium::platform::UniqueFd;

const char* const kCli = VELARIUM_CLI_PATH;
// ASCII only: its Windows-1252 bytes, from which the tool derives the key, are the same.
const std::string kPassword = "Banco di prova 2024";
constexpr std::size_t kChunk = 1u << 20;

// Incompressible enough that no layer below can take a shortcut; made on the disk before any
// timing starts, so that both commands read it from the same warm cache.
void makeInput(const fs::path& path, std::uint64_t bytes)
{
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) {
        fail("cannot create " + path.string());
    }
    std::vector<std::uint64_t> buffer(kChunk / sizeof(std::uint64_t));
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    for (std::uint64_t done = 0; done < bytes; done += kChunk) {
        for (auto& word : buffer) {
            // splitmix64
            std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
            word = z ^ (z >> 31);
        }
        const std::size_t size =
            static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, bytes - done));
        writeAll(fd.get(), reinterpret_cast<const char*>(buffer.data()), size, path);
    }
    if (::fsync(fd.get()) != 0) {
        fail("cannot sync " + path.string());
    }
}

void syncFile(const fs::path& path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd || ::fsync(fd.get()) != 0) {
        fail("cannot sync " + path.string());
    }
}

std::string hexKey(const std::string& password)
{
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), digest);
    std::ostringstream hex;
    for (int i = 0; i < 16; ++i) {
        hex << std::hex << std::setw(2) << std::setfill('0') << static_cast<int>(digest[i]);
    }
    return hex.str();
}

// The offset of the first difference, or nothing when the files are identical.
std::optional<std::uint64_t> firstDifference(const fs::path& a, const fs::path& b)
{
    UniqueFd fa(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    UniqueFd fb(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fa || !fb) {
        fail("cannot open the results");
    }
    std::vector<char> ba(kChunk), bb(kChunk);
    std::uint64_t offset = 0;
    for (;;) {
        const std::size_t na = readFull(fa.get(), ba.data(), kChunk, a);
        const std::size_t nb = readFull(fb.get(), bb.data(), kChunk, b);
        const std::size_t common = std::min(na, nb);
        for (std::size_t i = 0; i < common; ++i) {
            if (ba[i] != bb[i]) {
                return offset + i;
            }
        }
        if (na != nb) {
            return offset + common;
        }
        if (na == 0) {
            return std::nullopt;
        }
        offset += na;
    }
}

int bench(std::uint64_t mebibytes)
{
    const char* tmp = std::getenv("TMPDIR");
    const BenchFolder folder(tmp && *tmp ? fs::path(tmp) : fs::current_path());
    struct statfs info
    {
    };
    if (::statfs(folder.path().c_str(), &info) == 0 && info.f_type == TMPFS_MAGIC) {
        std::cout << "Attenzione: " << folder.path().string()
                  << " è in memoria: i tempi non misurano il disco.\n";
    }
    const fs::path input = folder.path() / "dati.bin";
    const fs::path reference = folder.path() / "openssl.bin";
    std::cout << "Creazione di " << mebibytes << " MiB in " << folder.path().string() << "...\n"
              << std::flush;
    makeInput(input, mebibytes << 20);

    const ChildRun openssl = runChild({"openssl", "enc", "-rc4", "-K", hexKey(kPassword), "-nosalt",
                                       "-provider", "legacy", "-provider", "default", "-in",
                                       input.string(), "-out", reference.string()},
                                      std::nullopt);
    // Untimed: its dirty pages must not be written back during the other command's run.
    syncFile(reference);
    const ChildRun velarium = runChild(
        {kCli, "--folder", folder.path().string(), "encrypt", input.string()}, kPassword + "\n");

    const auto difference = firstDifference(input, reference);
    const double ratio = velarium.seconds / openssl.seconds;
    std::cout << std::fixed << std::setprecision(3) << "openssl enc -rc4:       " << openssl.seconds
              << " s (memoria massima " << std::setprecision(1) << openssl.peakMiB << " MiB)\n"
              << std::setprecision(3) << "velarium-cli encrypt:   " << velarium.seconds << " s\n"
              << std::setprecision(2) << "rapporto velarium/openssl: " << ratio
              << (ratio <= 0.65 ? "  (obiettivo <= 0.65 raggiunto)"
                                : "  (obiettivo <= 0.65 NON raggiunto)")
              << '\n'
              << std::setprecision(1) << "memoria massima velarium: " << velarium.peakMiB << " MiB"
              << (velarium.peakMiB < 16 ? "  (obiettivo < 16 raggiunto)"
                                        : "  (obiettivo < 16 NON raggiunto)")
              << '\n';
    if (difference) {
        std::cout << "ERRORE: i risultati differiscono dal byte " << *difference << '\n';
        return 1;
    }
    std::cout << "risultati identici\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::uint64_t mebibytes = 1024;
    if (argc > 1) {
        char* end = nullptr;
        mebibytes = std::strtoull(argv[1], &end, 10);
        if (*end != '\0' || mebibytes == 0) {
            std::cerr << "Uso: velarium_cipher_bench [MiB]\n";
            return 2;
        }
    }
    try {
        return bench(mebibytes);
    } catch (const std::exception& e) {
        std::cerr << "velarium_cipher_bench: " << e.what() << '\n';
        return 1;
    }
}
