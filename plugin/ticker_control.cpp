#include "plugin/ticker_control.h"

ChangeRule RuleFor(Setting which) {
    ChangeRule r;
    switch (which) {
    case Setting::Speed: r.posts = UPDATE_SPEED; break;
    case Setting::ShadowOffset: r.measuresBand = true; break;
    case Setting::AutoUpdate: r.rearmsAutoUpdate = true; break;
    case Setting::StringSource:
        r.restartsLine = true;
        r.posts = UPDATE_SOURCE;
        break;
    case Setting::TextColor:
    case Setting::BackColor: r.posts = UPDATE_ALL; break;  // both swatches are redrawn
    default: break;  // read again where it is next used
    }
    return r;
}

FontSpec FontSpecFrom(const TickerSettings& s) {
    return FontSpec{s.FontName.substr(0, 31), s.FontSize,      s.FontWeight,  s.FontItalic,
                    s.FontUnderline,          s.FontStrikeOut, s.FontCharSet};
}
