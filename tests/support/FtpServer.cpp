#include "support/FtpServer.h"

#include <stdexcept>

#include "support/Subprocess.h"

namespace {

// Binds port 0 and prints the port it got, so there is no race for a free port.
const char* const kScript = R"PY(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, DTPHandler
from pyftpdlib.servers import FTPServer

root, user, password, anonymous, drop = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] == "1", int(sys.argv[5])
per_client = int(sys.argv[6])
logging.basicConfig(level=logging.WARNING)
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elr")
if anonymous:
    authorizer.add_anonymous(root)

class CuttingDTP(DTPHandler):
    def send(self, data):
        if drop >= 0:
            left = drop - self.tot_bytes_sent
            if left <= 0:
                control = self.cmd_channel
                self.close()
                control.close()
                return 0
            data = data[:left]
        return DTPHandler.send(self, data)

class Handler(FTPHandler):
    pass

Handler.authorizer = authorizer
Handler.use_sendfile = False
Handler.dtp_handler = CuttingDTP
Handler.banner = "Test FTP server ready."
Handler.auth_failed_timeout = 0.05
server = FTPServer(("127.0.0.1", 0), Handler)
server.max_cons_per_ip = per_client
print(server.address[1], flush=True)
server.serve_forever()
)PY";

}  // namespace

FtpServer::FtpServer(const Options& options) {
    process_ = std::make_unique<Subprocess>(
        std::vector<std::string>{"/usr/bin/python3", "-c", kScript, options.Root.string(),
                                 options.User, options.Password, options.Anonymous ? "1" : "0",
                                 std::to_string(options.DropAfterBytes),
                                 std::to_string(options.MaxConnectionsPerClient)},
        Subprocess::Options{.OutputFile = scratch_.Text() + "ftp.log", .CaptureStdout = true});
    std::string line;
    if (!process_->ReadLine(line, 20000) || line.empty()) {
        process_->Stop(9);
        throw std::runtime_error("FTP server did not start: " + LogText());
    }
    port_ = std::stoi(line);
}

FtpServer::~FtpServer() {
    if (process_) process_->Stop(15);
}

std::string FtpServer::Url(const std::string& path) const {
    return "ftp://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::string FtpServer::LogText() const {
    return ReadWholeFile(scratch_.Text() + "ftp.log");
}
