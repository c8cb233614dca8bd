#include "soak/SoakRun.h"

#include <QApplication>
#include <QPixmap>
#include <QLineEdit>
#include <QTimer>
#include <QTreeWidget>
#include <array>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "engine/SessionState.h"
#include "finder/FinderWindow.h"
#include "shell/FolderTree.h"
#include "support/WindowParts.h"
#include "viewers/DocumentSourceWindow.h"
#include "viewers/ViewerDialogs.h"
#include "window/GuiPrompts.h"
#include "window/MainWindow.h"

namespace fs = std::filesystem;

namespace {

constexpr int kStepsPerWindow = 300;
constexpr int kOpensPerWindow = 4;
constexpr int kClosingSteps = 80;

std::mutex eventsMutex;
std::array<std::string, 40> lastEvents;
std::uint64_t eventCount = 0;
std::uint64_t soakSeed = 0;

}  // namespace

void SetSoakSeed(std::uint64_t seed) {
    soakSeed = seed;
}

void RememberEvent(const QString& line) {
    std::lock_guard lock(eventsMutex);
    lastEvents[eventCount % lastEvents.size()] =
        std::to_string(eventCount) + " " + line.toStdString();
    ++eventCount;
}

void PrintLastEvents() {
    // Also called from a signal handler or a sanitizer's death callback: no lock, best effort.
    std::fprintf(stderr, "\nsoak: seed %llu; the last events (replay with the same seed):\n",
                 static_cast<unsigned long long>(soakSeed));
    const std::uint64_t n = eventCount;
    for (std::uint64_t i = n > lastEvents.size() ? n - lastEvents.size() : 0; i < n; ++i)
        std::fprintf(stderr, "  %s\n", lastEvents[i % lastEvents.size()].c_str());
    std::fflush(stderr);
}

QString SoakRun::WindowName(Window window) {
    static const char* names[] = {"live session", "New Session dialog", "browser panel",
                                  "local-files view", "viewer", "document source",
                                  "full-screen show", "finder", "About box", "reopened session"};
    return QString::fromLatin1(names[static_cast<int>(window)]);
}

SoakRun::SoakRun(std::uint64_t seed, double seconds, std::string folder, std::string siteUrl)
    : driver_(seed, QString::fromStdString(folder)),
      seconds_(seconds),
      folder_(std::move(folder)),
      siteUrl_(std::move(siteUrl)) {
    driver_.Log = [](const QString& line) { RememberEvent(line); };
    driver_.AddText(QString::fromStdString(siteUrl_));
    driver_.AddText(QString::fromStdString(siteUrl_ + "docs/index.html"));
    driver_.AddText(QString::fromStdString(folder_ + "home"));
    driver_.AddText(QStringLiteral("*.html"));
    prompts_ = std::make_unique<GuiPrompts>();
    form_ = std::make_unique<MainWindow>(*prompts_);
    prompts_->SetOwner(form_.get());
    form_->setGeometry(0, 0, 1024, 768);
    form_->show();
}

SoakRun::~SoakRun() = default;

int SoakRun::Exec() {
    start_ = std::chrono::steady_clock::now();
    QTimer::singleShot(0, this, &SoakRun::Tick);
    // "Exit" ends the event loop as it ends the program; the soak shows the window again.
    while (!done_) {
        QApplication::exec();
        if (!done_) RememberEvent(QStringLiteral("the main window quit the program; going on"));
    }
    return 0;
}

std::string SoakRun::SessionFile() const {
    std::vector<std::string> found;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder_ + "home", error), end; !error && it != end;
         it.increment(error))
        if (it->path().extension() == ".lwa" && it->is_regular_file(error))
            found.push_back(it->path().string());
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

// The local-files tree also offers the whole file system, where a random Delete would be real:
// the soak leaves only Home (inside the run's folder) to the person.
void SoakRun::KeepInsideFolder() {
    if (FolderTree* tree = FindPart<FolderTree>(*form_, "LocalFolderTree")) {
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem* root = tree->topLevelItem(i);
            for (int c = root->childCount() - 1; c >= 0; --c)
                if (!FolderTree::PathOf(root->child(c)).startsWith(
                        QString::fromStdString(folder_)))
                    delete root->takeChild(c);
        }
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible()) continue;
        windowsSeen_.insert(QString::fromLatin1(w->metaObject()->className()).toStdString());
        if (auto* finder = qobject_cast<FinderWindow*>(w); finder && finder->Location &&
            !finder->Location->text().startsWith(QString::fromStdString(folder_)))
            finder->Location->setText(QString::fromStdString(folder_ + "home/"));
    }
}

bool SoakRun::TargetOpen() const {
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return true;
    return target_ && target_->isVisible();
}

void SoakRun::OpenWindow() {
    RememberEvent("open " + WindowName(window_));
    --opensLeft_;
    ++visits_[static_cast<int>(window_)];
    MainWindow& form = *form_;
    target_ = &form;
    form.AskSessionSettings = [&form](SessionSettings& settings) {
        return form.ShowNewSessionDialog(settings);
    };
    auto selectFile = [&form, this] {
        if (FindPart<FolderFileList>(form, "FileListView")->Count() > 0)
            FindPart<FolderFileList>(form, "FileListView")
                ->SelectItem(static_cast<int>(driver_.Below(static_cast<std::uint64_t>(
                    FindPart<FolderFileList>(form, "FileListView")->Count()))));
    };
    auto newest = [](const char* className) -> QWidget* {
        const auto windows = QApplication::topLevelWidgets();
        for (auto it = windows.rbegin(); it != windows.rend(); ++it)
            if ((*it)->isVisible() && (*it)->inherits(className)) return *it;
        return nullptr;
    };
    switch (window_) {
        case Window::Live:
            form.AskSessionSettings = [this](SessionSettings& settings) {
                settings.MainURL = siteUrl_;
                settings.MaximumThreads = static_cast<int>(1 + driver_.Below(6));
                settings.CollectEMailAddresses = driver_.Below(2) == 0;
                settings.CompleteCopy = driver_.Below(2) == 0;
                return true;
            };
            FindPart<QAction>(form, "NewSessionItem")->trigger();
            break;
        case Window::NewSession:
            FindPart<QAction>(form, "NewSessionItem")->trigger();
            break;
        case Window::Reopened:
            if (const std::string file = SessionFile(); !file.empty()) {
                form.PerformFileOpen(file);
                ++sessionsOpened_;
            }
            break;
        case Window::BrowserPanel:
            form.SwitchToGrid();
            selectFile();
            form.SwitchToBrowserPanel();
            break;
        case Window::LocalFiles:
            form.SwitchToLocalFiles();
            break;
        case Window::Viewer:
            if (form.VisibleList() && form.VisibleList()->Count() > 0) {
                form.OpenViewerWindow(static_cast<int>(
                    driver_.Below(static_cast<std::uint64_t>(form.VisibleList()->Count()))));
                target_ = newest("ViewerWindow");
            } else {
                FindPart<QAction>(form, "OpenViewerItem")->trigger();
            }
            break;
        case Window::DocumentSource: {
            std::string page = form_->State().ProjectFolder + "Main.html";
            if (!fs::exists(page)) page = folder_ + "www/index.html";
            OpenDocumentSource(&form, page, DefaultViewerDialogs());
            target_ = newest("DocumentSourceWindow");
            break;
        }
        case Window::Show:
            form.SwitchToGrid();
            selectFile();
            form.SwitchToBrowserPanel();
            form.StartFullScreenShow();
            target_ = newest("FullScreenShow");
            break;
        case Window::Finder:
            form.OpenFinder();
            target_ = newest("FinderWindow");
            break;
        case Window::About:
            form.ShowAbout();
            break;
        case Window::Count:
            break;
    }
}

std::string SoakRun::Summary() const {
    std::string text = "visited:";
    for (int i = 0; i < static_cast<int>(Window::Count); ++i)
        text += " " + WindowName(static_cast<Window>(i)).toStdString() + " " +
                std::to_string(visits_[i]) + ",";
    text += " session files opened " + std::to_string(sessionsOpened_) +
            ", most grid rows " + std::to_string(mostRows_) + "; windows seen:";
    for (const std::string& name : windowsSeen_) text += " " + name;
    return text;
}

void SoakRun::Tick() {
    if (done_) return;
    // The next step is due even while this one waits in a box's event loop.
    QTimer::singleShot(0, this, &SoakRun::Tick);
    KeepInsideFolder();
    mostRows_ = std::max(mostRows_, form_->State().View.GridRowCount() - 1);
    if (!form_->isVisible() && !closing_) {
        RememberEvent(QStringLiteral("show the main window again"));
        form_->show();
    }
    if (closing_) {
        if (driver_.CloseOne(form_.get())) {
            if (++closingSteps_ > kClosingSteps) {
                std::fprintf(stderr, "soak: a window is left unclosable after %d attempts\n",
                             closingSteps_);
                PrintLastEvents();
                std::_Exit(4);
            }
        } else {
            closing_ = false;
            const double elapsed =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
            if (elapsed >= seconds_) {
                done_ = true;
                QApplication::exit(0);
            } else {
                ++episode_;
                const int count = static_cast<int>(Window::Count);
                window_ = episode_ < count ? static_cast<Window>(episode_)
                                           : static_cast<Window>(driver_.Below(count));
                stepsLeft_ = kStepsPerWindow;
                opensLeft_ = kOpensPerWindow;
                OpenWindow();
            }
        }
    } else if (!started_) {
        started_ = true;
        window_ = Window::Live;
        stepsLeft_ = kStepsPerWindow;
        opensLeft_ = kOpensPerWindow;
        OpenWindow();
    } else if (stepsLeft_-- <= 0) {
        if (grab_) {
            fs::create_directories(folder_ + "grabs");
            int n = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    w->grab().save(QString::fromStdString(folder_ + "grabs/") +
                                   QString("%1-%2-%3.png").arg(episode_).arg(++n).arg(
                                       QString::fromLatin1(w->metaObject()->className())));
        }
        closing_ = true;
        closingSteps_ = 0;
    } else if (!TargetOpen() && opensLeft_ > 0) {
        OpenWindow();
    } else {
        driver_.Step(TargetOpen() ? target_.data() : form_.get());
    }
}
