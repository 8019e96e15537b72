#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

// One worker thread of a page. The GUI thread never blocks on it while it may be running: the
// worker may sit in a blocking call into the GUI thread. When the work ends the worker posts back,
// the GUI thread joins it and emits Finished.
class BackgroundWorker : public QObject {
    Q_OBJECT

public:
    BackgroundWorker() = default;
    ~BackgroundWorker() override;
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Starts `work` on a new thread; the previous one must have finished.
    void Start(std::function<void()> work);
    bool IsRunning() const { return m_running; }
    // For teardown only: keeps serving the GUI thread's events until the worker has ended, then joins.
    void WaitServingEvents();

signals:
    void Finished();

private:
    void OnWorkerEnded(unsigned generation);

    std::thread m_thread;
    std::atomic<bool> m_running{false};
    // Tells an end notice of an earlier, already joined worker from the current one's.
    unsigned m_generation = 0;
};
