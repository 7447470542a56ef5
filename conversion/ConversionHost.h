#pragma once

#include "common/Clock.h"
#include "conversion/ListBox.h"

#include <cstdint>
#include <string>

namespace folionix {

class OutputPlan;
struct DocumentInfo;

enum class CheckState { Unchecked, Checked, Grayed };

// The text fields of the window, by the control that holds them.
enum class SettingsField {
    OutputPath,   // Text1
    PageWidth,    // Text2
    FileName,     // Text3
    PageHeight,   // Text4
    MarginTop,    // Text5
    MarginBottom, // Text6
    MarginLeft,   // Text7
    MarginRight   // Text8
};

inline constexpr int kStyleCritical = 16;    // stop icon, OK
inline constexpr int kStyleExclamation = 48; // exclamation icon, OK
inline constexpr int kStyleOkOnly = 0;       // OK alone
inline constexpr const char* kApplicationTitle = "Folionix";

// "The window" as the core reads it: the controls that hold the settings, the image list, and
// everything modal the core needs from its front end (messages, the clock, a chance to process
// events). The window, the command line and the tests each implement it; nothing of this is
// process-wide, so two hosts never see each other's messages.
class ConversionHost {
public:
    virtual ~ConversionHost() = default;

    // The settings, read again while a build runs, exactly when the window's controls would be.
    virtual std::string FieldText(SettingsField field) const = 0;
    virtual bool IsSpecifyPageSize() const = 0; // Option2 set
    virtual bool IsSinglePdf() const = 0;       // Option3 set
    virtual bool IsCentered() const = 0;        // Option5 set
    virtual CheckState ShrinkCheckState() const = 0;
    virtual ListBox& ImageList() = 0;

    // A modal message box: text, style (kStyle...), title.
    virtual void ShowMessage(const std::string& text, int style, const std::string& title) = 0;
    // The message that ends a completed run; the window shows it like any other message.
    virtual void ShowCompletion(const std::string& text) {
        ShowMessage(text, kStyleOkOnly, kApplicationTitle);
    }
    // A note that does not stop anything (a conforming run's truncated JPEG); none by default.
    virtual void Warn(const std::string& text) { static_cast<void>(text); }
    // The clock the run's times and the documents' date lines come from.
    virtual LocalTime Now() const { return CurrentLocalTime(); }
    // Lets the front end process its pending events while a large document is closed; it must
    // not start another run.
    virtual void PumpEvents() {}
    // What the run writes for each image: the window's own bytes unless the host asks for more.
    virtual const OutputPlan& Plan() const;
    // The information dictionary of every document the run writes; empty (none) by default.
    virtual DocumentInfo DocumentInformation() const;
    // Called after the page of the list entry at index (of count) has been written, so a front
    // end can show progress; imagePath is the entry's file.
    virtual void PageWritten(std::int32_t index, std::int32_t count, const std::string& imagePath) {
        static_cast<void>(index);
        static_cast<void>(count);
        static_cast<void>(imagePath);
    }
};

} // namespace folionix
