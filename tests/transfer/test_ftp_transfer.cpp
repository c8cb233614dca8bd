// The FTP transfer control against a real FTP server on loopback.
#include <gtest/gtest.h>

#include "support/FtpServer.h"
#include "support/QtApp.h"
#include "support/Subprocess.h"
#include "support/TempFolder.h"
#include "support/TransferRecorder.h"
#include "transfer/FtpTransfer.h"

namespace {

TEST(FtpTransfer, DownloadsWithCredentialsAndReportsHowItEnded) {
    EnsureQtApp();
    TempFolder root, out;
    std::string zip;
    for (int i = 0; zip.size() < 300000; ++i) zip += std::to_string(i * 7919) + ",";
    WriteWholeFile(root.Text() + "pack.zip", zip);
    WriteWholeFile(root.Text() + "empty.zip", "");
    FtpServer ftp({.Root = root.Path(), .User = "ann", .Password = "pw"});
    FtpServer cutting(
        {.Root = root.Path(), .User = "ann", .Password = "pw", .DropAfterBytes = 100000});
    const std::int64_t size = static_cast<std::int64_t>(zip.size());

    struct Case {
        const char* Name;
        std::string Url, User, Password;
        std::string Outline;  // 2 once logged in; 6 only when the connection broke before the end
        std::int64_t Stored;
    } cases[] = {
        {"whole file", ftp.Url("pack.zip"), "ann", "pw", "s1 s2 s3 d1 d3 s5 d5", size},
        {"empty file", ftp.Url("empty.zip"), "ann", "pw", "s1 s2 s3 d1 s5 d5", 0},
        {"wrong password", ftp.Url("pack.zip"), "ann", "bad", "s1 s4 d4 d5", 0},
        {"no such file", ftp.Url("none.zip"), "ann", "pw", "s1 s2 s4 d4 d5", 0},
        {"cut off", cutting.Url("pack.zip"), "ann", "pw", "s1 s2 s3 d1 d3 s6 d4 d5", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        FtpTransfer ftpControl;
        TransferRecorder rec(ftpControl);
        ftpControl.UserId = c.User;
        ftpControl.Password = c.Password;
        ftpControl.Authenticate(ftpControl.UserId, ftpControl.Password);
        const std::string file = out.Text() + c.Name;
        ftpControl.GetDoc(c.Url, "", file);
        ASSERT_TRUE(RunUntil([&] { return rec.Ended; }));
        EXPECT_EQ(rec.Outline(), c.Outline) << ftpControl.ErrorText();
        // What arrived is readable at the End event; only a whole file keeps the name.
        const std::string stored = rec.EndBytes;
        const bool whole = rec.Outline().find("s5") != std::string::npos;
        EXPECT_EQ(std::filesystem::exists(file), whole);
        if (whole) {
            EXPECT_TRUE(ReadWholeFile(file) == stored);
        }
        EXPECT_EQ(PartialFilesIn(out.Text()), 0);
        EXPECT_EQ(rec.Last().BytesTransferred, static_cast<std::int64_t>(stored.size()));
        if (c.Stored >= 0) {
            EXPECT_EQ(static_cast<std::int64_t>(stored.size()), c.Stored);
        } else {
            EXPECT_GT(stored.size(), 0u);
            EXPECT_LT(static_cast<std::int64_t>(stored.size()), size);
        }
        EXPECT_TRUE(stored == zip.substr(0, stored.size()));
        if (rec.Outline().find("s5") != std::string::npos) {
            EXPECT_EQ(rec.Last().TotalSize, c.Stored);
            EXPECT_TRUE(rec.Last().TotalKnown);
        } else {
            EXPECT_FALSE(ftpControl.ErrorText().empty());
        }
    }
}

}  // namespace
