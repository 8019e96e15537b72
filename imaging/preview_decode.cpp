#include "imaging/preview_decode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>

#include "imaging/pixel_budget.h"
#include "imaging/vimbral/vimbral.h"

namespace {

struct ImageDeleter {
    void operator()(vimbral::Image image) const { vimbral::DeleteImageObject(image); }
};
using Image = std::unique_ptr<vimbral::ImageObject, ImageDeleter>;

// Vimbral tells only that a file failed; the file itself tells why, where the system knows.
std::string FileProblem(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return std::strerror(errno);
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    ::close(fd);
    if (statted && !S_ISREG(info.st_mode)) {
        return "it is not a regular file";
    }
    if (statted && info.st_size == 0) {
        return "the file is empty";
    }
    return "it is not a picture in a format that can be read, or it is damaged";
}

std::string TooLarge(std::int64_t cost, std::int64_t capacity) {
    return "decoding it would take " + std::to_string(cost >> 20) + " MB, more than the " +
           std::to_string(capacity >> 20) + " MB allowed";
}

}  // namespace

PreviewPicture DecodePreview(const std::string& path, int boxWidth, int boxHeight, PixelBudget& budget,
                             const std::function<bool()>& stop) {
    PreviewPicture result;
    Image image(vimbral::InitImageObject());
    if (!image || vimbral::Load(image.get(), path.c_str(), nullptr, -1, -1) == 0) {
        result.problem = FileProblem(path);
        return result;
    }
    const int width = vimbral::GetWidth(image.get());
    const int height = vimbral::GetHeight(image.get());
    if (width < 1 || height < 1 || boxWidth < 1 || boxHeight < 1) {
        result.problem = width < 1 || height < 1 ? FileProblem(path) : std::string();
        return result;
    }
    const double scale =
        std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
    const int fitWidth = std::clamp(static_cast<int>(std::lround(width * scale)), 1, boxWidth);
    const int fitHeight = std::clamp(static_cast<int>(std::lround(height * scale)), 1, boxHeight);

    const std::int64_t cost = vimbral::GetPeakMemory(image.get(), fitWidth, fitHeight, 0);
    if (cost > budget.Capacity()) {
        result.problem = TooLarge(cost, budget.Capacity());
        return result;
    }
    std::optional<PixelBudget::Reservation> reserved = budget.Reserve(cost, stop);
    if (!reserved) {
        result.stopped = true;
        return result;
    }
    if (vimbral::GetNumBits(image.get()) != 24) {
        vimbral::ChangeImageFormat(image.get(), 24);
    }
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(fitWidth) *
                                      static_cast<std::size_t>(fitHeight));
    vimbral::Canvas canvas;
    canvas.pixels = pixels.data();
    canvas.width = fitWidth;
    canvas.height = fitHeight;
    canvas.stride = fitWidth * 4;
    const bool drawn = vimbral::Stretch(image.get(), fitWidth, fitHeight) != 0 &&
                       vimbral::Draw(image.get(), &canvas, 0, 0) != 0;
    // What this thread keeps of the decode lies outside the budget: give it back with the reservation.
    image.reset();
    vimbral::ReleaseKeptDecode();
    if (!drawn) {
        result.problem = "its pixels cannot be decoded: the file is damaged";
        return result;
    }
    result.width = fitWidth;
    result.height = fitHeight;
    result.pixels = std::move(pixels);
    return result;
}

std::string CheckPicture(const std::string& path, PixelBudget& budget, const std::function<bool()>& stop,
                         bool& stopped) {
    const PreviewPicture picture = DecodePreview(path, 16, 16, budget, stop);
    stopped = picture.stopped;
    return picture.problem;
}
