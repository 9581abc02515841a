// One placement request: where on the screen one application's window goes.
#pragma once

#include "model/Corner.h"

struct PinSpec {
    Corner corner = Corner::topLeft;
    // Carried with the request for the stored model; placement does not read them.
    double widthFraction = 0;
    double heightPoints = 0;
    // Points kept from the left/right and the top/bottom edges of the visible frame.
    double marginX = 0;
    double marginY = 0;

    friend bool operator==(const PinSpec&, const PinSpec&) = default;
};
