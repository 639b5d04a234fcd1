#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>

// Lets conversions run side by side, or one of them alone. A warning of
// damage does not say which picture it came from: a conversion that heard one
// while others ran runs again alone to learn whether it was its own.
class ConversionGate {
public:
    // Holds the gate for one run; lets it go when it goes.
    class Pass {
    public:
        ~Pass();
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

        // Whether any other run held the gate at some time while this one did.
        bool Overlapped() const;

    private:
        friend class ConversionGate;
        Pass(bool alone, bool aloneAtEntry, std::uint64_t entry);
        bool alone;
        bool aloneAtEntry;
        std::uint64_t entry;
    };

    // Waits while a run alone goes on or waits to start; null when stop is
    // requested first.
    static std::unique_ptr<Pass> Shared(std::stop_token stop);

    // Waits until no other run holds the gate; null when stop is requested
    // first.
    static std::unique_ptr<Pass> Alone(std::stop_token stop);
};
