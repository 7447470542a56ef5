#pragma once

// What the conforming-mode tests share: a conversion host over plain settings and an in-memory
// list, pictures written as PNM, the three renderers, and PSNR.

#include "conversion/ListBox.h"
#include "conversion/modConforming.h"
#include "conversion/modFolionix.h"

#include <cstdint>
#include <map>
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

// An 8-bit picture: RGB from the PNM reader (grey is spread to three channels), or the
// channels of a PAM file (four for CMYK).
struct Picture {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<std::uint8_t> samples;
};

// Reads P5 or P6 (maxval up to 65535; 16-bit samples are scaled to 8 bits) as RGB. False when
// the file is missing or not such a PNM.
bool ReadPnm(const std::string& path, Picture& picture);

// Reads a P7 (PAM) file with 8-bit samples as it is.
bool ReadPam(const std::string& path, Picture& picture);

// Writes a test picture with ramps that differ along both axes and a dark top-left quarter, so
// that a wrong turn or mirror is plain. Grey pictures may have 16-bit samples.
void WritePicture(const std::string& path, int width, int height, bool grey, bool sixteenBit);

// Peak signal-to-noise ratio in dB over all samples; 99 for identical pictures, -1 when the
// sizes or channel counts differ.
double Psnr(const Picture& a, const Picture& b);

// Renders page 1 of the PDF at the resolution, as RGB, with "pdftoppm", "mutool", "gs" and
// "gs-fastcolor" (Ghostscript without its colour management, -dUseFastColor). A renderer that
// fails is missing from the result.
std::map<std::string, Picture> RenderWithAll(const std::string& pdfPath, double dpi,
                                             const std::string& workFolder);

// The same in CMYK (pdftoppm through a CMYK TIFF, mutool and Ghostscript to PAM), for images
// whose samples are CMYK: comparing there leaves out each renderer's CMYK-to-RGB conversion.
std::map<std::string, Picture> RenderCmykWithAll(const std::string& pdfPath, double dpi,
                                                 const std::string& workFolder);

} // namespace folionix::test
