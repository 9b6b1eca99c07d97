#pragma once
#include <string>

#include "platform/foundation/Json.h"

namespace tarvo {

// The reply of a job submission: every key required with its JSON type.
struct ShareJobSubmitResponse {
    bool ok = false;
    std::string jobID;  // "job_id"
    std::string runID;  // "run_id"

    bool operator==(const ShareJobSubmitResponse&) const = default;
    // Throws platform::DecodingError.
    static ShareJobSubmitResponse fromJson(const platform::Json& json);
};

}  // namespace tarvo
