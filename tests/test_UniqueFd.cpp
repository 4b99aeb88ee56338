#include "TempFolder.h"
#include "platform/Error.h"
#include "platform/posix/UniqueFd.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <pthread.h>
#include <set>
#include <span>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using velarium::SystemError;
using velarium::platform::listFolder;
using velarium::platform::readFull;
using velarium::platform::readFullAt;
using velarium::platform::UniqueFd;
using velarium::platform::writeAll;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

std::pair<UniqueFd, UniqueFd> makePipe()
{
    int ends[2];
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}

std::span<std::byte> bytesOf(std::string& text)
{
    return std::as_writable_bytes(std::span(text));
}

std::span<const std::byte> bytesOf(const std::string& text)
{
    return std::as_bytes(std::span(text));
}

std::atomic<int> gSignals{0};
extern "C" void countSignal(int)
{
    ++gSignals;
}

// While it lives, SIGUSR1 interrupts a blocked call (no SA_RESTART), as a stop request or a
// timer of the program's own would: the call fails with EINTR or returns what it had done. A
// write into a pipe whose reader gave up fails instead of ending the test program.
class Interrupting
{
public:
    Interrupting()
    {
        struct sigaction action
        {
        };
        action.sa_handler = countSignal;
        ::sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(SIGUSR1, &action, &previous_);
        previousPipe_ = ::signal(SIGPIPE, SIG_IGN);
        gSignals = 0;
    }
    ~Interrupting()
    {
        ::signal(SIGPIPE, previousPipe_);
        ::sigaction(SIGUSR1, &previous_, nullptr);
    }
    Interrupting(const Interrupting&) = delete;
    Interrupting& operator=(const Interrupting&) = delete;

    // Signals `thread` again and again for a while: it is blocked in its call for most of it.
    static void pester(pthread_t thread)
    {
        for (int i = 0; i < 20; ++i) {
            ::pthread_kill(thread, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

private:
    struct sigaction previous_
    {
    };
    sighandler_t previousPipe_ = SIG_DFL;
};

} // namespace

TEST(UniqueFd, ClosesWhatItOwnsOnceAndNothingItHandedOn)
{
    auto [readEnd, writeEnd] = makePipe();
    const int r = readEnd.get();
    {
        UniqueFd moved(std::move(readEnd));
        EXPECT_FALSE(readEnd);
        EXPECT_EQ(moved.get(), r);
        UniqueFd assigned;
        assigned = std::move(moved);
        EXPECT_TRUE(isOpen(r));
    }
    EXPECT_FALSE(isOpen(r)) << "the last owner closes it";

    const int kept = writeEnd.release();
    EXPECT_FALSE(writeEnd);
    writeEnd.reset();
    EXPECT_TRUE(isOpen(kept)) << "released, so no longer owned";

    UniqueFd owner(kept);
    auto [other, unused] = makePipe();
    const int o = other.get();
    EXPECT_TRUE(owner.reset(other.release()));
    EXPECT_FALSE(isOpen(kept)) << "reset closes the old one";
    EXPECT_EQ(owner.get(), o);

    // A failure to close is reported, and the descriptor counts as gone all the same.
    ::close(o);
    errno = 0;
    EXPECT_FALSE(owner.reset());
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(owner);
}

TEST(UniqueFd, ReadFullGathersShortReadsUntilTheBufferIsFullOrTheEnd)
{
    // Each read of a packet socket returns one packet at most: every read here is a short one.
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    const UniqueFd reader(ends[0]);
    UniqueFd writer(ends[1]);
    for (const std::string piece : {"Vel", "ari", "um", "!"}) {
        writeAll(writer.get(), bytesOf(piece), "pacchetti");
    }
    writer.reset();

    std::string buffer(8, '\0');
    EXPECT_EQ(readFull(reader.get(), bytesOf(buffer), "pacchetti"), 8u);
    EXPECT_EQ(buffer, "Velarium");
    EXPECT_EQ(readFull(reader.get(), bytesOf(buffer), "pacchetti"), 1u) << "the end of the data";
    EXPECT_EQ(buffer[0], '!');
    EXPECT_EQ(readFull(reader.get(), bytesOf(buffer), "pacchetti"), 0u);
}

TEST(UniqueFd, ReadFullAtReadsFromItsOffsetAndLeavesThePositionAlone)
{
    const TempFolder folder;
    writeFile(folder / "dati.bin", "0123456789");
    const UniqueFd fd(::open((folder / "dati.bin").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(fd);
    std::string buffer(4, '\0');
    EXPECT_EQ(readFullAt(fd.get(), 3, bytesOf(buffer), folder / "dati.bin"), 4u);
    EXPECT_EQ(buffer, "3456");
    EXPECT_EQ(readFullAt(fd.get(), 8, bytesOf(buffer), folder / "dati.bin"), 2u);
    EXPECT_EQ(buffer.substr(0, 2), "89");
    EXPECT_EQ(readFullAt(fd.get(), 20, bytesOf(buffer), folder / "dati.bin"), 0u);
    EXPECT_EQ(readFull(fd.get(), bytesOf(buffer), folder / "dati.bin"), 4u);
    EXPECT_EQ(buffer, "0123");
}

TEST(UniqueFd, SignalsDuringABlockedReadOrWriteLoseNoByte)
{
    const Interrupting interrupting;
    const pthread_t self = ::pthread_self();
    const std::string data = velarium::test::randomBytes(1 << 18, 7);

    {
        // The reader waits on an empty pipe while the signals come; then the data arrives.
        auto [readEnd, writeEnd] = makePipe();
        std::thread writer([&, w = std::move(writeEnd)]() mutable {
            Interrupting::pester(self);
            EXPECT_NO_THROW(writeAll(w.get(), bytesOf(data), "tubo"));
            w.reset();
        });
        std::string got(data.size() + 1, '\0');
        std::size_t n = 0;
        EXPECT_NO_THROW(n = readFull(readEnd.get(), bytesOf(got), "tubo"));
        readEnd.reset();
        writer.join();
        EXPECT_EQ(n, data.size());
        got.resize(n);
        EXPECT_TRUE(got == data);
    }
    EXPECT_GT(gSignals.load(), 0);

    {
        // The writer fills a small pipe and waits; a signal then cuts its write short.
        auto [readEnd, writeEnd] = makePipe();
        ::fcntl(writeEnd.get(), F_SETPIPE_SZ, 4096);
        std::string got;
        std::thread reader([&, r = std::move(readEnd)] {
            Interrupting::pester(self);
            std::string buffer(1 << 16, '\0');
            std::size_t n = 0;
            while ((n = readFull(r.get(), bytesOf(buffer), "tubo")) > 0) {
                got.append(buffer, 0, n);
            }
        });
        EXPECT_NO_THROW(writeAll(writeEnd.get(), bytesOf(data), "tubo"));
        writeEnd.reset();
        reader.join();
        EXPECT_TRUE(got == data) << got.size() << " bytes of " << data.size();
    }
}

TEST(UniqueFd, ARefusedReadOrWriteRaisesWithThePathAndTheReason)
{
    const TempFolder folder;
    writeFile(folder / "sola-lettura.txt", "abc");
    const UniqueFd readOnly(::open((folder / "sola-lettura.txt").c_str(), O_RDONLY | O_CLOEXEC));
    const fs::path named = folder / "sola-lettura.txt";
    std::string buffer(4, '\0');
    const struct
    {
        std::function<void()> call;
        std::string message;
    } cases[] = {
        {[&] { writeAll(readOnly.get(), bytesOf(std::string("x")), named); },
         "Errore di scrittura nel file '" + named.string() + "': "},
        {[&] { readFull(-1, bytesOf(buffer), named); },
         "Errore di lettura dal file '" + named.string() + "': "},
        {[&] { readFullAt(-1, 0, bytesOf(buffer), named); },
         "Errore di lettura dal file '" + named.string() + "': "},
    };
    for (const auto& c : cases) {
        try {
            c.call();
            ADD_FAILURE() << "nothing raised for " << c.message;
        } catch (const SystemError& e) {
            EXPECT_EQ(e.code(), EBADF);
            EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
        }
    }
}

TEST(UniqueFd, AFolderListingLeavesTheFolderOpen)
{
    const TempFolder folder;
    writeFile(folder / "uno", "1");
    writeFile(folder / "due", "2");
    const UniqueFd fd(::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::set<std::string> names;
    {
        const auto dir = listFolder(fd.get());
        ASSERT_TRUE(dir);
        while (const dirent* entry = ::readdir(dir.get())) {
            names.insert(entry->d_name);
        }
    }
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "due", "uno"}));
    EXPECT_TRUE(isOpen(fd.get()));
    EXPECT_FALSE(listFolder(-1));
}
