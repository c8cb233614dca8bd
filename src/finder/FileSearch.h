#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Attribute bits of a directory-search record. This platform has no archive or system bits:
// a file is read-only when it cannot be written, hidden when its name begins with ".".
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

// One entry found by a directory search.
struct FoundFile {
    std::string Name;
    std::int64_t Size = 0;
    int Attr = 0;
    std::int64_t Time = 0;  // modification time, seconds since the epoch (UTC)
};

// Reads the entry at a full path (a trailing "/" is ignored). False when there is none.
bool ReadFoundFile(const std::string& path, FoundFile& rec);

// True when the name matches the wildcard mask ("*" any run, "?" one character), ignoring the
// case of ASCII letters. "*.*" matches every name, with or without a dot.
bool MatchesMask(std::string_view name, std::string_view mask);

// Walks a folder tree depth first and reports every entry matching a mask. Each folder reports
// its own matches before its subfolders. The walk runs to its end before StartSearch returns,
// letting the user interface handle its pending events after every entry, so that Stop (and
// anything else the person does) takes effect while it runs.
class FileSearch : public QObject {
    Q_OBJECT
  public:
    using FileFoundHandler = std::function<void(const std::string& fullPath, const FoundFile& info)>;
    using FolderEnteredHandler =
        std::function<void(const std::string& fullPath, const FoundFile& info)>;
    using FinishedHandler = std::function<void(QObject* sender)>;

    explicit FileSearch(QObject* owner = nullptr);

    std::string SearchFile;  // start folder ending in "/", followed by the mask
    bool RecurseSubFolders = true;
    bool Stop = false;

    FileFoundHandler OnFileFind;
    FolderEnteredHandler OnChangeFolder;
    FinishedHandler OnFinish;

    void StartSearch();
    bool Running() const { return running_; }

    // Lets the user interface handle its pending events; replaceable for tests that walk
    // without an event loop.
    std::function<void()> ProcessMessages;

  private:
    void Walk(const std::string& folder, const FoundFile& rec, const std::string& mask);
    void Pump();

    bool running_ = false;
};
