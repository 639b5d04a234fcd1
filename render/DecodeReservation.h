#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

/*
 * Some decodes hold the whole picture whatever size it comes out at: libjpeg
 * keeps every coefficient of a progressive JPEG until its last scan, 90 MB
 * for a 5120 x 2880 wallpaper. Two of those side by side would double the
 * program's memory, so a conversion reserves what its decode will hold, and
 * one that would take the reservations above the budget waits until others
 * are done. A conversion with nothing else reserved goes ahead whatever it
 * needs, so no picture waits for ever.
 */
// The most one decode may hold: half of the machine's memory or of the
// address space the process may have. A picture that needs more is too large
// to decode here, however little else runs.
std::uint64_t LargestDecode();

// The memory the decodes of one imaging session share.
class DecodeBudget {
public:
    explicit DecodeBudget(std::uint64_t size) : bytes(size) {}

private:
    friend class DecodeReservation;

    const std::uint64_t bytes;
    std::mutex mutex;
    std::condition_variable_any released;
    std::uint64_t reserved = 0;
};

class DecodeReservation {
public:
    // Waits for room for bytes in the budget (nothing when bytes is 0), or
    // until stop.
    DecodeReservation(DecodeBudget& budget, std::uint64_t bytes, std::stop_token stop);
    ~DecodeReservation();
    DecodeReservation(const DecodeReservation&) = delete;
    DecodeReservation& operator=(const DecodeReservation&) = delete;

    // False when the stop came first.
    bool Granted() const { return granted; }

private:
    DecodeBudget& budget;
    std::uint64_t bytes;
    bool granted = false;
};
