#pragma once
// An in-memory bitmap image (8-bit RGBA, rows top to bottom) that can encode itself as JPEG.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

class UIImage {
public:
    // nullptr unless pixels holds exactly width * height * 4 bytes.
    static std::shared_ptr<UIImage> make(int width, int height, std::vector<std::uint8_t> rgbaPixels);

    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }
    const std::vector<std::uint8_t>& rgbaPixels() const noexcept { return pixels_; }

    // JPEG at compressionQuality in 0...1 (clamped; 1 is the best quality), 4:2:0 sampling,
    // alpha dropped. nullopt when nothing can be encoded (an empty image, an encoder failure).
    std::optional<std::vector<std::uint8_t>> jpegData(double compressionQuality) const;

private:
    UIImage(int w, int h, std::vector<std::uint8_t> px) : width_(w), height_(h), pixels_(std::move(px)) {}
    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace platform
