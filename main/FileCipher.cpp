#include "main/FileCipher.h"

#include "platform/FileIo.h"
#include "platform/Rc4.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace velarium {
namespace {

// The cipher works block by block; reading and writing move larger chunks on threads of their
// own, so that the disk is busy while the key stream is computed. Memory stays at
// kChunks * kChunkBytes whatever the file's size.
constexpr std::size_t kBlockBytes = 512;
constexpr std::size_t kChunkBytes = 1u << 20;
constexpr std::size_t kChunks = 4;

struct Chunk
{
    std::unique_ptr<std::byte[]> data = std::make_unique<std::byte[]>(kChunkBytes);
    std::size_t size = 0;
};

// A hand-over point between two stages. Closing it wakes every waiter: pop then returns nothing
// and push drops its item, so that one failing stage stops the others.
class Channel
{
public:
    void push(Chunk* chunk)
    {
        {
            std::lock_guard lock(mutex_);
            if (closed_) {
                return;
            }
            items_.push_back(chunk);
        }
        ready_.notify_one();
    }

    Chunk* pop()
    {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closed_ || !items_.empty(); });
        if (items_.empty()) {
            return nullptr;
        }
        Chunk* chunk = items_.front();
        items_.pop_front();
        return chunk;
    }

    void close()
    {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        ready_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Chunk*> items_;
    bool closed_ = false;
};

class Pipeline
{
public:
    Pipeline(platform::InputFile& in, platform::OutputFile& out, platform::Rc4Key& key,
             bool encrypt, platform::Progress* progress, std::uint64_t total)
        : in_(in), out_(out), key_(key), encrypt_(encrypt), progress_(progress), total_(total),
          chunks_(kChunks)
    {
        for (Chunk& chunk : chunks_) {
            free_.push(&chunk);
        }
    }

    void run()
    {
        std::jthread reader([this] { guarded([this] { readAll(); }); });
        std::jthread writer([this] { guarded([this] { writeAll(); }); });
        guarded([this] { cipherAll(); });
        reader.join();
        writer.join();
        if (failure_) {
            std::rethrow_exception(failure_);
        }
    }

private:
    // An empty chunk marks the end of the file on its way through the stages.
    void readAll()
    {
        for (;;) {
            Chunk* chunk = free_.pop();
            if (!chunk) {
                return;
            }
            // Once pushed, the chunk belongs to the next stages: decide before handing it on.
            const std::size_t size = in_.read({chunk->data.get(), kChunkBytes});
            chunk->size = size;
            read_.push(chunk);
            if (size == 0) {
                return;
            }
        }
    }

    void cipherAll()
    {
        for (;;) {
            Chunk* chunk = read_.pop();
            if (!chunk) {
                return;
            }
            auto* bytes = reinterpret_cast<std::uint8_t*>(chunk->data.get());
            for (std::size_t at = 0; at < chunk->size; at += kBlockBytes) {
                const std::span<std::uint8_t> block(bytes + at,
                                                    std::min(kBlockBytes, chunk->size - at));
                if (encrypt_) {
                    key_.encrypt(block);
                } else {
                    key_.decrypt(block);
                }
            }
            const bool last = chunk->size == 0;
            ciphered_.push(chunk);
            if (last) {
                return;
            }
        }
    }

    void writeAll()
    {
        std::uint64_t written = 0;
        for (;;) {
            Chunk* chunk = ciphered_.pop();
            if (!chunk || chunk->size == 0) {
                return;
            }
            if (progress_) {
                // A file that grew while it was read is simply done later than announced.
                progress_->step(written, std::max(total_, written));
            }
            out_.write({chunk->data.get(), chunk->size});
            written += chunk->size;
            out_.startWriteback();
            free_.push(chunk);
        }
    }

    template <typename Stage> void guarded(Stage stage)
    {
        try {
            stage();
        } catch (...) {
            {
                std::lock_guard lock(failureMutex_);
                if (!failure_) {
                    failure_ = std::current_exception();
                }
            }
            free_.close();
            read_.close();
            ciphered_.close();
        }
    }

    platform::InputFile& in_;
    platform::OutputFile& out_;
    platform::Rc4Key& key_;
    const bool encrypt_;
    platform::Progress* const progress_;
    const std::uint64_t total_;
    std::vector<Chunk> chunks_;
    Channel free_;
    Channel read_;
    Channel ciphered_;
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};

} // namespace

void FileCipher(const std::filesystem::path& source, const std::filesystem::path& destination,
                std::string_view password, bool encrypt, platform::KeySize keySize,
                platform::Progress* progress)
{
    const auto key = platform::deriveRc4Key(password, keySize);
    platform::InputFile in(source);
    std::error_code unknown;
    const std::uint64_t total = progress ? std::filesystem::file_size(source, unknown) : 0;
    platform::OutputFile out(destination);
    if (progress) {
        progress->step(0, unknown ? 0 : total);
    }
    Pipeline(in, out, *key, encrypt, progress, unknown ? 0 : total).run();
    out.sync();
    out.close();
    if (progress) {
        // The bytes are on the disk: now the work is complete.
        const std::uint64_t done = std::filesystem::file_size(destination, unknown);
        progress->advanced(unknown ? total : done, unknown ? total : done);
    }
}

} // namespace velarium
