#include "conversion/modFolionix.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

namespace folionix {
namespace {

constexpr const char* kMessageOutputPath = "Please enter an Output Path";
constexpr const char* kMessagePageSize = "Please enter valid page dimensions.";
constexpr const char* kMessageMargins = "Please enter valid margins (zero or greater).";
// Ends in a blank after the bar; the message adds a double quote and ")".
constexpr const char* kMessageFileNameHead =
    "Please enter a valid file name (cannot contain \\ / : * < > ? | ";
constexpr const char* kTitleError = "Error";
constexpr const char* kFileNameForbidden = "\\/:*<>?|\"";

bool IsNumberBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Walks a text while skipping the blanks that may stand anywhere in a number.
class NumberCursor {
public:
    explicit NumberCursor(std::string_view text) : text_(text) {}
    // The next character that is not a blank; '\0' at the end.
    char Peek() {
        while (position_ < text_.size() && IsNumberBlank(text_[position_])) {
            ++position_;
        }
        return position_ < text_.size() ? text_[position_] : '\0';
    }
    void Advance() { ++position_; }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

int DigitValue(char c, int radix) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < radix ? value : -1;
}

// &H and &O numbers: up to FFFF they are 16-bit two's-complement values (&HFFFF is -1), up to
// FFFFFFFF 32-bit ones (&HFFFFFFFF is -1, &H10000 is 65536). No digits, or more than 32 bits,
// read as 0.
double ReadRadixNumber(NumberCursor& cursor, int radix) {
    std::uint64_t value = 0;
    bool anyDigit = false;
    for (;;) {
        const int digit = DigitValue(cursor.Peek(), radix);
        if (digit < 0) {
            break;
        }
        cursor.Advance();
        anyDigit = true;
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFu) {
            return 0;
        }
    }
    if (!anyDigit) {
        return 0;
    }
    if (value <= 0xFFFFu) {
        return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    }
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

bool IsDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

double LeadingNumber(std::string_view text) {
    NumberCursor cursor(text);
    char c = cursor.Peek();
    if (c == '&') {
        cursor.Advance();
        c = cursor.Peek();
        if (c == 'H' || c == 'h') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 16);
        }
        if (c == 'O' || c == 'o') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 8);
        }
        return 0;
    }

    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        cursor.Advance();
    }
    // The number without blanks, in the form from_chars reads whatever the locale.
    std::string number;
    bool anyDigit = false;
    bool havePeriod = false;
    for (c = cursor.Peek(); IsDecimalDigit(c) || (c == '.' && !havePeriod); c = cursor.Peek()) {
        anyDigit = anyDigit || IsDecimalDigit(c);
        havePeriod = havePeriod || c == '.';
        number.push_back(c);
        cursor.Advance();
    }
    if (!anyDigit) {
        return 0;
    }
    // An exponent letter counts only when digits follow it: "2e" and "2e+" read as 2.
    bool negativeExponent = false;
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        cursor.Advance();
        std::string exponent = "e";
        c = cursor.Peek();
        if (c == '+' || c == '-') {
            negativeExponent = c == '-';
            exponent.push_back(c);
            cursor.Advance();
        }
        bool anyExponentDigit = false;
        for (c = cursor.Peek(); IsDecimalDigit(c); c = cursor.Peek()) {
            anyExponentDigit = true;
            exponent.push_back(c);
            cursor.Advance();
        }
        if (anyExponentDigit) {
            number += exponent;
        } else {
            negativeExponent = false;
        }
    }

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    static_cast<void>(end);
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity (a build then refuses it); too small gives 0.
        value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (error != std::errc()) {
        value = 0;
    }
    if (value == 0) {
        return 0;
    }
    return negative ? -value : value;
}

ConversionSettings ReadSettings(const ConversionHost& host) {
    ConversionSettings settings;
    settings.outputFolder = host.FieldText(SettingsField::OutputPath);
    settings.fileName = host.FieldText(SettingsField::FileName);
    settings.pageSizeMode =
        host.IsSpecifyPageSize() ? PageSizeMode::SpecifyPageSize : PageSizeMode::MatchImageSize;
    settings.pageWidth = LeadingNumber(host.FieldText(SettingsField::PageWidth));
    settings.pageHeight = LeadingNumber(host.FieldText(SettingsField::PageHeight));
    settings.marginTop = LeadingNumber(host.FieldText(SettingsField::MarginTop));
    settings.marginBottom = LeadingNumber(host.FieldText(SettingsField::MarginBottom));
    settings.marginLeft = LeadingNumber(host.FieldText(SettingsField::MarginLeft));
    settings.marginRight = LeadingNumber(host.FieldText(SettingsField::MarginRight));
    settings.outputMode = host.IsSinglePdf() ? OutputMode::SinglePdf : OutputMode::MultiplePdfs;
    settings.imagePosition =
        host.IsCentered() ? ImagePosition::Centered : ImagePosition::TopLeftCorner;
    settings.shrinkOversized = host.ShrinkCheckState() == CheckState::Checked;
    return settings;
}

PageMargins ReadMarginsInPoints(const ConversionHost& host) {
    PageMargins margins;
    margins.top = LeadingNumber(host.FieldText(SettingsField::MarginTop)) * kPointsPerInch;
    margins.bottom = LeadingNumber(host.FieldText(SettingsField::MarginBottom)) * kPointsPerInch;
    margins.left = LeadingNumber(host.FieldText(SettingsField::MarginLeft)) * kPointsPerInch;
    margins.right = LeadingNumber(host.FieldText(SettingsField::MarginRight)) * kPointsPerInch;
    return margins;
}

bool ValidateSettings(ConversionHost& host) {
    if (host.FieldText(SettingsField::OutputPath).empty()) {
        host.ShowMessage(kMessageOutputPath, kStyleCritical, kTitleError);
        return false;
    }
    if (host.IsSpecifyPageSize()) {
        const double width = LeadingNumber(host.FieldText(SettingsField::PageWidth));
        const double height = LeadingNumber(host.FieldText(SettingsField::PageHeight));
        if (width <= 0 || height <= 0) {
            host.ShowMessage(kMessagePageSize, kStyleCritical, kTitleError);
            return false;
        }
    }
    const double top = LeadingNumber(host.FieldText(SettingsField::MarginTop));
    const double bottom = LeadingNumber(host.FieldText(SettingsField::MarginBottom));
    const double left = LeadingNumber(host.FieldText(SettingsField::MarginLeft));
    const double right = LeadingNumber(host.FieldText(SettingsField::MarginRight));
    if (top < 0 || bottom < 0 || left < 0 || right < 0) {
        host.ShowMessage(kMessageMargins, kStyleCritical, kTitleError);
        return false;
    }
    if (host.IsSinglePdf()) {
        const std::string fileName = host.FieldText(SettingsField::FileName);
        if (fileName.empty() || fileName.find_first_of(kFileNameForbidden) != std::string::npos) {
            host.ShowMessage(std::string(kMessageFileNameHead) + '"' + ")", kStyleOkOnly,
                             kApplicationTitle);
            return false;
        }
    }
    return true;
}

} // namespace folionix
