#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <filesystem>
#include <fstream>

#include "soak/SoakGuards.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace {

// The soak's guards: inside the allowed folder everything goes on, outside it every way the
// program writes (Qt, the standard library, the C library) fails and is recorded.
class SoakGuards : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(inside.Path() / "sub");
        WriteFile(outside.Path() / "kept.txt");
        ArmSoakGuards(inside.Text());
    }
    void TearDown() override { DisarmSoakGuards(); }
    static void WriteFile(const fs::path& path) { std::ofstream(path) << "kept"; }
    static size_t Refused() { return SoakGuardRefusals().size(); }

    TempFolder inside;
    TempFolder outside;
};

TEST_F(SoakGuards, WritesInsideTheFolderGoOn) {
    const size_t before = Refused();
    QFile file(QString::fromStdString(inside.Text() + "sub/a.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();
    EXPECT_TRUE(QFile::rename(file.fileName(), QString::fromStdString(inside.Text() + "b.txt")));
    std::ofstream(inside.Path() / "c.txt") << "c";
    EXPECT_TRUE(fs::exists(inside.Path() / "c.txt"));
    EXPECT_TRUE(fs::remove(inside.Path() / "c.txt"));
    EXPECT_EQ(Refused(), before);
}

TEST_F(SoakGuards, WritesOutsideTheFolderFailAndAreRecorded) {
    const size_t before = Refused();
    const fs::path kept = outside.Path() / "kept.txt";
    QFile file(QString::fromStdString((outside.Path() / "new.txt").string()));
    EXPECT_FALSE(file.open(QIODevice::WriteOnly));
    EXPECT_FALSE(QFile::remove(QString::fromStdString(kept.string())));
    std::error_code error;
    EXPECT_FALSE(fs::remove(kept, error));
    EXPECT_FALSE(fs::create_directory(outside.Path() / "made", error));
    EXPECT_FALSE(std::ofstream(kept, std::ios::app).is_open());
    fs::rename(kept, inside.Path() / "moved.txt", error);
    EXPECT_TRUE(error);
    // A path that climbs out of the folder is outside too.
    EXPECT_FALSE(std::ofstream(inside.Path() / ".." / "climbed.txt").is_open());
    EXPECT_TRUE(fs::exists(kept));
    EXPECT_FALSE(fs::exists(outside.Path() / "new.txt"));
    EXPECT_GE(Refused(), before + 7);
}

TEST_F(SoakGuards, OnlyLoopbackIsReachableAndNoProgramStarts) {
    addrinfo* result = nullptr;
    EXPECT_EQ(getaddrinfo("example.org", "80", nullptr, &result), EAI_NONAME);
    ASSERT_EQ(getaddrinfo("127.0.0.1", "80", nullptr, &result), 0);
    freeaddrinfo(result);
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(9);
    address.sin_addr.s_addr = htonl(0x01020304);  // 1.2.3.4
    errno = 0;
    EXPECT_EQ(connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address), -1);
    EXPECT_EQ(errno, EACCES);
    close(s);
    EXPECT_FALSE(QProcess::startDetached(QStringLiteral("/bin/true"), {}));
}

}  // namespace
