// Feeds arbitrary bytes to the client as the reply of a job submission, with a status picked by
// the first byte. Either the reply decodes, only for a 2xx whose body has every key with its
// type, or it fails with the failure its status calls for: a 404 or 405 (the servers without a
// job service, which get a detached run instead) always as the transport failure with that status.
#include <cstddef>
#include <cstdint>
#include <string>

#include "TarvoShareExtension/Remote/RemoteReply.h"
#include "TarvoShareExtension/Remote/ShareJobSubmitResponse.h"
#include "fuzz/HttpReplyCheck.h"
#include "platform/foundation/Json.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvo;
    using fuzzing::require;
    if (size == 0) return 0;
    const HTTPResponse response = fuzzing::reply(data[0], data + 1, size - 1);
    try {
        const ShareJobSubmitResponse job = decodeReply<ShareJobSubmitResponse>(response);
        require(response.status >= 200 && response.status <= 299);
        const platform::Json body = platform::parseJson(std::string(response.data.begin(), response.data.end()));
        require(body.at("ok").get<bool>() == job.ok);
        require(body.at("job_id").get<std::string>() == job.jobID);
        require(body.at("run_id").get<std::string>() == job.runID);
    } catch (const RemoteFailure& failure) {
        fuzzing::requireFailureFits(failure, response.status);
    }
    return 0;
}
