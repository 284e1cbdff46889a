#include "base/case_fold.h"

namespace {

// ASCII, Latin-1, Greek and Cyrillic capitals.
char16_t LowerLetter(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)) return char16_t(c + 0x20);
    if (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) return char16_t(c + 0x20);
    if (c >= 0x0410 && c <= 0x042F) return char16_t(c + 0x20);
    if (c >= 0x0400 && c <= 0x040F) return char16_t(c + 0x50);
    return c;
}

class PortableCaseFolder final : public CaseFolder {
public:
    void Lower(std::u16string& text) const override {
        for (char16_t& c : text) c = LowerLetter(c);
    }
};

const PortableCaseFolder kPortable;
const CaseFolder* g_folder = &kPortable;

}  // namespace

const CaseFolder& SystemCaseFolder() { return *g_folder; }
void SetSystemCaseFolder(const CaseFolder* folder) { g_folder = folder ? folder : &kPortable; }
