// Letter case folded away, for comparing texts as a reader would: the
// system's own lower-casing in the DLL (CharLowerBuffW, every script it
// knows); natively the Latin and Cyrillic letters.
#pragma once
#include <string>

class CaseFolder {
public:
    virtual ~CaseFolder() = default;
    virtual void Lower(std::u16string& text) const = 0;
};

// The folder every comparison uses; the portable one until another is installed.
const CaseFolder& SystemCaseFolder();
void SetSystemCaseFolder(const CaseFolder* folder);
