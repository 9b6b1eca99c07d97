#include "tests/peer/PeerServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace peer {
namespace {

std::string makeTempRoot() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarvo-peer-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
    return std::string(buf.data());
}

int runCommand(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

PeerServer::PeerServer() : PeerServer(Options{}) {}

PeerServer::PeerServer(Options options) : options_(std::move(options)), root_(makeTempRoot()) {
    if (options_.tls) makeCertificate();

    std::vector<std::string> argv = {TARVO_PYTHON, std::string(TARVO_SOURCE_DIR) + "/tests/peer/peer_server.py",
                                     "--root", root_, "--port", "0"};
    if (!options_.token.empty()) argv.insert(argv.end(), {"--token", options_.token});
    if (!options_.receptionistToken.empty()) {
        argv.insert(argv.end(), {"--receptionist-token", options_.receptionistToken});
    }
    if (options_.tls) {
        argv.insert(argv.end(), {"--tls-cert", certificateFile(), "--tls-key", root_ + "/key.pem"});
    }
    if (options_.discardBodies) argv.push_back("--discard-bodies");

    std::string line;
    try {
        line = process_.start(std::move(argv), root_ + "/peer.log");
    } catch (...) {
        stop();
        throw;
    }
    const std::string prefix = "PEER_LISTENING ";
    if (line.rfind(prefix, 0) != 0) {
        const std::string why = log();
        stop();
        throw std::runtime_error("loopback server did not start: " + line + "\n" + why);
    }
    std::istringstream ports(line.substr(prefix.size()));
    ports >> port_ >> controlPort_;
}

PeerServer::~PeerServer() { stop(); }

void PeerServer::stop() {
    process_.stop();
    std::error_code ec;
    if (!root_.empty()) std::filesystem::remove_all(root_, ec);
}

std::string PeerServer::baseURL() const {
    return std::string(options_.tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void PeerServer::makeCertificate() const {
    const std::string cert = certificateFile();
    const std::string key = root_ + "/key.pem";
    const int rc = runCommand({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                               key, "-out", cert, "-days", "2", "-subj", "/CN=localhost",
                               "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"});
    if (rc != 0) throw std::runtime_error("openssl could not make a test certificate");
}

PeerServer::Reply PeerServer::control(const std::string& method, const std::string& path,
                                      const std::string& body) const {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(controlPort_));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw std::runtime_error("cannot reach the loopback server's control endpoint");
    }
    std::ostringstream req;
    req << method << " " << path << " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n"
        << "Content-Type: application/json\r\nContent-Length: " << body.size() << "\r\n\r\n"
        << body;
    const std::string text = req.str();
    std::size_t off = 0;
    while (off < text.size()) {
        const ssize_t n = ::send(fd, text.data() + off, text.size() - off, MSG_NOSIGNAL);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("control request failed");
        }
        off += static_cast<std::size_t>(n);
    }
    std::string reply;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reply.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    const auto headEnd = reply.find("\r\n\r\n");
    if (reply.rfind("HTTP/1.1 ", 0) != 0 || headEnd == std::string::npos) {
        throw std::runtime_error("malformed control reply");
    }
    Reply r;
    r.status = std::atoi(reply.c_str() + 9);
    r.body = reply.substr(headEnd + 4);
    return r;
}

platform::Json PeerServer::requests() const {
    auto r = control("GET", "/_peer/requests", "");
    return platform::parseJson(r.body);
}

// ---- Submitted jobs.
platform::Json PeerServer::jobs() const {
    auto r = control("GET", "/_peer/jobs", "");
    return platform::parseJson(r.body);
}

platform::Json PeerServer::requestsTo(const std::string& path) const {
    platform::Json out = platform::Json::array();
    for (const auto& req : requests()) {
        if (req.value("path", "") == path) out.push_back(req);
    }
    return out;
}

void PeerServer::addRule(const platform::Json& rule) const {
    auto r = control("POST", "/_peer/rule", platform::encodeCompact(rule));
    if (r.status != 200) throw std::runtime_error("rule refused: " + r.body);
}

void PeerServer::setRecommendation(const platform::Json& reply) const {
    control("POST", "/_peer/recommendation", platform::encodeCompact(reply));
}

void PeerServer::reset() const { control("POST", "/_peer/reset", "{}"); }

// ---- NVK Ostrel's approval endpoint.

std::string PeerServer::nvkApprovalURL(const std::string& capability) const {
    return baseURL() + "/nvk/approve/" + capability;
}

void PeerServer::setNVKApprovalReplies(const std::string& capability, const platform::Json& replies) const {
    platform::Json rule = platform::Json::object();
    rule["capability"] = capability;
    rule["replies"] = replies;
    auto r = control("POST", "/_peer/nvk/replies", platform::encodeCompact(rule));
    if (r.status != 200) throw std::runtime_error("NVK replies refused: " + r.body);
}

std::string PeerServer::log() const {
    std::ifstream in(root_ + "/peer.log");
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

int PeerServer::unusedPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = 0;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

}  // namespace peer
