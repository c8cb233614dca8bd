#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "net/TcpConnection.h"
#include "support/ScriptedServer.h"

using S = ScriptedServer;

namespace {

using Traces = std::vector<std::pair<std::string, TraceLevel>>;

struct Client {
    explicit Client(std::uint16_t port) {
        Tcp.HostName = "127.0.0.1";
        Tcp.Port = port;
        Tcp.ConnectTimeoutMs = 5000;
        Tcp.ReceiveTimeoutMs = 5000;
        Tcp.OnTrace = [this](const std::string& text, TraceLevel level) {
            Seen.emplace_back(text, level);
        };
    }
    TcpConnection Tcp;
    Traces Seen;
};

// A port on which nothing listens: bound, then released.
std::uint16_t ClosedPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    close(s);
    return ntohs(a.sin_port);
}

}  // namespace

TEST(ResolveHost, DottedNamesAndFailures) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"127.0.0.1", "127.0.0.1"},
        {"10.1.2.3", "10.1.2.3"},
        {"127.1", "127.0.0.1"},  // the short form inet_addr takes as well
        {"localhost", "127.0.0.1"},
    };
    for (const auto& [name, dotted] : cases) {
        Ipv4Address a = ResolveHost(name);
        ASSERT_NE(a, NoAddress) << name;
        EXPECT_EQ(DottedAddress(a), dotted) << name;
    }
    EXPECT_EQ(ResolveHost(""), NoAddress);
    EXPECT_EQ(DottedAddress(htonl(0xC0A80A01u)), "192.168.10.1");
}

TEST(StrToInt, AcceptsOnlyWholeDecimalNumbers) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("8080"), 8080);
    EXPECT_EQ(StrToInt("-12"), -12);
    EXPECT_EQ(StrToInt("+7"), 7);
    EXPECT_EQ(StrToInt("9223372036854775807"), INT64_MAX);
    for (const char* bad : {"", "-", "12a", " 12", "0x10", "9223372036854775808"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const ConvertError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(TcpIp, EmptyHostNameCannotBeResolved) {
    TcpConnection tcp;
    try {
        tcp.OpenConnection();
        FAIL() << "connected without a host";
    } catch (const TcpError& e) {
        EXPECT_STREQ(e.what(), "Couldn't Resolve HostName \"\"");
    }
    EXPECT_FALSE(tcp.IsConnected);
    EXPECT_EQ(tcp.HostAddress, NoAddress);
}

TEST(TcpIp, RefusedConnectionIsSocketErrorAfterTrace) {
    std::uint16_t port = ClosedPort();
    Client c(port);
    try {
        c.Tcp.OpenConnection();
        FAIL() << "connected to a closed port";
    } catch (const SocketError& e) {
        EXPECT_STREQ(e.what(), "Error creating socket");
        EXPECT_EQ(e.ErrorNumber, ECONNREFUSED);
    }
    EXPECT_EQ(c.Tcp.SocketHandle, InvalidSocket);
    EXPECT_FALSE(c.Tcp.IsConnected);
    ASSERT_FALSE(c.Seen.empty());
    EXPECT_EQ(c.Seen.back().first,
              "Failed to open output socket " + std::to_string(port) + " to host 127.0.0.1");
    EXPECT_EQ(c.Seen.back().second, TraceSocket);
}

TEST(TcpIp, TracesEverySocketStep) {
    ScriptedServer server({S::Reply("ok\r\n")});
    Client c(server.Port());
    c.Tcp.OpenConnection();
    const std::string id = std::to_string(c.Tcp.SocketHandle);
    c.Tcp.SendLine("hello");
    c.Tcp.SendLine("");
    EXPECT_EQ(c.Tcp.ReceiveLine(c.Tcp.SocketHandle), "ok");
    c.Tcp.CloseConnection();
    const Traces expected = {
        {"Opened output socket " + std::to_string(server.Port()) +
             " to host 127.0.0.1 successfully; ID " + id,
         TraceSocket},
        {"Sent 7 bytes on socket ID " + id, TraceSocket},
        {"hello", TraceSent},
        {"Sent 2 bytes on socket ID " + id, TraceSocket},
        {"", TraceSent},
        {"Closed socket ID " + id, TraceSocket},
    };
    EXPECT_EQ(c.Seen, expected);
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"hello\r\n\r\n"});
}

TEST(TcpIp, OpeningTwiceClosesTheFirstSocket) {
    ScriptedServer server({{S::Close()}});
    Client c(server.Port());
    c.Tcp.OpenConnection();
    const std::string first = std::to_string(c.Tcp.SocketHandle);
    c.Seen.clear();
    c.Tcp.OpenConnection();
    ASSERT_GE(c.Seen.size(), 2u);
    EXPECT_EQ(c.Seen[0].first, "Closed socket ID " + first);
    EXPECT_EQ(c.Seen[1].first.rfind("Opened output socket ", 0), 0u);
    EXPECT_TRUE(c.Tcp.IsConnected);
}

TEST(TcpIp, ReceiveLineHandlesLineEndsInSmallPieces) {
    // One byte per packet: a line never arrives whole.
    const std::string reply = "abc\r\nabc\nde\rf\r\n\r\nlast";
    ScriptedServer server({{S::SendInChunks(reply, int(reply.size()), 1), S::Close()}});
    Client c(server.Port());
    c.Tcp.OpenConnection();
    std::vector<std::string> lines;
    for (int i = 0; i < 6; ++i) lines.push_back(c.Tcp.ReceiveLine(c.Tcp.SocketHandle));
    const std::vector<std::string> expected = {"abc", "abc", "def", "", "last", ""};
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(c.Tcp.AtEnd(c.Tcp.SocketHandle));
    EXPECT_TRUE(c.Tcp.PeerClosed);
}

TEST(TcpIp, ExecuteCollectsPiecesInOrder) {
    std::string data;
    for (int i = 0; i < 5000; ++i) data += static_cast<char>('a' + i % 26);
    data += std::string("\0\r\n\xff", 4);
    ScriptedServer server({{S::SendInChunks(data, 8, 1), S::Close()}});
    Client c(server.Port());
    c.Tcp.Execute();
    EXPECT_EQ(c.Tcp.Body.Data(), data);
    EXPECT_EQ(c.Tcp.Body.Position(), 0);
    EXPECT_TRUE(c.Tcp.IsConnected);  // left open, as Execute does
    std::int64_t traced = 0;
    for (const auto& [text, level] : c.Seen)
        if (text.rfind("Received ", 0) == 0) traced += std::stoll(text.substr(9));
    EXPECT_EQ(traced, static_cast<std::int64_t>(data.size()));
}

TEST(TcpIp, OverlongLineIsRefused) {
    std::string exact(TcpConnection::MaxLineLength, 'x');
    ScriptedServer server({{S::Send(exact + "\n" + exact + "y\n"), S::Close()}});
    Client c(server.Port());
    c.Tcp.OpenConnection();
    EXPECT_EQ(c.Tcp.ReceiveLine(c.Tcp.SocketHandle), exact);
    EXPECT_THROW(c.Tcp.ReceiveLine(c.Tcp.SocketHandle), TcpError);
}

TEST(TcpIp, SilentPeerTimesOut) {
    ScriptedServer server({{S::Stall()}});
    for (bool line : {true, false}) {
        Client c(server.Port());
        c.Tcp.ReceiveTimeoutMs = 200;
        try {
            if (line) {
                c.Tcp.OpenConnection();
                c.Tcp.SendLine("");
                c.Tcp.ReceiveLine(c.Tcp.SocketHandle);
            } else {
                c.Tcp.Execute();
            }
            FAIL() << "a silent peer did not time out";
        } catch (const TcpError& e) {
            EXPECT_STREQ(e.what(), "Connection timed out");
        }
    }
}

TEST(TcpIp, ConnectToUnansweringListenerTimesOut) {
    // A listener whose backlog is full and never accepts drops further connection attempts.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
    std::array<TcpConnection, 3> fillers;
    for (auto& f : fillers) {
        f.HostName = "127.0.0.1";
        f.Port = ntohs(a.sin_port);
        f.ConnectTimeoutMs = 300;
        try {
            f.OpenConnection();
        } catch (const TcpError&) {
        }
    }
    Client c(ntohs(a.sin_port));
    c.Tcp.ConnectTimeoutMs = 300;
    try {
        c.Tcp.OpenConnection();
        FAIL() << "connected to a full backlog";
    } catch (const TcpError& e) {
        EXPECT_STREQ(e.what(), "Connection timed out");
    }
    EXPECT_EQ(c.Tcp.SocketHandle, InvalidSocket);
    close(listener);
}

TEST(TcpIp, SendingToClosedPeerDoesNotKillTheProgram) {
    // The peer closes at once; writing to it afterwards would raise SIGPIPE with plain send().
    ScriptedServer server({{S::Close()}});
    Client c(server.Port());
    c.Tcp.OpenConnection();
    EXPECT_EQ(c.Tcp.ReceiveLine(c.Tcp.SocketHandle), "");
    EXPECT_TRUE(c.Tcp.PeerClosed);
    const std::string big(100000, 'z');
    for (int i = 0; i < 20; ++i) c.Tcp.SendLine(big);
    c.Tcp.CloseConnection();
    EXPECT_FALSE(c.Tcp.IsConnected);
}
