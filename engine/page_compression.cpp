#include "page_compression.h"

#ifndef _WIN32
#include <sched.h>
#endif

#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "format.h"

namespace vellum {
namespace {

// Below these, starting threads costs more than it saves.
constexpr std::size_t kParallelMinPages = 16;
constexpr std::size_t kParallelMinBytes = 512 * 1024;
constexpr unsigned kMaxThreads = 8;
// Pages compressed ahead of the writer per thread: enough to keep every
// thread busy, few enough that the buffers stay a small constant.
constexpr std::size_t kPagesAheadPerThread = 4;
constexpr std::size_t kNoPage = ~std::size_t{0};

// The cores this process may run on (its affinity, where the system says),
// otherwise all of them.
unsigned UsableCores() {
#ifndef _WIN32
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return static_cast<unsigned>(CPU_COUNT(&allowed));
#endif
    const unsigned reported = std::thread::hardware_concurrency();
    return reported == 0 ? 1 : reported;
}

}  // namespace

unsigned CompressionThreadsFor(std::size_t pageCount, std::size_t totalBytes) {
    if (pageCount < kParallelMinPages || totalBytes < kParallelMinBytes) return 1;
    const unsigned cores = UsableCores();
    return cores < kMaxThreads ? cores : kMaxThreads;
}

unsigned CompressionHelpers() {
    const unsigned cores = UsableCores();
    return cores <= 2 ? 1 : cores > 4 ? 3 : cores - 1;
}

struct PageStreams::Serial {
    TextOf textOf;
    ReadyStreamOf readyStreamOf;
    std::size_t next = 0;
    Compressor compressor;
    std::string scratch;
};

// Worker threads and the writer's thread take pages from one counter; a page
// may be taken only while its buffer is free, that is, once the writer has
// moved past the page that used the buffer before it.
class PageStreams::Pool {
public:
    Pool(TextOf textOf, ReadyStreamOf readyStreamOf, std::size_t pageCount, unsigned threads)
        : textOf_(std::move(textOf)),
          readyStreamOf_(std::move(readyStreamOf)),
          pageCount_(pageCount),
          slots_(threads * kPagesAheadPerThread) {
        for (unsigned i = 1; i < threads; ++i) {
            try {
                workers_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break;  // fewer threads than hoped: the writer's own thread does the rest
            }
        }
    }

    ~Pool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workAvailable_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    unsigned ThreadCount() const { return static_cast<unsigned>(workers_.size()) + 1; }

    std::string_view Next() {
        std::unique_lock lock(mutex_);
        const std::size_t page = nextToHand_++;
        freedBelow_ = page;  // the page handed out before this one is done with
        workAvailable_.notify_all();
        Slot& slot = SlotOf(page);
        while (slot.page != page) {
            if (CanTake()) {
                CompressOne(lock, ownCompressor_);
            } else {
                slotReady_.wait(lock);
            }
        }
        if (slot.error) std::rethrow_exception(slot.error);
        return slot.stream;
    }

private:
    struct Slot {
        std::string scratch;
        std::string_view stream;
        std::size_t page = kNoPage;  // the page whose stream the slot holds
        std::exception_ptr error;
    };

    Slot& SlotOf(std::size_t page) { return slots_[page % slots_.size()]; }

    bool CanTake() const { return nextToTake_ < pageCount_ && nextToTake_ < freedBelow_ + slots_.size(); }

    // Takes the next page, compresses it without holding the lock, and marks
    // it ready. Called with the lock held; returns with it held.
    void CompressOne(std::unique_lock<std::mutex>& lock, Compressor& compressor) {
        const std::size_t page = nextToTake_++;
        Slot& slot = SlotOf(page);
        lock.unlock();
        std::exception_ptr error;
        std::string_view stream;
        try {
            const std::optional<std::string_view> ready = readyStreamOf_ ? readyStreamOf_(page) : std::nullopt;
            stream = ready ? *ready : compressor.Compress(textOf_(page), slot.scratch);
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        slot.stream = stream;
        slot.error = error;
        slot.page = page;
        slotReady_.notify_all();
    }

    void Work() {
        std::unique_ptr<Compressor> compressor;
        std::unique_lock lock(mutex_);
        for (;;) {
            workAvailable_.wait(lock, [this] { return stopping_ || CanTake(); });
            if (stopping_) return;
            if (compressor == nullptr) {
                try {
                    compressor = std::make_unique<Compressor>();
                } catch (...) {
                    return;  // no memory for a compressor: leave the pages to the others
                }
            }
            CompressOne(lock, *compressor);
        }
    }

    TextOf textOf_;
    ReadyStreamOf readyStreamOf_;
    const std::size_t pageCount_;
    std::vector<Slot> slots_;
    Compressor ownCompressor_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable slotReady_;
    std::size_t nextToTake_ = 0;
    std::size_t nextToHand_ = 0;
    std::size_t freedBelow_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;  // last: started once everything above exists
};

PageStreams::PageStreams(TextOf textOf, std::size_t pageCount, std::size_t totalBytes, unsigned threads,
                         ReadyStreamOf readyStreamOf) {
    if (threads == 0) threads = CompressionThreadsFor(pageCount, totalBytes);
    if (threads > 1) {
        pool_ = std::make_unique<Pool>(std::move(textOf), std::move(readyStreamOf), pageCount, threads);
    } else {
        serial_ = std::make_unique<Serial>();
        serial_->textOf = std::move(textOf);
        serial_->readyStreamOf = std::move(readyStreamOf);
    }
}

PageStreams::~PageStreams() = default;

std::string_view PageStreams::Next() {
    if (pool_ != nullptr) return pool_->Next();
    const std::size_t page = serial_->next++;
    if (serial_->readyStreamOf) {
        if (const std::optional<std::string_view> ready = serial_->readyStreamOf(page)) return *ready;
    }
    return serial_->compressor.Compress(serial_->textOf(page), serial_->scratch);
}

unsigned PageStreams::ThreadCount() const { return pool_ != nullptr ? pool_->ThreadCount() : 1; }

}  // namespace vellum
