#pragma once

// One chart point. Series store these contiguously, 16 bytes each.
struct SeriesPoint
{
    double x;
    double y;
};
