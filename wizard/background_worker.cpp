#include "wizard/background_worker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <utility>

BackgroundWorker::~BackgroundWorker() {
    WaitServingEvents();
}

void BackgroundWorker::Start(std::function<void()> work) {
    if (m_thread.joinable()) {
        WaitServingEvents();
    }
    m_running = true;
    const unsigned generation = ++m_generation;
    m_thread = std::thread([this, generation, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            // The work keeps its own failures in its results; nothing may end the program here.
        }
        m_running = false;
        // The owner joins us only after this returns, so `this` is still alive here.
        QMetaObject::invokeMethod(
            this, [this, generation] { OnWorkerEnded(generation); }, Qt::QueuedConnection);
    });
}

void BackgroundWorker::WaitServingEvents() {
    while (m_running) {
        // The worker posts at least once more (its end), so this wakes up.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void BackgroundWorker::OnWorkerEnded(unsigned generation) {
    if (generation != m_generation) {
        return;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    emit Finished();
}
