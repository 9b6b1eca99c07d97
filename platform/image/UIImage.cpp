#include "platform/image/UIImage.h"

#include <cmath>
#include <limits>

#include <turbojpeg.h>

namespace platform {

std::shared_ptr<UIImage> UIImage::make(int width, int height, std::vector<std::uint8_t> rgbaPixels) {
    if (width < 0 || height < 0) return nullptr;
    const auto expected = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height) * 4ULL;
    if (expected != rgbaPixels.size()) return nullptr;
    return std::shared_ptr<UIImage>(new UIImage(width, height, std::move(rgbaPixels)));
}

std::optional<std::vector<std::uint8_t>> UIImage::jpegData(double compressionQuality) const {
    if (width_ <= 0 || height_ <= 0) return std::nullopt;
    // turbojpeg takes the row pitch as an int.
    if (static_cast<long long>(width_) * 4 > std::numeric_limits<int>::max()) return std::nullopt;
    double q = std::isnan(compressionQuality) ? 0.0 : compressionQuality;
    q = q < 0 ? 0 : (q > 1 ? 1 : q);
    int quality = static_cast<int>(std::lround(q * 100.0));
    if (quality < 1) quality = 1;

    tjhandle tj = tjInitCompress();
    if (!tj) return std::nullopt;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    int rc = tjCompress2(tj, pixels_.data(), width_, width_ * 4, height_, TJPF_RGBA, &out, &outSize,
                         TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
    std::optional<std::vector<std::uint8_t>> result;
    if (rc == 0 && out && outSize > 0) result.emplace(out, out + outSize);
    if (out) tjFree(out);
    tjDestroy(tj);
    return result;
}

}  // namespace platform
