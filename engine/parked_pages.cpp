#include "parked_pages.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>

#include "format.h"
#include "stream_store.h"

namespace vellum {
namespace {

// Text that may wait for the threads before the caller's thread helps: when
// pages are built faster than they are compressed, the backlog (and with it
// the memory beyond the streams) stays within this bound. A backlog is fresh
// memory, at a page fault per 4 KiB, so the bound is kept small.
constexpr std::size_t kMaxWaitingBytes = 512 * 1024;

// Text blocks of compressed pages kept for the next pages: fresh memory costs
// a page fault per 4 KiB touched, and a reused block is already mapped. A few
// blocks cover the pages between the caller and the threads.
constexpr std::size_t kMaxSpareTexts = 4;
constexpr std::size_t kMaxSpareCapacity = 1024 * 1024;

}  // namespace

class ParkedPages::State {
public:
    explicit State(unsigned threads) : threads_(threads == 0 ? 1 : threads) {}

    ~State() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workAvailable_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    void Park(std::size_t index, std::string& text) {
        std::unique_lock lock(mutex_);
        // What can fail to allocate comes before the text is taken.
        queue_.push_back(index);
        try {
            entries_[index] = Entry{};
        } catch (...) {
            queue_.pop_back();
            throw;
        }
        Entry& entry = entries_[index];
        entry.rawSize = text.size();
        lastRawSize_ = text.size();
        entry.text = std::move(text);
        text.clear();
        waitingBytes_ += entry.rawSize;
        // From here the page is parked whatever happens: without threads or
        // a compressor of the caller's, Finish compresses it.
        try {
            StartWorkers();
            workAvailable_.notify_one();
            while (waitingBytes_ > kMaxWaitingBytes && !queue_.empty()) CompressOne(lock, Own(), ownScratch_);
        } catch (...) {
        }
    }

    bool IsParked(std::size_t index) const {
        std::lock_guard lock(mutex_);
        return entries_.count(index) != 0;
    }

    std::string Unpark(std::size_t index) {
        std::unique_lock lock(mutex_);
        const auto found = entries_.find(index);
        if (found == entries_.end()) return {};
        Entry& entry = found->second;
        if (entry.stage == Stage::Waiting) {
            queue_.erase(std::find(queue_.begin(), queue_.end(), index));
            waitingBytes_ -= entry.rawSize;
            entry.stage = Stage::Failed;  // the text is still here: hand it back
        }
        stageChanged_.wait(lock, [&entry] { return entry.stage != Stage::Working; });
        std::string text;
        if (entry.stage == Stage::Failed) {
            text = std::move(entry.text);
        } else {
            // Only this thread touches a finished entry, so the stream is
            // inflated without holding up the compressing threads.
            lock.unlock();
            text = InflateZlib(entry.stream, entry.rawSize);
            lock.lock();
        }
        entries_.erase(index);
        return text;
    }

    std::vector<std::size_t> Finish() {
        std::unique_lock lock(mutex_);
        while (!queue_.empty()) CompressOne(lock, Own(), ownScratch_);
        stageChanged_.wait(lock, [this] { return working_ == 0; });
        std::vector<std::size_t> failed;
        for (const auto& [index, entry] : entries_) {
            if (entry.stage == Stage::Failed) failed.push_back(index);
        }
        return failed;
    }

    std::optional<std::string_view> StreamOf(std::size_t index) const {
        std::lock_guard lock(mutex_);
        const auto found = entries_.find(index);
        if (found == entries_.end() || found->second.stage != Stage::Done) return std::nullopt;
        return found->second.stream;
    }

    std::size_t WaitingBytes() const {
        std::lock_guard lock(mutex_);
        return waitingBytes_;
    }

    std::size_t StoredBytes() const {
        std::lock_guard lock(mutex_);
        return store_.BytesHeld();
    }

    std::string TakeSpareText() {
        std::unique_lock lock(mutex_);
        if (spares_.empty()) {
            // Pages of one document tend to be alike: room for as much as
            // the last one spares the new page's text its many regrowths.
            const std::size_t room = std::min(lastRawSize_, kMaxSpareCapacity);
            lock.unlock();
            std::string text;
            try {
                text.reserve(room);
            } catch (const std::bad_alloc&) {
            }
            return text;
        }
        std::string text = std::move(spares_.back());
        spares_.pop_back();
        text.clear();
        return text;
    }

private:
    enum class Stage { Waiting, Working, Done, Failed };
    struct Entry {
        std::string text;          // until compressed
        std::string_view stream;   // once compressed: in the store, or in ownStream
        std::string ownStream;
        std::size_t rawSize = 0;
        Stage stage = Stage::Waiting;
    };

    // Called with the lock held. A page's first stream goes into the store;
    // the stream of a page parked again gets a block of its own, freed when
    // the page comes back, so that going to and fro between pages cannot
    // fill the store with streams no longer used.
    void KeepStream(std::size_t index, Entry& entry, std::string_view made) {
        if (index >= storedOnce_.size()) storedOnce_.resize(index + 1);
        if (storedOnce_[index]) {
            entry.ownStream.assign(made);
            entry.stream = entry.ownStream;
            return;
        }
        entry.stream = store_.Add(made);
        storedOnce_[index] = true;
    }

    void StartWorkers() {
        if (!workers_.empty() || workersTried_) return;
        workersTried_ = true;
        for (unsigned i = 0; i < threads_; ++i) {
            try {
                workers_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break;  // fewer threads: the caller's thread and Finish do the rest
            }
        }
    }

    Compressor& Own() {
        if (own_ == nullptr) own_ = std::make_unique<Compressor>();
        return *own_;
    }

    // Compresses the first waiting page without holding the lock. Called
    // with the lock held; returns with it held. A failure keeps the text.
    void CompressOne(std::unique_lock<std::mutex>& lock, Compressor& compressor, std::string& scratch) {
        const std::size_t index = queue_.front();
        queue_.pop_front();
        Entry& entry = entries_[index];
        entry.stage = Stage::Working;
        waitingBytes_ -= entry.rawSize;
        ++working_;
        lock.unlock();
        std::string_view made;
        bool compressed = false;
        try {
            made = compressor.Compress(entry.text, scratch);
            compressed = true;
        } catch (...) {
        }
        lock.lock();
        if (compressed) {
            try {
                KeepStream(index, entry, made);
            } catch (...) {
                compressed = false;
            }
        }
        if (compressed) KeepSpare(entry.text);
        entry.stage = compressed ? Stage::Done : Stage::Failed;
        --working_;
        stageChanged_.notify_all();
    }

    // Called with the lock held; `text` is left empty and without its block.
    void KeepSpare(std::string& text) {
        std::string block = std::move(text);
        std::string().swap(text);
        if (spares_.size() >= kMaxSpareTexts || block.capacity() > kMaxSpareCapacity) return;
        try {
            spares_.push_back(std::move(block));
        } catch (...) {
        }
    }

    void Work() {
        std::unique_ptr<Compressor> compressor;
        std::string scratch;
        std::unique_lock lock(mutex_);
        for (;;) {
            workAvailable_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            if (compressor == nullptr) {
                try {
                    compressor = std::make_unique<Compressor>();
                } catch (...) {
                    return;  // no memory for a compressor: the caller's thread does the work
                }
            }
            CompressOne(lock, *compressor, scratch);
        }
    }

    const unsigned threads_;
    mutable std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable stageChanged_;
    std::unordered_map<std::size_t, Entry> entries_;
    std::deque<std::size_t> queue_;
    std::size_t waitingBytes_ = 0;
    int working_ = 0;
    bool stopping_ = false;
    bool workersTried_ = false;
    std::unique_ptr<Compressor> own_;
    std::string ownScratch_;
    std::vector<std::string> spares_;
    StreamStore store_;
    std::vector<bool> storedOnce_;  // by page: its first stream went into the store
    std::size_t lastRawSize_ = 0;
    std::vector<std::thread> workers_;  // last: joined before the rest goes
};

ParkedPages::ParkedPages(unsigned threads) : state_(std::make_unique<State>(threads)) {}
ParkedPages::~ParkedPages() = default;
void ParkedPages::Park(std::size_t index, std::string& text) { state_->Park(index, text); }
bool ParkedPages::IsParked(std::size_t index) const { return state_->IsParked(index); }
std::string ParkedPages::Unpark(std::size_t index) { return state_->Unpark(index); }
std::vector<std::size_t> ParkedPages::Finish() { return state_->Finish(); }
std::optional<std::string_view> ParkedPages::StreamOf(std::size_t index) const { return state_->StreamOf(index); }
std::size_t ParkedPages::WaitingBytes() const { return state_->WaitingBytes(); }
std::size_t ParkedPages::StoredBytes() const { return state_->StoredBytes(); }
std::string ParkedPages::TakeSpareText() { return state_->TakeSpareText(); }

}  // namespace vellum
