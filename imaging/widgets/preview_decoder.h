#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Decodes previews and checks pictures on a thread of its own, so that the window never waits for
// a picture. Previews come first and the newest request wins: a request replaces one not started,
// and one waiting for memory gives up. The checks run when no preview is asked for. Results come
// back as signals on the thread that owns the decoder.
class PreviewDecoder : public QObject {
    Q_OBJECT

public:
    explicit PreviewDecoder(QObject* parent = nullptr);
    ~PreviewDecoder() override;
    PreviewDecoder(const PreviewDecoder&) = delete;
    PreviewDecoder& operator=(const PreviewDecoder&) = delete;

    // A preview of the picture at `path` fitting `boxWidth` x `boxHeight`; answered by PreviewReady
    // unless a newer request comes first.
    void RequestPreview(const std::string& path, int boxWidth, int boxHeight);
    // Checks each picture once, in order; replaces the pictures of an earlier call that are not
    // checked yet. Each is answered by PictureChecked.
    void CheckPictures(std::vector<std::string> paths);

signals:
    // `image` is null and `problem` says why when the picture cannot be shown.
    void PreviewReady(const QString& path, const QImage& image, const QString& problem);
    // `problem` is empty for a picture that decodes.
    void PictureChecked(const QString& path, const QString& problem);

private:
    struct PreviewRequest {
        std::string path;
        int boxWidth = 0;
        int boxHeight = 0;
    };

    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_quit = false;                      // by m_mutex
    std::optional<PreviewRequest> m_preview;  // by m_mutex: the newest preview not started
    std::vector<std::string> m_checks;        // by m_mutex: still to check, in order
    std::size_t m_nextCheck = 0;              // by m_mutex
    std::thread m_thread;
};
