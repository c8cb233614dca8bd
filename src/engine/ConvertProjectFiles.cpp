#include "engine/ConvertProjectFiles.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "core/FileBytes.h"
#include "core/FileNames.h"
#include "engine/CompleteCopy.h"
#include "engine/SessionState.h"
#include "offline/FolderListing.h"
#include "offline/LinkRewriting.h"
#include "offline/PagePipeline.h"

namespace {

const char* const UpdatingText = "Updating HTML links for off line browsing..";
const char* const DeletingText = "Deleting HTML Files..";
const char* const CompleteText = "Updating Complete!";

constexpr std::size_t kNoPage = static_cast<std::size_t>(-1);

// The window goes before the box that says why the conversion failed.
bool EndFailed(SessionPrompts& prompts, const std::string& failure) {
    prompts.ConversionClose();
    prompts.Message(failure, SessionPrompts::Kind::Error, SessionPrompts::Buttons::Ok);
    return false;
}

// The window says it is done, for a moment, and goes.
bool EndDone(SessionPrompts& prompts) {
    prompts.ConversionUpdate(CompleteText, "", 100);
    prompts.Pause(1000);
    prompts.ConversionClose();
    return true;
}

}  // namespace

bool ConvertProjectFiles(SessionState& session) {
    SessionPrompts& prompts = session.Prompts();
    BusyCursor busy(prompts);
    const bool rewriting = session.Settings.RetrieveHTMLFiles;
    const std::string label = rewriting ? UpdatingText : DeletingText;
    prompts.ConversionShow();
    prompts.ConversionUpdate(label, "", 0);

    const std::vector<std::string>& files = session.KnownFiles.Items();
    const std::size_t count = files.size();
    // The pages in list order, each once (a page listed twice is converted once), and each
    // list entry's page number.
    std::vector<std::string_view> pages;  // into KnownFiles, which stays as it is meanwhile
    std::vector<std::size_t> pageOf(count, kNoPage);
    {
        std::unordered_set<std::string> listed;
        for (std::size_t i = 0; i < count; ++i) {
            // Only ".html" and ".htm" pages are touched (".shtml" and other pages are left alone).
            if (!IsHtmlPath(files[i]) || !listed.insert(files[i]).second) continue;
            pageOf[i] = pages.size();
            pages.push_back(files[i]);
        }
    }

    // Rewriting runs on helper threads ahead of this loop, which puts each page in place in
    // turn and keeps the window up to date; the answers to "was this file retrieved?" come from
    // one listing of the project folder.
    std::optional<FolderListing> listing;
    std::optional<OfflineLinkMap> prototype;
    std::optional<PagePipeline> pipeline;
    if (rewriting) {
        listing.emplace(session.ProjectFolder);
        prototype.emplace(
            session, [&listing](const std::string& name) { return listing->StoredName(name); },
            false);
        auto makeConverter = [&prototype]() -> PagePipeline::Converter {
            auto links = std::make_shared<OfflineLinkMap>(*prototype);
            return [links](std::size_t, std::string_view page) {
                return ConvertPageText(page, *links);
            };
        };
        pipeline.emplace(pages, makeConverter, PagePipeline::HelpersFor(pages.size()));
    }

    int shown = 0;
    std::string current;  // the file the window shows
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& path = files[i];
        const std::size_t page = pageOf[i];
        bool processed = false;
        if (page != kNoPage &&
            (rewriting ? pipeline->HasContent(page) : ModeOfFileWithContent(path).has_value())) {
            processed = true;
            current = path;
            prompts.ConversionUpdate(label, current, shown);
            if (rewriting) {
                try {
                    pipeline->Take(page);
                } catch (const std::exception& e) {
                    pipeline.reset();  // the pages after this one stay as they are
                    return EndFailed(prompts, e.what());
                }
            } else {
                RemoveFile(path);  // a page that cannot be deleted is not reported
            }
        }
        const int gauge = static_cast<int>((i + 1) * 100 / count);
        if (gauge != shown || processed) {
            shown = gauge;
            prompts.ConversionUpdate(label, current, shown);
        }
    }
    pipeline.reset();
    session.KnownFiles.Clear();
    return EndDone(prompts);
}

bool ConvertCompleteCopy(SessionState& session, CompleteCopy& copy) {
    SessionPrompts& prompts = session.Prompts();
    BusyCursor busy(prompts);
    prompts.ConversionShow();
    prompts.ConversionUpdate(UpdatingText, "", 0);
    const std::string failure = copy.ConvertAll([&prompts](const std::string& file, int gauge) {
        prompts.ConversionUpdate(UpdatingText, file, gauge);
    });
    return failure.empty() ? EndDone(prompts) : EndFailed(prompts, failure);
}
