// The edges of the visible frame a placed window stays attached to when the application
// gives it a size other than the one asked for.
#pragma once

struct Anchors {
    int rawValue = 0;

    static constexpr int left = 1;
    static constexpr int right = 2;
    // The edge with the smaller y in bottom-left coordinates.
    static constexpr int bottom = 4;
    static constexpr int top = 8;

    bool contains(int option) const { return (rawValue & option) == option; }
    friend bool operator==(const Anchors&, const Anchors&) = default;
};
