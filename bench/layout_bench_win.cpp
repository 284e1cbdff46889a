// What laying a message out costs when it enters the band (once per message
// and list, on the video thread, under the ticker lock): a news item of
// about 120 characters in each script, in the band's default font (Arial,
// 31 pixels, bold). A Russian item takes the plain path: only its width is
// measured. Medians of 200 layouts, each from a cold layout (the renderer
// keeps none; the engine's cache keeps one per message).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "render/gdi_text_renderer_win.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

std::u16string Repeat(const std::u16string& part, size_t length) {
    std::u16string text;
    while (text.size() < length) text += part;
    return text;
}

}  // namespace

int main() {
    GdiTextRenderer renderer;
    FontSpec font;
    font.faceName = "Arial";
    font.height = -31;
    font.weight = 700;
    font.charSet = 1;
    if (!renderer.CreateTickerFont(font)) {
        std::printf("layout bench: no font\n");
        return 1;
    }
    struct Case {
        const char* name;
        std::u16string text;
    };
    const Case cases[] = {
        {"russian", Repeat(u"Бегущая строка: новости часа в Москве без осадков. ", 120)},
        {"arabic", Repeat(u"الأخبار العاجلة من القاهرة اليوم ٢٠٢٦ ", 120)},
        {"hebrew", Repeat(u"חדשות היום בירושלים 2026 שעה 19:00 ", 120)},
        {"thai", Repeat(u"ข่าวด่วนวันนี้จากกรุงเทพมหานคร ", 120)},
        {"emoji", Repeat(u"Погода 🌧️ и пробки 🚗🚕 на дорогах 🔥 ", 120)},
    };
    std::printf("%-8s %6s %8s %10s\n", "script", "chars", "width", "layout_us");
    for (const Case& c : cases) {
        const WideString text(c.text);
        std::vector<double> times;
        int32_t width = 0;
        for (int i = 0; i < 200; ++i) {
            const auto t0 = Clock::now();
            const std::shared_ptr<const TextLayout> layout = renderer.LayOut(text, BaseDirection::FromText);
            width = layout ? layout->width : renderer.MeasureWide(text).cx;
            times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        std::printf("%-8s %6zu %8d %10.1f\n", c.name, c.text.size(), width, Median(times));
    }
    return 0;
}
