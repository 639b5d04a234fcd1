#pragma once

#include <cstdint>
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

class DecodeReservation {
public:
    // Waits for room for bytes (nothing when bytes is 0), or until stop.
    DecodeReservation(std::uint64_t bytes, std::stop_token stop);
    ~DecodeReservation();
    DecodeReservation(const DecodeReservation&) = delete;
    DecodeReservation& operator=(const DecodeReservation&) = delete;

    // False when the stop came first.
    bool Granted() const { return granted; }

private:
    std::uint64_t bytes;
    bool granted = false;
};
