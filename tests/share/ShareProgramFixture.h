#pragma once
// The tarvo-share program as a script runs it: the built programs, the sample files, a private
// Tarvo home, and the app group's keys written and read back through tarvo-defaults as the
// Tarvo app would.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/peer/PeerServer.h"
#include "tests/support/Process.h"
#include "tests/support/TempHome.h"

namespace share_test {

// A program built beside the tests.
std::string binary(const std::string& name);
// A file of the source tree (samples, golden files).
std::string source(const std::string& relative);

// A test of the program with a private home named after homeTag.
class ShareProgramFixture : public ::testing::Test {
protected:
    explicit ShareProgramFixture(const std::string& homeTag) : home(homeTag) {}

    // tarvo-defaults with args; a failure fails the test.
    void defaults(std::vector<std::string> args);
    // A string value written to the app group.
    void write(const std::string& key, const std::string& value);
    // The sample servers (samples/share/servers.json) with staging the active one; their URL,
    // where nothing listens, replaced by baseURL when one is given.
    void useSampleServers(const std::string& baseURL = "");
    // The sample drafts (samples/share/drafts.json) as the app group's remembered drafts.
    void useSampleDrafts();
    // The app group's value as the app reads it: a string's text, any other value as compact
    // JSON; "" when absent.
    std::string stored(const std::string& key);
    // The app group's value as tarvo-defaults prints it (JSON text); "" when absent.
    std::string storedJSON(const std::string& key);
    // tarvo-share with args, input on its standard input and env added to the environment.
    tarvo_test::ProcessResult share(std::vector<std::string> args, const std::string& input = "",
                                    const std::vector<std::pair<std::string, std::string>>& env = {});
    // "--do STEP" for each step, in order.
    static std::vector<std::string> doSteps(const std::vector<std::string>& steps);

    tarvo_test::TempHome home;
};

// A test of the program sending the samples to the loopback server: the sample servers pointed
// at it, which accepts the samples' token, and the sample drafts remembered.
class ShareSampleSendFixture : public ShareProgramFixture {
protected:
    explicit ShareSampleSendFixture(const std::string& homeTag) : ShareProgramFixture(homeTag) {}
    void SetUp() override;

    peer::PeerServer peer{peer::PeerServer::Options{"sample-token", "sample-token"}};
};

}  // namespace share_test
