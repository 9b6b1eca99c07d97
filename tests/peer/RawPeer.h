#pragma once
// Test fixture: the misbehaving server (tests/peer/raw_peer.py) in a child process, on a free
// port of 127.0.0.1. Each request's first path segment names what the server does wrong (see the
// script), so urlFor("rsv") is a base URL whose command stream gets an invalid frame. The
// destructor ends the server.
#include <string>

#include "tests/peer/ServerProcess.h"

namespace peer {

class RawPeer {
public:
    RawPeer();
    ~RawPeer();
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>/<act>".
    std::string urlFor(const std::string& act) const;
    // "ws://127.0.0.1:<port>/<act>/ws".
    std::string webSocketURLFor(const std::string& act) const;

private:
    ServerProcess process_{ServerProcess::Ending::terminate};
    int port_ = 0;
};

}  // namespace peer
