#include "engine/CompleteCopy.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <system_error>

#include "core/FileNames.h"
#include "core/Text.h"
#include "mirror/AddressResolver.h"
#include "mirror/PageConversion.h"
#include "offline/PagePipeline.h"

namespace {

// The extension of an address's last path segment in upper case, dot included ("" when none).
std::string AddressExtension(std::string_view address) {
    const std::size_t scheme = address.find("://");
    std::size_t pathBegin = address.find('/', scheme == std::string_view::npos ? 0 : scheme + 3);
    if (pathBegin == std::string_view::npos) return {};
    std::string_view path = address.substr(pathBegin);
    return UpperCase(FileExtension(path.substr(0, std::min(path.find('?'), path.find('#')))));
}

// An extension worth giving again after a query: short and plain, so that the name stays one
// the file system holds (a segment is at most 255 bytes).
bool IsPlainExtension(const std::string& ext) {
    return ext.size() >= 2 && ext.size() <= 16 &&
           std::all_of(ext.begin() + 1, ext.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
           });
}

bool OneOf(const std::string& ext, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* e) { return ext == e; });
}

// The file-kind boxes of the New Session dialog, as they apply to an address by its extension.
enum class FileKind { Page, Image, Archive, Applet, Other, Unknown };

FileKind KindOf(const std::string& ext, const SessionFields& s) {
    if (ext.empty() || OneOf(ext, {".HTML", ".HTM", ".SHTML", ".SHTM", ".XHTML", ".PHP", ".ASP",
                                   ".ASPX", ".JSP", ".CGI", ".PL"}))
        return FileKind::Page;
    if (OneOf(ext, {".GIF", ".JPG", ".JPEG", ".PNG", ".BMP", ".WEBP", ".SVG", ".ICO", ".AVIF",
                    ".TIF", ".TIFF"}))
        return FileKind::Image;
    if (OneOf(ext, {".ZIP", ".EXE", ".GZ", ".TGZ", ".BZ2", ".XZ", ".7Z", ".RAR", ".TAR"}))
        return FileKind::Archive;
    if (OneOf(ext, {".CLASS", ".JAR"})) return FileKind::Applet;
    if (std::find(s.OtherFileExtensions.begin(), s.OtherFileExtensions.end(), ext) !=
        s.OtherFileExtensions.end())
        return FileKind::Other;
    return FileKind::Unknown;
}

bool BoxAllows(FileKind kind, const SessionFields& s) {
    switch (kind) {
        case FileKind::Image:
            return s.Settings.RetrieveImageFiles;
        case FileKind::Archive:
            return s.Settings.RetrieveZIPEXEFiles;
        case FileKind::Applet:
            return s.Settings.RetrieveJavaApplets;
        case FileKind::Other:
            return s.Settings.RetrieveOtherFiles;
        case FileKind::Page:
        case FileKind::Unknown:
            return true;
    }
    return true;
}

// The path with "~n" added to the segment that ends at segmentEnd (before its extension when it
// is the last segment).
std::string WithSuffix(const std::string& path, std::size_t segmentEnd, int n) {
    std::string suffix(1, '~');
    suffix += std::to_string(n);
    if (segmentEnd < path.size()) return path.substr(0, segmentEnd) + suffix + path.substr(segmentEnd);
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const std::size_t at = (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
                            dot == (slash == std::string::npos ? 0 : slash + 1))
                               ? path.size()
                               : dot;
    return path.substr(0, at) + suffix + path.substr(at);
}

}  // namespace

std::string CompleteCopy::Begin(const std::string& startAddress) {
    start_ = mirror::NormalizeAddress(startAddress).value_or(startAddress);
    layout_ = mirror::MirrorLayout(start_);
    const std::size_t scheme = start_.find("://");
    const std::size_t slash = start_.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    siteOrigin_ = slash == std::string::npos ? start_ + "/" : start_.substr(0, slash + 1);
    queued_.clear();
    planned_.clear();
    redirects_.clear();
    files_.clear();
    folders_.clear();
    scanned_.clear();
    planTexts_.clear();
    planNumbers_.clear();
    ownTexts_.clear();
    session_.MirrorFiles.clear();
    session_.StartAddress = start_;
    queued_.emplace(start_, Scan::Page);
    std::string path = layout_.LocalPath(start_);
    if (path.empty()) path = "index.html";
    return session_.ProjectFolder + Register(start_, path);
}

void CompleteCopy::StartMovedFrom(const std::string& typedAddress) {
    if (typedAddress.empty() || typedAddress == start_) return;
    redirects_[typedAddress] = start_;
    session_.StartAddress = typedAddress;
}

bool CompleteCopy::KeepsText(const std::string& address) const {
    const auto it = queued_.find(address);
    return it != queued_.end() && it->second != Scan::None;
}

bool CompleteCopy::IsSiteAddress(std::string_view address) const {
    return address.size() >= siteOrigin_.size() - 1 &&
           address.substr(0, siteOrigin_.size() - 1) ==
               std::string_view(siteOrigin_).substr(0, siteOrigin_.size() - 1) &&
           (address.size() == siteOrigin_.size() - 1 || address[siteOrigin_.size() - 1] == '/' ||
            address[siteOrigin_.size() - 1] == '?');
}

bool CompleteCopy::PathTaken(const std::string& path) const {
    if (files_.count(path) || folders_.count(path)) return true;
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        if (files_.count(path.substr(0, slash))) return true;
    return false;
}

void CompleteCopy::TakePath(const std::string& path) {
    files_.insert(path);
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        folders_.insert(path.substr(0, slash));
}

std::string CompleteCopy::Register(const std::string& address, std::string path) {
    if (PathTaken(path)) {
        // Which segment collides: a folder the path needs that is a file already, or the name
        // itself.
        std::size_t segmentEnd = path.size();
        for (std::size_t slash = path.find('/'); slash != std::string::npos;
             slash = path.find('/', slash + 1))
            if (files_.count(path.substr(0, slash))) {
                segmentEnd = slash;
                break;
            }
        std::string candidate;
        for (int n = 2;; ++n) {
            candidate = WithSuffix(path, segmentEnd, n);
            if (!PathTaken(candidate)) break;
        }
        path = std::move(candidate);
    }
    TakePath(path);
    planned_[address] = path;
    return path;
}

bool CompleteCopy::Queue(const std::string& address, Scan scan) {
    if (!queued_.emplace(address, scan).second) return false;
    std::string path = layout_.LocalPath(address);
    if (path.empty()) return false;
    // "s.css?v=2" lies in "s.css@v=2": its extension is given again at the end, since a browser
    // reading the copy from disk knows a file's type by its name alone (and ignores a style
    // sheet that is not named as one). "@" marks the query, so this is no other address's name.
    const std::string ext = AddressExtension(address);
    if (IsPlainExtension(ext) && address.find('?') != std::string::npos &&
        UpperCase(path.substr(path.size() - std::min(path.size(), ext.size()))) != ext)
        path += LowerCase(ext);
    ++session_.QueuedCount;
    session_.AppendPending(address, session_.ProjectFolder + Register(address, path));
    return true;
}

bool CompleteCopy::Wanted(const mirror::Reference& ref, bool followPages) const {
    if (ref.kind == mirror::ReferenceKind::Target) return false;
    const FileKind kind = KindOf(AddressExtension(ref.address), session_);
    if (ref.kind == mirror::ReferenceKind::Page) {
        if (!followPages || !IsSiteAddress(ref.address)) return false;
        return kind != FileKind::Unknown && BoxAllows(kind, session_);
    }
    switch (ref.type) {
        case mirror::ResourceType::Image:
            return session_.Settings.RetrieveImageFiles;
        case mirror::ResourceType::StyleSheet:
        case mirror::ResourceType::Script:
        case mirror::ResourceType::Font:
            return true;
        case mirror::ResourceType::Other:
            return BoxAllows(kind, session_);
    }
    return false;
}

void CompleteCopy::QueueReferences(const mirror::PageReferences& refs, bool followPages) {
    for (const mirror::Reference& ref : refs.references) {
        if (queued_.count(ref.address) || !Wanted(ref, followPages)) continue;
        Scan scan = Scan::None;
        if (ref.kind == mirror::ReferenceKind::Page)
            scan = Scan::Page;
        else if (ref.type == mirror::ResourceType::StyleSheet ||
                 AddressExtension(ref.address) == ".CSS")
            scan = Scan::StyleSheet;
        Queue(ref.address, scan);
    }
}

int CompleteCopy::Landed(const std::string& address, std::string& localFile,
                         std::string_view contentType, std::string_view text) {
    const auto it = planned_.find(address);
    if (it == planned_.end()) return 0;
    std::string path = it->second;
    const bool html = contentType.empty() ? IsHtmlPath(path) : mirror::IsHtmlContentType(contentType);
    if (html && !IsHtmlPath(path)) {
        // Its name is known only now: an extensionless page gets ".html" so that it opens as one.
        const std::string named = layout_.LocalPath(address, contentType);
        if (!named.empty() && named != path) {
            files_.erase(path);
            const std::string renamed = Register(address, named);
            std::error_code ec;
            std::filesystem::rename(localFile, session_.ProjectFolder + renamed, ec);
            if (!ec) {
                path = renamed;
                localFile = session_.ProjectFolder + renamed;
            } else {
                planned_[address] = path;
                TakePath(path);
            }
        }
    }
    session_.MirrorFiles[address] = path;
    // A copy that is not converted still finds its start page by the address typed.
    if (address == start_ && session_.StartAddress != start_)
        session_.MirrorFiles[session_.StartAddress] = path;

    const auto scan = queued_.find(address);
    if (scan == queued_.end() || scan->second == Scan::None) return 0;
    const int before = session_.QueuedCount;
    const bool css = !html && (Contains(LowerCase(contentType), "text/css") ||
                               (contentType.empty() && AddressExtension(address) == ".CSS") ||
                               scan->second == Scan::StyleSheet);
    if (html) {
        const mirror::PageReferences refs = mirror::ExtractPageReferences(text, address);
        QueueReferences(refs, session_.Settings.SearchEntireSite);
        Plan(scanned_.emplace_back(Scanned{address, path, true, {}, 0, 0}), refs, text);
    } else if (css) {
        const mirror::PageReferences refs = mirror::ExtractStyleSheetReferences(text, address);
        QueueReferences(refs, false);
        Plan(scanned_.emplace_back(Scanned{address, path, false, {}, 0, 0}), refs, text);
    }
    return session_.QueuedCount - before;
}

void CompleteCopy::KeptEarlier(const std::string& address, const std::string& localFile) {
    const auto it = planned_.find(address);
    if (it != planned_.end() && session_.ProjectFolder + it->second == localFile)
        session_.MirrorFiles.emplace(address, it->second);
}

std::uint32_t CompleteCopy::Keep(std::string_view text) {
    if (const auto known = planNumbers_.find(text); known != planNumbers_.end())
        return known->second;
    // Most are addresses of the queue, which keeps them until the next run anyway (and a
    // map's keys stay where they are).
    const auto queued = queued_.find(std::string(text));
    const std::string_view kept =
        queued != queued_.end() ? std::string_view(queued->first) : ownTexts_.emplace_back(text);
    const auto number = static_cast<std::uint32_t>(planTexts_.size());
    planTexts_.push_back(kept);
    planNumbers_.emplace(kept, number);
    return number;
}

void CompleteCopy::Plan(Scanned& file, const mirror::PageReferences& refs, std::string_view text) {
    // A file recorded after a stop was not kept in memory: it is scanned when converted.
    if (text.empty()) return;
    file.plan = mirror::PlanConversion(refs, [this](std::string_view t) { return Keep(t); });
    file.bytes = text.size();
    file.digest = std::hash<std::string_view>{}(text);
}

bool CompleteCopy::Redirected(const std::string& from, const std::string& to) {
    const std::string target = mirror::NormalizeAddress(to).value_or(to);
    if (target == from) return false;
    redirects_[from] = target;
    const auto it = queued_.find(from);
    return Queue(target, it == queued_.end() ? Scan::Page : it->second);
}

std::optional<std::string> CompleteCopy::LocalPathOf(std::string_view address) const {
    std::string current(address);
    for (int hop = 0; hop <= 20; ++hop) {
        const auto file = session_.MirrorFiles.find(current);
        if (file != session_.MirrorFiles.end()) return file->second;
        const auto next = redirects_.find(current);
        if (next == redirects_.end()) return std::nullopt;
        current = next->second;
    }
    return std::nullopt;
}

std::string CompleteCopy::ConvertAll(const ConversionProgress& progress) {
    // A redirecting address leads to its target's file, in the windows too.
    for (const auto& [from, to] : redirects_)
        if (const auto path = LocalPathOf(to)) session_.MirrorFiles.emplace(from, *path);
    // From here until the end the registry is only read, by the helpers too.
    const mirror::LocalPathLookup lookup = [this](std::string_view address) {
        return LocalPathOf(address);
    };
    std::vector<std::string> paths;
    paths.reserve(scanned_.size());
    for (const Scanned& file : scanned_) paths.push_back(session_.ProjectFolder + file.path);
    const std::vector<std::string_view> views(paths.begin(), paths.end());
    const mirror::KeptText texts = [this](std::uint32_t n) { return planTexts_[n]; };
    const auto makeConverter = [this, &lookup, &texts]() -> PagePipeline::Converter {
        return [this, &lookup, &texts](std::size_t i, std::string_view bytes) {
            const Scanned& file = scanned_[i];
            // The file as it landed is converted by its plan, without a second scan.
            if (file.PlannedFrom(bytes))
                return mirror::ApplyEdits(
                    bytes, mirror::ConversionEdits(bytes, *file.plan, texts, file.path, lookup));
            return file.page ? mirror::ConvertPage(bytes, file.address, file.path, lookup)
                             : mirror::ConvertStyleSheet(bytes, file.address, file.path, lookup);
        };
    };

    int failures = 0;
    std::string firstFailure;
    {
        PagePipeline pipeline(views, makeConverter, PagePipeline::HelpersFor(views.size()));
        int shown = -1;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            // A file that is gone or empty has nothing to rewrite.
            if (pipeline.HasContent(i)) {
                try {
                    pipeline.Take(i);
                } catch (const std::exception& e) {
                    // The file stays as retrieved; the others are converted all the same.
                    if (failures++ == 0) firstFailure = e.what();
                }
            }
            const int gauge = static_cast<int>((i + 1) * 100 / paths.size());
            if (progress && gauge != shown) progress(paths[i], shown = gauge);
        }
    }
    // The files now hold converted bytes: a second pass would read them as retrieved.
    scanned_.clear();
    planTexts_.clear();
    planNumbers_.clear();
    ownTexts_.clear();
    if (failures > 1) {
        firstFailure += '\n';
        firstFailure += std::to_string(failures - 1) + " more files were not converted either.";
    }
    return firstFailure;
}
