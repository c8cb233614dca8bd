#include "offline/PagePipeline.h"

#include <unistd.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "core/FileBytes.h"

namespace {

// Pages a helper may have done beyond the one the caller waits for. Enough to keep every helper
// busy, few enough that a failure early in the list wastes little and leaves few temporary
// files to remove.
constexpr std::size_t kAheadPerHelper = 8;
// Pages the caller waits for at once when it has caught up with the helpers: waking it for
// every page would cost more than putting the page in place.
constexpr std::size_t kWaitBatch = 8;
// Pages larger than this are left as they are: each helper holds a page and its new bytes at
// once, and a page of gigabytes (a server that never stopped sending) would take all memory.
// Real pages, even whole books on one page, are a fraction of it.
constexpr std::int64_t kMaxPageBytes = 64 << 20;

}  // namespace

int PagePipeline::HelpersFor(std::size_t pages) {
    // A handful of pages is not worth a thread. The caller's thread mostly waits for the
    // helpers (putting a page in place is a fraction of rewriting it), and each helper keeps its
    // own caches: one helper per core, a few at most.
    if (pages < 16) return 0;
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 4u));
}

PagePipeline::PagePipeline(std::vector<std::string_view> pages, std::function<Converter()> makeConverter,
                           int helpers)
    : pages_(std::move(pages)),
      makeConverter_(std::move(makeConverter)),
      results_(pages_.size()),
      ahead_(kAheadPerHelper * static_cast<std::size_t>(std::max(helpers, 1))) {
    for (int i = 0; i < helpers; ++i) {
        try {
            helpers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones there are will do
        }
    }
    // Without helpers every page is done by Take, on the caller's thread.
    if (helpers_.empty()) ownConverter_ = std::make_unique<Converter>(makeConverter_());
}

PagePipeline::~PagePipeline() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workReady_.notify_all();
    for (std::thread& t : helpers_) t.join();
    for (std::size_t i = taken_; i < results_.size(); ++i)
        if (!results_[i].Temp.empty()) ::unlink(results_[i].Temp.c_str());
}

void PagePipeline::Work() {
    const Converter convert = makeConverter_();
    std::unique_lock lock(mutex_);
    for (;;) {
        workReady_.wait(lock, [this] {
            return stopping_ || next_ >= pages_.size() || next_ < taken_ + ahead_;
        });
        if (stopping_ || next_ >= pages_.size()) return;
        const std::size_t i = next_++;
        lock.unlock();
        Result result;
        Prepare(i, convert, result);
        lock.lock();
        result.Ready = true;
        results_[i] = std::move(result);
        if (callerWaiting_ && results_[taken_].Ready && results_[waitLast_].Ready)
            pageDone_.notify_one();
    }
}

void PagePipeline::Prepare(std::size_t i, const Converter& convert, Result& result) const {
    const std::string path(pages_[i]);
    try {
        const std::optional<unsigned> mode = ModeOfFileWithContent(path, kMaxPageBytes);
        if (!mode) {
            result.What = Outcome::Skipped;
            return;
        }
        const std::string page = ReadFileBytes(path);
        const std::string converted = convert(i, page);
        // A page that comes out as it went in is not written again.
        if (converted == page) {
            result.What = Outcome::Unchanged;
            return;
        }
        result.Temp = WriteReplacement(path, converted, false, mode);
        result.What = Outcome::Replaced;
    } catch (const std::exception& e) {
        result.Failed = true;
        result.Error = e.what();
    }
}

PagePipeline::Result& PagePipeline::Wait(std::size_t i) {
    Result& result = results_[i];
    if (ownConverter_) {
        if (!result.Ready) {
            Prepare(i, *ownConverter_, result);
            result.Ready = true;
        }
        return result;
    }
    std::unique_lock lock(mutex_);
    if (!result.Ready) {
        // Pages are taken in order, so the one needed is taken_ (i); helpers may work on pages
        // up to taken_ + ahead_.
        waitLast_ = std::min({i + kWaitBatch, results_.size(), i + ahead_}) - 1;
        callerWaiting_ = true;
        pageDone_.wait(lock, [&] { return results_[i].Ready && results_[waitLast_].Ready; });
        callerWaiting_ = false;
    }
    return result;  // no helper touches a result once it is ready
}

bool PagePipeline::HasContent(std::size_t i) {
    const Result& result = Wait(i);
    if (result.Failed || result.What != Outcome::Skipped) return true;
    {
        std::lock_guard lock(mutex_);
        taken_ = i + 1;
    }
    workReady_.notify_all();
    return false;
}

PagePipeline::Outcome PagePipeline::Take(std::size_t i) {
    Result& result = Wait(i);
    const Result taken = std::move(result);
    result.Temp.clear();
    {
        std::lock_guard lock(mutex_);
        taken_ = i + 1;
    }
    workReady_.notify_all();
    if (taken.Failed) throw std::runtime_error(taken.Error);
    if (taken.What == Outcome::Replaced) CommitReplacement(taken.Temp, std::string(pages_[i]));
    return taken.What;
}
