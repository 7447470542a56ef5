#pragma once

#include "common/Clock.h"
#include "conversion/ImagePlan.h"
#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace folionix::test {

struct Message {
    std::string text;
    int style = 0;
    std::string title;
};

// The window's controls as plain values, with the window's defaults. Messages, the completion
// message and warnings are recorded; the clock gives each of times in turn (the last one
// repeats), or the system's time when times is empty.
class FakeHost : public ConversionHost {
public:
    FakeHost() {
        fields[SettingsField::OutputPath] = "out";
        fields[SettingsField::FileName] = "JPEG_Output.PDF";
        fields[SettingsField::PageWidth] = "8.5";
        fields[SettingsField::PageHeight] = "11";
        fields[SettingsField::MarginTop] = "0";
        fields[SettingsField::MarginBottom] = "0";
        fields[SettingsField::MarginLeft] = "0";
        fields[SettingsField::MarginRight] = "0";
    }

    std::string FieldText(SettingsField field) const override {
        reads.push_back(field);
        return fields.at(field);
    }
    bool IsSpecifyPageSize() const override { return specifyPageSize; }
    bool IsSinglePdf() const override { return singlePdf; }
    bool IsCentered() const override {
        events.push_back("position");
        return centered;
    }
    CheckState ShrinkCheckState() const override {
        events.push_back("shrink");
        return shrink;
    }
    ListBox& ImageList() override { return list; }
    void ShowMessage(const std::string& text, int style, const std::string& title) override {
        messages.push_back(Message{text, style, title});
    }
    void Warn(const std::string& text) override { warnings.push_back(text); }
    LocalTime Now() const override {
        if (times.empty()) {
            return CurrentLocalTime();
        }
        const LocalTime time = times.at(nextTime < times.size() ? nextTime : times.size() - 1);
        ++nextTime;
        return time;
    }
    const OutputPlan& Plan() const override {
        return plan != nullptr ? *plan : ConversionHost::Plan();
    }

    std::map<SettingsField, std::string> fields;
    bool specifyPageSize = true;
    bool singlePdf = true;
    bool centered = true;
    CheckState shrink = CheckState::Checked;
    ImageListModel list;
    const OutputPlan* plan = nullptr;
    std::vector<LocalTime> times;
    mutable std::size_t nextTime = 0;
    std::vector<Message> messages;
    std::vector<std::string> warnings;
    mutable std::vector<SettingsField> reads;
    mutable std::vector<std::string> events;
};

// A baseline JPEG head: SOI, JFIF APP0 with dots per inch (units 1), SOF0, a short scan, EOI.
inline std::vector<std::uint8_t> MakeJpeg(std::uint16_t width, std::uint16_t height,
                                          std::uint16_t dpi, std::uint8_t components = 3) {
    auto hi = [](std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); };
    auto lo = [](std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    std::vector<std::uint8_t> bytes = {0xFF, 0xD8};
    const std::vector<std::uint8_t> app0 = {0xFF,    0xE0,    0x00,    0x10,    'J',  'F',
                                            'I',     'F',     0x00,    0x01,    0x01, 0x01,
                                            hi(dpi), lo(dpi), hi(dpi), lo(dpi), 0x00, 0x00};
    bytes.insert(bytes.end(), app0.begin(), app0.end());
    const auto sofLength = static_cast<std::uint16_t>(8 + 3 * components);
    std::vector<std::uint8_t> sof = {0xFF,      0xC0,       hi(sofLength), lo(sofLength),
                                     0x08,      hi(height), lo(height),    hi(width),
                                     lo(width), components};
    for (std::uint8_t c = 1; c <= components; ++c) {
        sof.insert(sof.end(), {c, 0x11, 0x00});
    }
    bytes.insert(bytes.end(), sof.begin(), sof.end());
    const std::vector<std::uint8_t> scan = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00,
                                            0x00, 0x3F, 0x00, 0x12, 0x34, 0xFF, 0xD9};
    bytes.insert(bytes.end(), scan.begin(), scan.end());
    return bytes;
}

// A raw JPEG 2000 codestream head: SOC, SIZ for 8-bit components, EOC.
inline std::vector<std::uint8_t> MakeJ2k(std::uint32_t width, std::uint32_t height,
                                         std::uint8_t components = 3) {
    std::vector<std::uint8_t> bytes = {0xFF, 0x4F, 0xFF, 0x51};
    auto put16 = [&](std::uint32_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
        bytes.push_back(static_cast<std::uint8_t>(v));
    };
    auto put32 = [&](std::uint32_t v) {
        put16(v >> 16);
        put16(v & 0xFFFF);
    };
    put16(38u + 3u * components);
    put16(0);
    for (std::uint32_t v : {width, height, 0u, 0u, width, height, 0u, 0u}) {
        put32(v);
    }
    put16(components);
    for (std::uint8_t c = 0; c < components; ++c) {
        bytes.insert(bytes.end(), {0x07, 0x01, 0x01});
    }
    bytes.insert(bytes.end(), {0xFF, 0x93, 0xFF, 0xD9});
    return bytes;
}

// A JP2 file: signature box, file type box, then the codestream box.
inline std::vector<std::uint8_t> MakeJp2(std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes = {0,    0,   0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87,
                                       0x0A, 0,   0, 0,  20,  'f', 't', 'y', 'p',  'j',  'p',
                                       '2',  ' ', 0, 0,  0,   0,   'j', 'p', '2',  ' '};
    const std::vector<std::uint8_t> codestream = MakeJ2k(width, height);
    const auto length = static_cast<std::uint32_t>(codestream.size() + 8);
    bytes.insert(bytes.end(),
                 {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
                  static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length), 'j',
                  'p', '2', 'c'});
    bytes.insert(bytes.end(), codestream.begin(), codestream.end());
    return bytes;
}

inline std::string Entry(const std::string& fileName, const std::string& folder) {
    return ImageListEntry(fileName, folder);
}

} // namespace folionix::test
