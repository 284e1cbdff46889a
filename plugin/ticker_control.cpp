#include "plugin/ticker_control.h"

FontSpec FontSpecFrom(const TickerSettings& s) {
    return FontSpec{s.FontName.substr(0, 31), s.FontSize,      s.FontWeight,  s.FontItalic,
                    s.FontUnderline,          s.FontStrikeOut, s.FontCharSet};
}
