#include "tests/peer/RawPeer.h"

#include <stdexcept>
#include <string>

namespace peer {

RawPeer::RawPeer() {
    const std::string line =
        process_.start({TARVO_PYTHON, std::string(TARVO_SOURCE_DIR) + "/tests/peer/raw_peer.py", "--port", "0"});
    const std::string prefix = "RAW_LISTENING ";
    if (line.rfind(prefix, 0) != 0) {
        process_.stop();
        throw std::runtime_error("the raw peer did not start: " + line);
    }
    port_ = std::stoi(line.substr(prefix.size()));
}

RawPeer::~RawPeer() = default;

std::string RawPeer::urlFor(const std::string& act) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + act;
}

std::string RawPeer::webSocketURLFor(const std::string& act) const {
    return "ws://127.0.0.1:" + std::to_string(port_) + "/" + act + "/ws";
}

}  // namespace peer
