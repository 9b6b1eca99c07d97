#pragma once
// Uniform type identifiers: a fixed table of the types the programs meet, with the
// conformance graph ("public.jpeg" is an image, an image is data, data is an item), filename
// extension lookup and each type's preferred MIME type and extension. Identifiers compare
// without regard to ASCII letter case.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class UTType {
public:
    // The type of that identifier, or nullopt when the table does not know it.
    static std::optional<UTType> fromIdentifier(std::string_view identifier);
    // The first known type that has this filename extension (case-insensitive, without the
    // dot) and conforms to conformingTo. nullopt when there is none.
    static std::optional<UTType> fromFilenameExtension(std::string_view ext,
                                                       const UTType& conformingTo = data());

    const std::string& identifier() const noexcept { return identifier_; }
    std::optional<std::string> preferredFilenameExtension() const;
    std::optional<std::string> preferredMIMEType() const;
    // Reflexive and transitive.
    bool conforms(const UTType& other) const;
    // The direct parents.
    std::vector<UTType> supertypes() const;

    bool operator==(const UTType& o) const;

    // Known identifier conformance without needing a UTType: unknown identifiers conform
    // only to themselves.
    static bool identifierConforms(std::string_view identifier, std::string_view to);

    static UTType item();
    static UTType content();
    static UTType data();
    static UTType directory();
    static UTType folder();
    static UTType url();
    static UTType fileURL();
    static UTType text();
    static UTType plainText();
    static UTType utf8PlainText();
    static UTType json();
    static UTType image();
    static UTType jpeg();
    static UTType png();
    static UTType heic();
    static UTType heif();
    static UTType gif();
    static UTType tiff();
    static UTType bmp();
    static UTType audiovisualContent();
    static UTType movie();
    static UTType audio();
    static UTType pdf();
    static UTType archive();
    static UTType zip();

private:
    explicit UTType(std::size_t index) : index_(index), identifier_() {}
    static UTType at(std::size_t index);
    std::size_t index_;
    std::string identifier_;
};

}  // namespace platform
