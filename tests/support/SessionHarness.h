#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "engine/RunControl.h"
#include "engine/SessionState.h"
#include "support/QtApp.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFolder.h"
#include "engine/TransferWorker.h"
#include "support/RowCells.h"
#include "support/RowCells.h"

// A session whose transfers are played by the test: the workers are real, their transfer
// events are handed to them directly. The site's address is a loopback port nobody listens on,
// so that a transfer control that does start on its own goes nowhere.
class SessionHarness {
  public:
    static constexpr const char* Site = "http://127.0.0.1:9/";

    SessionHarness() {
        EnsureQtApp();
        prompts.DefaultFileName = folder.Text() + "site.lwa";
        engine.ConvertFiles = [this](SessionState&) {
            ++Conversions;
            return true;
        };
        engine.SaveSession = [this](SessionState&) {
            ++Saves;
            return true;
        };
    }
    ~SessionHarness() { state.SessionClock.stop(); }

    bool Start(const std::string& address = Site) {
        settings.MainURL = address;
        // The clock runs (it tells that a session is running) but never ticks: the tests do not
        // spin the event loop.
        return engine.StartNewSession(settings);
    }

    // Workers that have not finished yet, in the order they were started.
    std::vector<TransferWorker*> Running() { return RunningIn(engine); }
    static std::vector<TransferWorker*> RunningIn(RunControl& engine) {
        std::vector<TransferWorker*> out;
        for (TransferWorker* w : engine.findChildren<TransferWorker*>(Qt::FindDirectChildrenOnly))
            if (!w->Finished()) out.push_back(w);
        std::sort(out.begin(), out.end(), [](const TransferWorker* a, const TransferWorker* b) {
            return a->GridRow() < b->GridRow();
        });
        return out;
    }

    // The running worker whose address ends with the text.
    TransferWorker* Worker(const std::string& addressEnd) { return WorkerIn(engine, addressEnd); }
    static TransferWorker* WorkerIn(RunControl& engine, const std::string& addressEnd) {
        for (TransferWorker* w : RunningIn(engine)) {
            const std::string& url = w->RequestURL();
            if (url.size() >= addressEnd.size() &&
                url.compare(url.size() - addressEnd.size(), addressEnd.size(), addressEnd) == 0)
                return w;
        }
        return nullptr;
    }

    // Plays a whole HTTP document: begin, headers, the body in the given number of chunks,
    // end. The body is written to the worker's file as a transfer control would.
    static void Deliver(TransferWorker* w, const std::string& body, int chunks = 1,
                        bool announceLength = true) {
        std::ofstream out(w->LocalFile(), std::ios::binary | std::ios::trunc);
        const std::int64_t total = static_cast<std::int64_t>(body.size());
        auto event = [&](int state, std::int64_t done, std::string_view chunk = {}) {
            TransferProgress d;
            d.State = state;
            d.BytesTransferred = done;
            d.TotalSize = announceLength ? total : done;
            d.TotalKnown = announceLength;
            d.DataChunk = chunk;
            return d;
        };
        w->OnHttpProgress(event(TransferProgress::Begin, 0));
        w->OnHttpProgress(event(TransferProgress::Headers, 0));
        std::size_t done = 0;
        const std::size_t piece = chunks > 0 ? (body.size() + chunks - 1) / chunks : body.size();
        while (done < body.size() && !w->Finished()) {
            const std::size_t n = std::min(piece, body.size() - done);
            out.write(body.data() + done, static_cast<std::streamsize>(n));
            out.flush();
            done += n;
            w->OnHttpProgress(event(TransferProgress::Data, static_cast<std::int64_t>(done),
                                    std::string_view(body).substr(done - n, n)));
        }
        if (!w->Finished())
            w->OnHttpProgress(event(TransferProgress::End, static_cast<std::int64_t>(done)));
    }

    // A transfer that found nobody: error and end with nothing received.
    static void Fail(TransferWorker* w) {
        TransferProgress d;
        d.State = TransferProgress::Error;
        d.ErrorText = "Could not connect";
        w->OnHttpProgress(d);
        d.State = TransferProgress::End;
        w->OnHttpProgress(d);
    }

    // Runs the workers' deferred releases.
    static void ReleaseClosed() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs the event loop until the session has completed, or a generous limit has passed (so
    // that a fault fails the test instead of hanging it). True when it completed.
    bool RunUntilFinished(int limitMs = 120000) {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(limitMs);
        while (!state.SessionComplete && limit.isActive())
            loop.processEvents(QEventLoop::WaitForMoreEvents);
        ReleaseClosed();
        return state.SessionComplete;
    }

    std::string Row(int row, int column) const { return Cells(state.View.Row(row))[column]; }

    TempFolder folder;
    ScriptedPrompts prompts;
    SessionSettings settings;
    SessionState state{prompts};
    RunControl engine{state};
    int Conversions = 0;
    int Saves = 0;
};
