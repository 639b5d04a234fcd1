#pragma once

// Starts the imaging library for the life of the object and shuts it down
// after. Conversions need a started session; make one per process.
class ImagingSession {
public:
    ImagingSession();
    ~ImagingSession();
    ImagingSession(const ImagingSession&) = delete;
    ImagingSession& operator=(const ImagingSession&) = delete;

    bool Started() const { return started; }

    // Whether a started session is alive in this process: conversions refuse
    // to run without one.
    static bool Active();

private:
    bool started = false;
};
