#include "TarvoShareExtension/Remote/ShareJobSubmitResponse.h"

namespace tarvo {

ShareJobSubmitResponse ShareJobSubmitResponse::fromJson(const platform::Json& json) {
    platform::json::asObject(json);
    ShareJobSubmitResponse r;
    r.ok = platform::json::requireBool(json, "ok");
    r.jobID = platform::json::requireString(json, "job_id");
    r.runID = platform::json::requireString(json, "run_id");
    return r;
}

}  // namespace tarvo
