#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

// A process-wide budget for the memory that decoded pictures take, shared by every conversion
// worker: a worker reserves what a picture will cost before it decodes it and gives it back when
// the picture is written. A reservation waits, in the order asked, until the budget has room;
// a picture that costs more than the whole budget is never reserved.
class PixelBudget {
public:
    // What the conversion's workers share: with the program itself, peak memory stays below 1 GB.
    static constexpr std::int64_t kProcessCapacity = 768ll << 20;

    explicit PixelBudget(std::int64_t capacityBytes) : m_capacity(capacityBytes) {}
    PixelBudget(const PixelBudget&) = delete;
    PixelBudget& operator=(const PixelBudget&) = delete;

    // The budget of this process, kProcessCapacity bytes.
    static PixelBudget& Process();

    // Bytes held until destroyed.
    class Reservation {
    public:
        Reservation(Reservation&& other) noexcept : m_budget(other.m_budget), m_bytes(other.m_bytes) {
            other.m_budget = nullptr;
        }
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        Reservation& operator=(Reservation&& other) noexcept;
        ~Reservation();

    private:
        friend class PixelBudget;
        Reservation(PixelBudget* budget, std::int64_t bytes) : m_budget(budget), m_bytes(bytes) {}
        PixelBudget* m_budget;
        std::int64_t m_bytes;
    };

    // Waits until `bytes` fit beside the other reservations and no earlier request is waiting.
    // Empty when `bytes` exceed the capacity, or when `stop` turns true while waiting (it is asked
    // every few milliseconds).
    std::optional<Reservation> Reserve(std::int64_t bytes, const std::function<bool()>& stop);

    std::int64_t Capacity() const { return m_capacity; }
    std::int64_t Reserved() const;
    // The most bytes reserved at once since the budget was made or ResetPeak was called.
    std::int64_t Peak() const;
    void ResetPeak();

private:
    void Release(std::int64_t bytes);

    const std::int64_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_reserved = 0;          // by m_mutex
    std::int64_t m_peak = 0;              // by m_mutex
    std::uint64_t m_nextTicket = 0;       // by m_mutex
    std::deque<std::uint64_t> m_waiting;  // by m_mutex: tickets of waiting requests, served in order
};
