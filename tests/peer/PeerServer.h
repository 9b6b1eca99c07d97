#pragma once
// Test fixture: the loopback server (tests/peer/peer_server.py) in a child process. The
// constructor starts it on a free port of 127.0.0.1 under a fresh temporary root and returns once
// it listens; the destructor stops it and removes the root. What the server received is read
// back through its control endpoints with a plain blocking socket client of the fixture's own,
// so the code under test never observes itself.
#include <chrono>
#include <string>
#include <sys/types.h>

#include "platform/foundation/Json.h"
#include "tests/peer/ServerProcess.h"

namespace peer {

class PeerServer {
public:
    struct Options {
        std::string token = "test-token";
        std::string receptionistToken = "rcpt-token";
        // Serve HTTPS with a certificate made for 127.0.0.1 and localhost (see certificateFile()).
        bool tls = false;
        // Hash emitted bodies without storing them (benchmarks of large files).
        bool discardBodies = false;
    };

    PeerServer();
    explicit PeerServer(Options options);
    ~PeerServer();
    PeerServer(const PeerServer&) = delete;
    PeerServer& operator=(const PeerServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" (https with tls).
    std::string baseURL() const;
    const Options& options() const { return options_; }
    // The server's temporary root; "files/" under it is what the file API serves.
    const std::string& root() const { return root_; }
    std::string filesRoot() const { return root_ + "/files"; }
    // The PEM certificate the server presents (tls only): trust it to connect.
    std::string certificateFile() const { return root_ + "/cert.pem"; }

    // Every request received so far, oldest first (see peer_server.py for the fields).
    platform::Json requests() const;
    // The received requests whose path is exactly `path`.
    platform::Json requestsTo(const std::string& path) const;
    // Adds a rule that answers matching requests in place of the normal handler.
    void addRule(const platform::Json& rule) const;
    void setRecommendation(const platform::Json& reply) const;
    // ---- Submitted jobs: what /api/jobs/submit started (job and run ids, shell line, log
    // path, exit code or null while it runs).
    platform::Json jobs() const;
    void reset() const;

    // ---- NVK Ostrel's approval endpoint, POST /nvk/approve/<capability>.
    // "<base URL>/nvk/approve/<capability>".
    std::string nvkApprovalURL(const std::string& capability) const;
    // The answers to the next approvals of the capability, in order (each {"status", "body"?,
    // "json"?, "stall"?}); once they are used up, well-formed approvals get 200.
    void setNVKApprovalReplies(const std::string& capability, const platform::Json& replies) const;

    // The server's standard error so far (for failure messages).
    std::string log() const;

    // A port on 127.0.0.1 where nothing listens (bound, then released).
    static int unusedPort();

private:
    struct Reply {
        int status = 0;
        std::string body;
    };
    Reply control(const std::string& method, const std::string& path, const std::string& body) const;
    void makeCertificate() const;
    void stop();

    Options options_;
    std::string root_;
    ServerProcess process_{ServerProcess::Ending::terminate};
    int port_ = 0;
    int controlPort_ = 0;
};

}  // namespace peer
