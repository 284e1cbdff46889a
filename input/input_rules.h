// What the keyboard and mouse hooks decide, without any window: whether
// they are active, the modifier keys and the hot key, where a click lands
// in the reference frame, single and double clicks on the band.
#pragma once
#include <cstdint>
#include <string>

#include "settings/ticker_settings.h"

// A frame within the last 500 ms and no settings dialog.
bool InputActive(uint32_t nowTick, uint32_t lastFrameTick, bool dialogOpen);

// Hot keys: (flags << 8) | virtual key, flags 0x01 Shift, 0x02 Ctrl, 0x04 Alt,
// 0x08 the key is an extended one.
constexpr uint8_t kShiftFlag = 0x01, kCtrlFlag = 0x02, kAltFlag = 0x04, kExtendedFlag = 0x08;

class HotKeyTracker {
public:
    // One keystroke as the keyboard hook sees it (bit 24 of `keyFlags`:
    // extended key, bit 31: key going up). True when it completes `hotKey`.
    bool OnKey(uint32_t virtualKey, uint32_t keyFlags, uint32_t hotKey);
    uint8_t Modifiers() const { return flags_; }

private:
    uint8_t flags_ = 0;
};

// A point in the video window's client area in the 768 x 576 reference
// frame, rounded to nearest with 64-bit intermediates; false for a client
// area without width or height (a minimised window).
bool ToReference(int32_t clientX, int32_t clientY, int32_t clientWidth, int32_t clientHeight, int32_t* x, int32_t* y);
bool InsideBand(const TickerSettings& s, int32_t x, int32_t y);

// Clicks on the band: the press is consumed; a release that follows the
// previous click's release within the double-click time opens a page.
class BandClicks {
public:
    enum Action { PassOn, Consume, Open };
    Action Press(bool onBand);
    Action Release(uint32_t nowTick, uint32_t doubleClickMs);

private:
    bool armed_ = false;
    uint32_t lastClickTick_ = 0;
    bool clicked_ = false;  // a click has been seen since load
};
