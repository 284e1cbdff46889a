#include "input/input_rules.h"

#include "settings/band_geometry.h"

bool InputActive(uint32_t nowTick, uint32_t lastFrameTick, bool dialogOpen) {
    return uint32_t(nowTick - lastFrameTick) < 500u && !dialogOpen;
}

bool HotKeyTracker::OnKey(uint32_t virtualKey, uint32_t keyFlags, uint32_t hotKey) {
    const bool up = (keyFlags & 0x80000000u) != 0;
    uint8_t modifier = 0;
    if (virtualKey == 16) modifier = kShiftFlag;
    else if (virtualKey == 17) modifier = kCtrlFlag;
    else if (virtualKey == 18) modifier = kAltFlag;
    if (up) {
        flags_ &= uint8_t(~(modifier ? modifier : kExtendedFlag));
        return false;
    }
    if (modifier) {
        flags_ |= modifier;
        return false;
    }
    if (keyFlags & (1u << 24)) flags_ |= kExtendedFlag;
    const uint32_t combination = (uint32_t(flags_) << 8) | (virtualKey & 0xFF);
    return hotKey != 0 && combination == hotKey;
}

bool ToReference(int32_t clientX, int32_t clientY, int32_t clientWidth, int32_t clientHeight, int32_t* x, int32_t* y) {
    if (clientWidth <= 0 || clientHeight <= 0) return false;
    auto scale = [](int64_t v, int64_t ref, int64_t size) {
        const int64_t p = v * ref;
        return int32_t(p >= 0 ? (p + size / 2) / size : (p - size / 2) / size);
    };
    *x = scale(clientX, kRefWidth, clientWidth);
    *y = scale(clientY, kRefHeight, clientHeight);
    return true;
}

bool InsideBand(const TickerSettings& s, int32_t x, int32_t y) {
    const Rect r = ReferenceBandRect(s);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

BandClicks::Action BandClicks::Press(bool onBand) {
    if (!onBand) return PassOn;
    armed_ = true;
    return Consume;
}

BandClicks::Action BandClicks::Release(uint32_t nowTick, uint32_t doubleClickMs) {
    if (!armed_) return PassOn;
    armed_ = false;
    if (clicked_ && uint32_t(nowTick - lastClickTick_) < doubleClickMs) return Open;  // the click time stays
    lastClickTick_ = nowTick;
    clicked_ = true;
    return PassOn;
}
