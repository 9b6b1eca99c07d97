#include "Core/PushSoundConfig.h"

namespace tarvo {

const std::map<std::string, std::string>& PushSoundDefaults::defaultSoundMap() {
    static const std::map<std::string, std::string> map{
        {"clipboard", "default"}, {"voice", "default"}, {"image", "default"},
        {"cmd", "default"},       {"shell", "default"}, {"error", "default"},
    };
    return map;
}

}  // namespace tarvo
