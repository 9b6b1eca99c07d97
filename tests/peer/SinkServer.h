#pragma once
// Test and benchmark fixture: the upload sink (tests/peer/cmdstream_sink.cpp) in a child
// process, on a free port of 127.0.0.1. It takes command-stream uploads and emits as fast as
// they come and checks them; uploads() tells what it received. The constructor returns once it
// listens; the destructor stops it.
#include <cstdint>
#include <string>
#include <sys/types.h>

#include "platform/foundation/Json.h"
#include "tests/peer/ServerProcess.h"

namespace peer {

class SinkServer {
public:
    SinkServer();
    ~SinkServer();
    SinkServer(const SinkServer&) = delete;
    SinkServer& operator=(const SinkServer&) = delete;

    int port() const { return port_; }
    std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // Every upload and emit so far, oldest first: {"kind", "path", "ok", "error", "bytes",
    // "frames", "crc32"}.
    platform::Json uploads() const;
    // The process id, for the benchmarks that read its CPU time.
    pid_t pid() const { return process_.pid(); }

private:
    // The sink exits when its standard input closes.
    ServerProcess process_{ServerProcess::Ending::onEndOfInput};
    int port_ = 0;
};

}  // namespace peer
