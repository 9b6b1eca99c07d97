#include "tests/peer/SinkServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace peer {

SinkServer::SinkServer() {
    const std::string line = process_.start({TARVO_SINK_PROGRAM});
    const std::string prefix = "SINK_LISTENING ";
    if (line.rfind(prefix, 0) != 0) {
        process_.stop();
        throw std::runtime_error("the upload sink did not start: " + line);
    }
    port_ = std::stoi(line.substr(prefix.size()));
}

SinkServer::~SinkServer() = default;

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
