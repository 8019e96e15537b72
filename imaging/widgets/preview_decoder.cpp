#include "imaging/widgets/preview_decoder.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

#include "imaging/pixel_budget.h"
#include "imaging/preview_decode.h"

namespace {

QImage ToImage(const PreviewPicture& picture) {
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(image.scanLine(y), picture.pixels.data() + static_cast<std::size_t>(y) * picture.width,
                    static_cast<std::size_t>(picture.width) * 4);
    }
    return image;
}

}  // namespace

PreviewDecoder::PreviewDecoder(QObject* parent) : QObject(parent), m_thread([this] { Run(); }) {}

PreviewDecoder::~PreviewDecoder() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void PreviewDecoder::RequestPreview(const std::string& path, int boxWidth, int boxHeight) {
    {
        std::lock_guard lock(m_mutex);
        m_preview = PreviewRequest{path, boxWidth, boxHeight};
    }
    m_wake.notify_all();
}

void PreviewDecoder::CheckPictures(std::vector<std::string> paths) {
    {
        std::lock_guard lock(m_mutex);
        m_checks = std::move(paths);
        m_nextCheck = 0;
    }
    m_wake.notify_all();
}

void PreviewDecoder::Run() {
    // The window's thread comes first when both want a core.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 5);
    PixelBudget& budget = PixelBudget::Process();
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_preview || m_nextCheck < m_checks.size(); });
        if (m_quit) {
            return;
        }
        const auto giveUp = [this] {
            std::lock_guard guard(m_mutex);
            return m_quit || m_preview.has_value();
        };
        if (m_preview) {
            const PreviewRequest request = std::move(*m_preview);
            m_preview.reset();
            lock.unlock();
            const PreviewPicture picture =
                DecodePreview(request.path, request.boxWidth, request.boxHeight, budget, giveUp);
            if (!picture.stopped) {
                const QImage image =
                    picture.problem.empty() && picture.width > 0 ? ToImage(picture) : QImage();
                emit PreviewReady(QString::fromStdString(request.path), image,
                                  QString::fromStdString(picture.problem));
            }
            lock.lock();
            continue;
        }
        const std::string path = m_checks[m_nextCheck];
        lock.unlock();
        bool stopped = false;
        const std::string problem = CheckPicture(path, budget, giveUp, stopped);
        lock.lock();
        // A check given up for a preview is made again after it.
        if (!stopped && m_nextCheck < m_checks.size() && m_checks[m_nextCheck] == path) {
            ++m_nextCheck;
            lock.unlock();
            emit PictureChecked(QString::fromStdString(path), QString::fromStdString(problem));
            lock.lock();
        }
    }
}
