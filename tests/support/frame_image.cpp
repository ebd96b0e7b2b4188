#include "support/frame_image.h"

#include <fstream>
#include <system_error>

namespace {

// Header "P6 256 212 255", then the RGB pixels.
std::string EncodeFrameAsPPM(const TFrameBuffer& pixels, const TPalette& palette)
{
    std::string image = "P6\n" + std::to_string(screenWidth) + " " + std::to_string(screenHeight) + "\n255\n";
    image.reserve(image.size() + pixels.size() * 3);
    for (const std::uint8_t index : pixels) {
        const TPaletteEntry& colour = palette[index % paletteSize];
        image.push_back(static_cast<char>(colour.red));
        image.push_back(static_cast<char>(colour.green));
        image.push_back(static_cast<char>(colour.blue));
    }
    return image;
}

} // namespace

std::filesystem::path WriteFrameImage(const TFrameBuffer& pixels, const TPalette& palette, const std::string& name)
{
    const std::filesystem::path folder = QUIB_TEST_OUTPUT_DIR;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        return {};
    const std::filesystem::path target = folder / (name + ".ppm");
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        const std::string image = EncodeFrameAsPPM(pixels, palette);
        file.write(image.data(), static_cast<std::streamsize>(image.size()));
        if (!file)
            return {};
    }
    std::filesystem::rename(temporary, target, error);
    return error ? std::filesystem::path{} : target;
}
