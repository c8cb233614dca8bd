#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Rewrites a list of pages on helper threads, a little ahead of the caller, who puts them in
// place one by one in list order. Reading, rewriting and writing the new bytes to a temporary
// file beside the page happen on the helpers; the page itself is replaced only when the caller
// takes it, so a failure stops the run with every later page as it was.
class PagePipeline {
  public:
    // Turns the bytes of page number `index` (its place in the list) into its new bytes; one
    // converter per helper thread, so that each may keep its own caches.
    using Converter = std::function<std::string(std::size_t index, std::string_view page)>;

    // What happened to one page.
    enum class Outcome {
        Skipped,    // not a regular file with content, or too large: not a page to process
        Unchanged,  // the rewriting changed nothing; the file was left alone
        Replaced,   // the new bytes are in place
    };

    // makeConverter is called once per helper thread (and once more when there are none).
    // helpers may be 0: every page is then done by Take, on the caller's thread.
    // The pages' paths must outlive the pipeline.
    PagePipeline(std::vector<std::string_view> pages, std::function<Converter()> makeConverter,
                 int helpers);
    // Stops the helpers and removes the temporary files of pages that were not taken.
    ~PagePipeline();
    PagePipeline(const PagePipeline&) = delete;
    PagePipeline& operator=(const PagePipeline&) = delete;

    // Waits for page i (pages are taken in order: 0, 1, 2, ...) and tells whether it is a
    // regular file with content, that is, a page to process.
    bool HasContent(std::size_t i);
    // Puts page i's new bytes in place (after HasContent(i) said yes). Throws
    // std::runtime_error, naming the file, when the page could not be read or replaced.
    Outcome Take(std::size_t i);

    // Helper threads worth starting on this machine for a conversion of the given page count.
    static int HelpersFor(std::size_t pages);

  private:
    struct Result {
        bool Ready = false;
        Outcome What = Outcome::Skipped;
        std::string Temp;  // Replaced: the temporary file holding the new bytes
        bool Failed = false;
        std::string Error;  // Failed: why
    };

    void Work();
    void Prepare(std::size_t i, const Converter& convert, Result& result) const;
    Result& Wait(std::size_t i);

    std::vector<std::string_view> pages_;
    std::function<Converter()> makeConverter_;
    std::vector<Result> results_;
    std::mutex mutex_;
    std::condition_variable workReady_;  // a page may be started, or the run stops
    std::condition_variable pageDone_;  // the pages the caller waits for are ready
    bool callerWaiting_ = false;
    std::size_t waitLast_ = 0;  // the last page the caller waits for with the one it needs
    std::size_t next_ = 0;   // the next page a helper starts
    std::size_t taken_ = 0;  // pages the caller has taken
    std::size_t ahead_ = 0;  // how far helpers may run ahead of the caller
    bool stopping_ = false;
    std::unique_ptr<Converter> ownConverter_;  // without helpers
    std::vector<std::thread> helpers_;
};
