// lw_soak [--seconds N] [--seed S] [--keep] [--grab]: the desktop program's windows under seeded random
// input for N seconds (see SoakRun). Everything happens in a fresh folder under /tmp that stands
// for HOME, the temporary and configuration folders and the projects; the local site is served
// by nginx on 127.0.0.1. Exit status 0: nothing found. On a crash or a sanitizer report the
// process ends with the sanitizer's status, on a hang (the event loop blocked for more than 10
// seconds) with 3, on a window that does not close with 4, on a file written outside the folder
// with 5; each prints the seed and the last events first.

#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "shell/ShellOpen.h"
#include "soak/SoakGuards.h"
#include "soak/SoakRun.h"
#include "support/NginxServer.h"
#include "viewers/Printing.h"

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#define LW_SOAK_DEATH_CALLBACK 1
#endif

namespace fs = std::filesystem;

namespace {

std::atomic<long long> heartbeat{0};  // steady milliseconds of the event loop's last turn

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void OnFatalSignal(int signal) {
    std::fprintf(stderr, "\nsoak: signal %d\n", signal);
    PrintLastEvents();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// The fixture site and a hundred more pages linking each other and its pictures, so that a
// session runs long enough to be handled while it runs.
void MakeSite(const fs::path& root) {
    fs::copy(fs::path(LW_TEST_DATA_DIR) / "site", root, fs::copy_options::recursive);
    fs::create_directories(root / "more");
    std::ofstream index(root / "index.html", std::ios::app);
    index << "<a href=\"more/p0.html\">more</a> <a href=\"mailto:soak@example.org\">mail</a>\n";
    for (int i = 0; i < 120; ++i) {
        std::ofstream page(root / "more" / ("p" + std::to_string(i) + ".html"));
        page << "<html><head><title>Page " << i << "</title></head><body><h1>Page " << i
             << "</h1><img src=\"../images/logo.gif\"><img src=\"../docs/pics/diagram.jpg\">"
             << "<a href=\"p" << (i + 1) % 120 << ".html\">next</a> <a href=\"p" << (i * 7) % 120
             << ".html\">jump</a> <a href=\"missing" << i << ".html\">gone</a>"
             << "<a href=\"mailto:person" << i << "@example.org\">write</a>"
             << std::string(static_cast<size_t>(i * 40), 'x') << "</body></html>\n";
    }
}

void SetEnvironment(const fs::path& folder) {
    const auto set = [](const char* name, const fs::path& path) {
        fs::create_directories(path);
        setenv(name, path.c_str(), 1);
    };
    set("HOME", folder / "home");
    set("TMPDIR", folder / "tmp");
    set("XDG_CONFIG_HOME", folder / "config");
    set("XDG_CACHE_HOME", folder / "cache");
    set("XDG_DATA_HOME", folder / "data");
    set("XDG_RUNTIME_DIR", folder / "runtime");
    fs::permissions(folder / "runtime", fs::perms::owner_all);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    fs::current_path(folder);
}

}  // namespace

int main(int argc, char* argv[]) {
    double seconds = 60;
    std::uint64_t seed = 1;
    bool keep = false;
    bool grab = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seconds" && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (a == "--seed" && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 10);
        else if (a == "--keep") keep = true;
        else if (a == "--grab") grab = keep = true;
        else {
            std::fprintf(stderr, "usage: lw_soak [--seconds N] [--seed S] [--keep] [--grab]\n");
            return 2;
        }
    }
    SetSoakSeed(seed);
    const bool isolated = IsolateNetwork();

    char pattern[] = "/tmp/lw-soak-XXXXXX";
    if (!mkdtemp(pattern)) return 2;
    const fs::path folder = pattern;
    const std::string folderText = folder.string() + "/";
    SetEnvironment(folder);
    MakeSite(folder / "www");

    int status = 0;
    {
        NginxServer web({.Root = folder / "www",
                         .ExtraServerConfig = "limit_rate 4k; limit_rate_after 1k;"});
        SetShellOpenHandler([](const std::string& target, const std::string&, const std::string&,
                               int) { RememberEvent(QString::fromStdString("shell open " + target)); });
        SetPrintToFile(folderText + "home/printed.pdf");
        ArmSoakGuards(folderText);
        // The sanitizers report faults themselves (and call back below); an abort is ours.
        ::signal(SIGABRT, OnFatalSignal);
#ifdef LW_SOAK_DEATH_CALLBACK
        __sanitizer_set_death_callback([] { PrintLastEvents(); });
#endif
        std::printf("soak: seed %llu, %.0f s, folder %s, site %s, network %s\n",
                    static_cast<unsigned long long>(seed), seconds, folderText.c_str(),
                    web.Url().c_str(), isolated ? "loopback only" : "guarded");
        std::fflush(stdout);

        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [] { heartbeat = NowMs(); });
        beat.start(100);
        heartbeat = NowMs();
        std::atomic<bool> finished{false};
        std::thread watchdog([&finished] {
            while (!finished) {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                if (!finished && NowMs() - heartbeat > 10000) {
                    std::fprintf(stderr, "\nsoak: hang: the event loop did not turn for 10 s\n");
                    PrintLastEvents();
                    std::_Exit(3);
                }
            }
        });

        const auto start = std::chrono::steady_clock::now();
        std::uint64_t events = 0;
        std::uint64_t actions = 0;
        std::string summary;
        {
            SoakRun run(seed, seconds, folderText, web.Url());
            run.SetGrab(grab);
            status = run.Exec();
            events = run.Events();
            actions = run.Actions();
            summary = run.Summary();
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        finished = true;
        watchdog.join();
        DisarmSoakGuards();

        std::map<std::string, int> refused;
        for (const std::string& r : SoakGuardRefusals()) ++refused[r.substr(0, r.find(' '))];
        std::printf("soak: seed %llu: %llu input events (%llu actions) in %.1f s, %.1f events/s\n",
                    static_cast<unsigned long long>(seed), static_cast<unsigned long long>(events),
                    static_cast<unsigned long long>(actions), elapsed, events / elapsed);
        std::printf("soak: %s\n", summary.c_str());
        for (const auto& [what, count] : refused)
            std::printf("soak: refused %d %s call(s) outside the folder or the machine\n", count,
                        what.c_str());
        // A write outside the folder is a finding; the connections and programs refused are what
        // the random input asked for (a typed address, a typed program).
        for (const std::string& r : SoakGuardRefusals()) {
            const std::string what = r.substr(0, r.find(' '));
            if (what != "connect" && what != "getaddrinfo" && what != "execve" &&
                what != "posix_spawn" && what != "posix_spawnp") {
                std::fprintf(stderr, "soak: a file outside the folder was to be written: %s\n",
                             r.c_str());
                status = 5;
            }
        }
    }
    if (status != 0) PrintLastEvents();
    if (!keep && status == 0) fs::remove_all(folder);
    else std::printf("soak: the folder is kept: %s\n", folderText.c_str());
    return status;
}
