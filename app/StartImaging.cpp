#include "StartImaging.h"

#include "ImagingSession.h"

#include <memory>

ImagingToken StartImaging() {
    auto session = std::make_shared<ImagingSession>();
    return session->Started() ? session : nullptr;
}
