// The system's lower-casing, for every script Windows knows.
#pragma once
#include "base/case_fold.h"

class WinCaseFolder final : public CaseFolder {
public:
    void Lower(std::u16string& text) const override;
};
