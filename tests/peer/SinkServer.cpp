#include "tests/peer/SinkServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace peer {
namespace {

std::string readLine(int fd, std::chrono::milliseconds limit) {
    std::string line;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        const int r = ::poll(&p, 1, 100);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) continue;
        if (r < 0) break;
        char c;
        if (::read(fd, &c, 1) <= 0) break;
        if (c == '\n') return line;
        line.push_back(c);
    }
    return line;
}

}  // namespace

SinkServer::SinkServer() {
    int out[2];
    int in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    std::string program = TARVO_SINK_PROGRAM;
    std::vector<char*> args{program.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    const int rc = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdinWrite_ = in[1];
    if (rc != 0) {
        ::close(out[0]);
        ::close(stdinWrite_);
        throw std::runtime_error("could not start " + program + ": " + std::strerror(rc));
    }
    const std::string line = readLine(out[0], std::chrono::seconds(20));
    ::close(out[0]);
    const std::string prefix = "SINK_LISTENING ";
    if (line.rfind(prefix, 0) != 0) {
        ::close(stdinWrite_);
        ::waitpid(pid_, nullptr, 0);
        throw std::runtime_error("the upload sink did not start: " + line);
    }
    port_ = std::stoi(line.substr(prefix.size()));
}

SinkServer::~SinkServer() {
    ::close(stdinWrite_);  // the sink exits when its standard input closes
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
}

platform::Json SinkServer::uploads() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) ::close(fd);
        throw std::runtime_error("cannot reach the upload sink");
    }
    const std::string request = "GET /_sink/uploads HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    // The sink keeps connections open: read the head, then exactly Content-Length bytes.
    std::string data;
    char buf[65536];
    std::size_t bodyStart = std::string::npos;
    std::size_t length = 0;
    for (;;) {
        if (bodyStart != std::string::npos && data.size() >= bodyStart + length) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        data.append(buf, static_cast<std::size_t>(n));
        if (bodyStart == std::string::npos) {
            const auto end = data.find("\r\n\r\n");
            if (end == std::string::npos) continue;
            bodyStart = end + 4;
            const auto at = data.find("Content-Length: ");
            if (at == std::string::npos || at > end) break;
            length = std::stoul(data.substr(at + 16));
        }
    }
    ::close(fd);
    if (bodyStart == std::string::npos || data.size() < bodyStart + length) {
        throw std::runtime_error("the upload sink sent no answer");
    }
    return platform::parseJson(data.substr(bodyStart, length));
}

}  // namespace peer
