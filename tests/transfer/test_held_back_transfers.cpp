// Transfers whose replies arrive faster than their handlers take them: the network thread holds
// them back instead of piling the bytes up, whatever a compressed reply unpacks to.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "support/CompressedBodies.h"
#include "support/FtpServer.h"
#include "support/NginxServer.h"
#include "support/QtApp.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"
#include "support/TransferRecorder.h"  // RunUntil
#include "transfer/FtpTransfer.h"
#include "transfer/HttpTransfer.h"

namespace {

constexpr std::int64_t kMiB = 1 << 20;
constexpr std::int64_t kUnpacked = 64 * kMiB;
// What one event may bring at most: a few MB wait for the handler before the transfer is held
// back. Without holding back, a handler slower than the network gets the reply in a few events
// of a hundred MB and more.
constexpr std::int64_t kMostPerEvent = 8 * kMiB;

// A site with a page and a picture that unpack to kUnpacked zero bytes each (served
// pre-compressed), and a plain file of that size (sparse: it costs no disk).
struct BombSite {
    TempFolder Root;
    BombSite() {
        const std::string bomb = GzipOfZeros(kUnpacked);
        WriteWholeFile(Root.Text() + "bomb.html.gz", bomb);
        WriteWholeFile(Root.Text() + "bomb.gif.gz", bomb);
        WriteWholeFile(Root.Text() + "plain.zip", "");
        std::filesystem::resize_file(Root.Path() / "plain.zip", kUnpacked);
    }
};

// The largest step between two data events, and whether every byte shown was zero.
struct SlowHandler {
    std::int64_t Last = 0;
    std::int64_t MostAtOnce = 0;
    bool AllZero = true;
    int SleepMs = 5;  // per data event: slower than the network on loopback

    void operator()(const TransferProgress& d) {
        if (d.State != TransferProgress::Data) return;
        MostAtOnce = std::max(MostAtOnce, d.BytesTransferred - Last);
        Last = d.BytesTransferred;
        if (d.DataChunk.find_first_not_of('\0') != std::string_view::npos) AllZero = false;
        std::this_thread::sleep_for(std::chrono::milliseconds(SleepMs));
    }
};

struct Case {
    const char* Name;
    const char* Path;
    bool Ftp = false;
    bool Https = false;
    bool DeliverData = true;
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.Name;
}

class HeldBackTransfers : public ::testing::TestWithParam<Case> {
  protected:
    static void SetUpTestSuite() {
        EnsureQtApp();
        site_ = std::make_unique<BombSite>();
        web_ = std::make_unique<NginxServer>(NginxServer::Options{
            .Root = site_->Root.Path(), .ExtraServerConfig = "gzip_static on;"});
        secure_ = std::make_unique<NginxServer>(
            NginxServer::Options{.Root = site_->Root.Path(),
                                 .Https = true,
                                 .Http2 = true,
                                 .ExtraServerConfig = "gzip_static on;"});
        ftp_ = std::make_unique<FtpServer>(FtpServer::Options{.Root = site_->Root.Path()});
    }
    static void TearDownTestSuite() {
        ftp_.reset();
        secure_.reset();
        web_.reset();
        site_.reset();
    }
    void TearDown() override {
        Transfer::SetTimeouts({});
        unsetenv("SSL_CERT_FILE");
    }

    // Fetches into /dev/null (written as it is, costing no disk) with the handler given.
    std::string Fetch(const Case& c, const std::function<void(const TransferProgress&)>& handler,
                      std::int64_t* received) {
        std::unique_ptr<Transfer> control;
        std::string url;
        if (c.Ftp) {
            auto ftp = std::make_unique<FtpTransfer>();
            ftp->Authenticate("lw", "secret");
            url = ftp_->Url(c.Path);
            control = std::move(ftp);
        } else {
            auto http = std::make_unique<HttpTransfer>();
            url = (c.Https ? secure_ : web_)->Url(c.Path);
            http->URL = url;
            if (c.Https) setenv("SSL_CERT_FILE", secure_->CaFile().c_str(), 1);
            control = std::move(http);
        }
        control->DeliverData = c.DeliverData;
        // The events without the data ones, which are many (the bytes are not kept).
        std::string outline;
        bool ended = false;
        control->OnConnectionState = [&](short s) { outline += "s" + std::to_string(s) + " "; };
        control->OnProgress = [&](const TransferProgress& d) {
            if (d.State != TransferProgress::Data) outline += "d" + std::to_string(d.State) + " ";
            *received = d.BytesTransferred;
            ended = d.State == TransferProgress::End;
            handler(d);
        };
        control->GetDoc(url, "", "/dev/null");
        EXPECT_TRUE(RunUntil([&] { return ended; }, 120000));
        return outline + control->ErrorText();
    }

    static std::unique_ptr<BombSite> site_;
    static std::unique_ptr<NginxServer> web_, secure_;
    static std::unique_ptr<FtpServer> ftp_;
};

std::unique_ptr<BombSite> HeldBackTransfers::site_;
std::unique_ptr<NginxServer> HeldBackTransfers::web_, HeldBackTransfers::secure_;
std::unique_ptr<FtpServer> HeldBackTransfers::ftp_;

TEST_P(HeldBackTransfers, SlowHandlerGetsTheReplyInBoundedSteps) {
    const Case& c = GetParam();
    SlowHandler slow;
    std::int64_t received = 0;
    const std::string outline = Fetch(c, std::ref(slow), &received);
    EXPECT_NE(outline.find("s5 d5"), std::string::npos) << outline;
    EXPECT_EQ(received, kUnpacked);
    EXPECT_LE(slow.MostAtOnce, kMostPerEvent);
    EXPECT_TRUE(slow.AllZero);
}

// A handler that holds the event loop for longer than the stall time (a modal box, a fetch
// that blocks): the transfer waits for it, which is neither a stall nor a slow link.
TEST_P(HeldBackTransfers, WaitingForTheHandlerIsNoStall) {
    const Case& c = GetParam();
    Transfer::SetTimeouts({.StallSeconds = 1, .LowSpeedBytes = 100, .LowSpeedSeconds = 1});
    SlowHandler slow;
    int events = 0;
    std::int64_t received = 0;
    const std::string outline = Fetch(
        c,
        [&](const TransferProgress& d) {
            if (d.State == TransferProgress::Data && events++ == 1)
                std::this_thread::sleep_for(std::chrono::milliseconds(1600));
            slow(d);
        },
        &received);
    EXPECT_NE(outline.find("s5 d5"), std::string::npos) << outline;
    EXPECT_EQ(received, kUnpacked);
}

INSTANTIATE_TEST_SUITE_P(Replies, HeldBackTransfers,
                         ::testing::Values(Case{"gzip_page", "bomb.html"},
                                           Case{"gzip_picture_counted_only", "bomb.gif", false,
                                                false, false},
                                           Case{"gzip_page_over_http2", "bomb.html", false, true},
                                           Case{"plain_file", "plain.zip"},
                                           Case{"plain_file_over_http2", "plain.zip", false, true},
                                           Case{"ftp_file", "plain.zip", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
