// Times the offline conversion of a retrieved project on its own: the links of every page of
// the folder are rewritten as at the end of a session, and the seconds it took are printed.
// The folder is changed in place, so give it a fresh copy of a project retrieved with
// lanternway-get --no-convert.
//
//   lw_convert_run PROJECT-FOLDER SITE-ROOT

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ConvertProjectFiles.h"
#include "engine/SessionState.h"

namespace {

class SilentPrompts : public SessionPrompts {
  public:
    Answer Message(const std::string& text, Kind, Buttons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return Answer::Ok;
    }
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: lw_convert_run PROJECT-FOLDER SITE-ROOT\n");
        return 2;
    }
    SilentPrompts prompts;
    SessionState session(prompts);
    session.ProjectFolder = std::filesystem::absolute(argv[1]).string();
    if (session.ProjectFolder.back() != '/') session.ProjectFolder += '/';
    session.SiteBase = argv[2];
    session.Settings.SearchEntireSite = true;

    // The session's list of files: every file of the folder, in name order.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(session.ProjectFolder))
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) session.KnownFiles.Add(session.ProjectFolder + name);

    const auto start = std::chrono::steady_clock::now();
    const bool done = ConvertProjectFiles(session);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%.3f\n", took.count());
    return done ? 0 : 1;
}
