#pragma once

#include "DecodeReservation.h"

// Starts the imaging library for the life of the object and shuts it down
// after. Conversions need a started session; make one per process.
class ImagingSession {
public:
    ImagingSession();
    ~ImagingSession();
    ImagingSession(const ImagingSession&) = delete;
    ImagingSession& operator=(const ImagingSession&) = delete;

    bool Started() const { return started; }

    // The started session alive in this process, if any: conversions refuse
    // to run without one.
    static ImagingSession* Active();

    // What the session's decodes share: with the program's own 45 MB or so,
    // two conversions stay under 200 MB.
    DecodeBudget& Decodes() { return decodes; }

private:
    bool started = false;
    DecodeBudget decodes{std::uint64_t{128} << 20};
};
