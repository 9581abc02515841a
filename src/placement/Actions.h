// Placing, launching and reading the window of another application: the engine's operations
// that every activation road ends in.
#pragma once

#include "Anchors.h"
#include "PinSpec.h"
#include "platform/Platform.h"

#include <optional>

class Actions {
public:
    explicit Actions(Platform& platform) : m_platform(platform) {}

    // Moves and resizes the application's first standard window into the position on the
    // screen's visible frame. Blocks while it waits for a window (up to 2.6 s); then a
    // correction runs 0.05 s later and a verification (log only) 0.2 s later.
    void summon(const QString& bundleID, const PinSpec& spec, const Screen& screen);
    // Brings a running application forward, else starts it; beeps when it cannot.
    void launchApp(const QString& bundleID);
    // The frame of the application's first standard window, origin in top-left coordinates.
    std::optional<Rect> getCurrentWindowFrame(const QString& bundleID);

    // Writes the size, then the position, keeping the anchored edges where the target has them.
    void axSetFrameAnchored(const WindowElementRef& win, const Rect& target, Anchors anchors,
                            const Screen& screen, bool forceExactSize);
    // Bottom-left origin for a window of actualSize anchored like the target, against the
    // screen's visible frame as it is now, kept inside it.
    Point calculateAnchoredOrigin(const Rect& target, Size actualSize, Anchors anchors, const Screen& screen,
                                  double leftMargin, double rightMargin, double bottomMargin,
                                  double topMargin);
    // Puts the left edge of right-anchored positions where the nominal width says.
    void ensureRightAnchoredAlignment(const WindowElementRef& win, const Screen& screen, const PinSpec& spec);

private:
    struct Margins {
        double left, right, bottom, top;
    };

    // The display as it is now: frames change while a placement waits.
    Screen current(const Screen& screen);
    void correct(const WindowElementRef& win, const Rect& target, Anchors anchors, const Screen& screen,
                 const Margins& margins);
    void verify(const QString& bundleID, const Screen& target);

    Platform& m_platform;
};
