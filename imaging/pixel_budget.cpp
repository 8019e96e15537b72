#include "imaging/pixel_budget.h"

#include <algorithm>
#include <chrono>
#include <utility>

PixelBudget& PixelBudget::Process() {
    static PixelBudget budget(kProcessCapacity);
    return budget;
}

PixelBudget::Reservation::~Reservation() {
    if (m_budget != nullptr) {
        m_budget->Release(m_bytes);
    }
}

PixelBudget::Reservation& PixelBudget::Reservation::operator=(Reservation&& other) noexcept {
    if (this != &other) {
        if (m_budget != nullptr) {
            m_budget->Release(m_bytes);
        }
        m_budget = std::exchange(other.m_budget, nullptr);
        m_bytes = other.m_bytes;
    }
    return *this;
}

std::optional<PixelBudget::Reservation> PixelBudget::Reserve(std::int64_t bytes,
                                                             const std::function<bool()>& stop) {
    bytes = std::max<std::int64_t>(bytes, 0);
    if (bytes > m_capacity) {
        return std::nullopt;
    }
    std::unique_lock lock(m_mutex);
    const std::uint64_t ticket = m_nextTicket++;
    m_waiting.push_back(ticket);
    // First come, first served: a large picture is not passed over forever by small ones; it waits
    // until the pictures before it are done, and the ones after it wait for it.
    while (!stop()) {
        if (m_waiting.front() == ticket && m_reserved + bytes <= m_capacity) {
            m_waiting.pop_front();
            m_reserved += bytes;
            m_peak = std::max(m_peak, m_reserved);
            lock.unlock();
            m_changed.notify_all();
            return Reservation(this, bytes);
        }
        m_changed.wait_for(lock, std::chrono::milliseconds(20));
    }
    m_waiting.erase(std::find(m_waiting.begin(), m_waiting.end(), ticket));
    lock.unlock();
    m_changed.notify_all();
    return std::nullopt;
}

void PixelBudget::Release(std::int64_t bytes) {
    {
        const std::lock_guard lock(m_mutex);
        m_reserved -= bytes;
    }
    m_changed.notify_all();
}

std::int64_t PixelBudget::Reserved() const {
    const std::lock_guard lock(m_mutex);
    return m_reserved;
}

std::int64_t PixelBudget::Peak() const {
    const std::lock_guard lock(m_mutex);
    return m_peak;
}

void PixelBudget::ResetPeak() {
    const std::lock_guard lock(m_mutex);
    m_peak = m_reserved;
}
