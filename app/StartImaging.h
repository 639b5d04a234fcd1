#pragma once

#include "DialogServices.h"

// Starts the imaging library for the dialog: the token keeps it started, and
// is empty when it did not start.
ImagingToken StartImaging();
