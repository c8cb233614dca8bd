#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/PartialFiles.h"
#include "transfer/Transfer.h"

// Binds a transfer control's two events and writes down what they delivered, in order:
// "s1" for a state change to 1, "d3" for a document event in state 3.
struct TransferRecorder {
    std::vector<std::string> Events;
    std::vector<TransferProgress> Docs;  // copies, DataChunk cleared (it is only valid in the event)
    std::string Data;              // every data chunk, joined
    int DataEvents = 0;
    bool Ended = false;
    // What the output file held when the End event came (a handler can still read a cut-off
    // reply then; afterwards only a whole document stands under the local file's name).
    std::string EndBytes;
    std::function<void(const TransferProgress&)> AlsoOnDoc;  // runs after recording

    explicit TransferRecorder(Transfer& control) {
        control.OnConnectionState = [this](short s) { Events.push_back("s" + std::to_string(s)); };
        control.OnProgress = [this, &control](const TransferProgress& d) {
            Events.push_back("d" + std::to_string(d.State));
            if (d.State == TransferProgress::Data) {
                Data.append(d.DataChunk);
                ++DataEvents;
            }
            TransferProgress copy = d;
            copy.DataChunk = {};
            Docs.push_back(copy);
            if (d.State == TransferProgress::End) {
                Ended = true;
                std::error_code ec;
                if (std::filesystem::is_regular_file(control.OutputFile(), ec)) {
                    std::ifstream in(control.OutputFile(), std::ios::binary);
                    EndBytes.assign(std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>());
                }
            }
            if (AlsoOnDoc) AlsoOnDoc(d);
        };
    }

    const TransferProgress& Last() const { return Docs.back(); }
    // The events without the data events, which vary in number.
    std::string Outline() const {
        std::string out;
        for (const auto& e : Events) {
            if (e == "d3" && !out.empty() && out.substr(out.size() - 3) == "d3 ") continue;
            out += e + " ";
        }
        if (!out.empty()) out.pop_back();
        return out;
    }
};

// Temporary files of transfers left in the folder.
inline int PartialFilesIn(const std::string& folder) {
    int count = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        count += IsPartialFileName(e.path().filename().string());
    return count;
}

// Runs the event loop until the condition holds (or a generous limit passes, so that a fault
// fails the test instead of hanging it).
inline bool RunUntil(const std::function<bool()>& done, int limitMs = 60000) {
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    while (!done() && limit.isActive()) loop.processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
