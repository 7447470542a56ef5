#pragma once

// What the conforming-mode tests share: a conversion host over plain settings and an in-memory
// list (pictures, renderers and PSNR come from support/Pictures.h).

#include "conversion/ListBox.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"
#include "support/Pictures.h"

#include <string>
#include <vector>

namespace folionix::test {

// The window as the builds read it, over a ConversionSettings record.
class SettingsHost final : public ConversionHost {
public:
    ConversionSettings settings;
    ImageListModel list;

    std::string FieldText(SettingsField field) const override;
    bool IsSpecifyPageSize() const override {
        return settings.pageSizeMode == PageSizeMode::SpecifyPageSize;
    }
    bool IsSinglePdf() const override { return settings.outputMode == OutputMode::SinglePdf; }
    bool IsCentered() const override { return settings.imagePosition == ImagePosition::Centered; }
    CheckState ShrinkCheckState() const override {
        return settings.shrinkOversized ? CheckState::Checked : CheckState::Unchecked;
    }
    ListBox& ImageList() override { return list; }
    // Messages as "title|style|text".
    void ShowMessage(const std::string& text, int style, const std::string& title) override {
        messages.push_back(title + "|" + std::to_string(style) + "|" + text);
    }
    void Warn(const std::string& text) override { warnings.push_back(text); }
    LocalTime Now() const override { return LocalTime{2026, 12, 5, 18, 30, 0}; }
    const OutputPlan& Plan() const override { return conforming ? ConformingPlan() : WindowPlan(); }

    // Appends the file (a full path) as a list entry without reading it.
    void AddFile(const std::string& path);

    bool conforming = false;
    std::vector<std::string> messages;
    std::vector<std::string> warnings;
};

} // namespace folionix::test
