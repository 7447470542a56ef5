#pragma once

// A conversion host over plain values: what the core's tests, the command line's tests and the
// Windows tests stand in for the window with.

#include "common/Clock.h"
#include "common/FileAccess.h"
#include "conversion/ImagePlan.h"
#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"

#include <algorithm>
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
// repeats), or the system's time when times is empty. The one host every test of the core uses.
class FakeHost : public ConversionHost {
public:
    FakeHost() { With("O=out;N=JPEG_Output.PDF;W=8.5;H=11;T=0;B=0;L=0;R=0"); }

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
        return times.empty() ? CurrentLocalTime() : times[std::min(nextTime++, times.size() - 1)];
    }
    const OutputPlan& Plan() const override {
        return plan != nullptr ? *plan : ConversionHost::Plan();
    }

    // Sets fields as in "W=0;L=-1": the letter of each field in SettingsField order (O output
    // path, W page width, N file name, H page height, T B L R margins), "=", the text.
    FakeHost& With(const std::string& changes) {
        for (std::size_t at = 0, end = 0; at < changes.size(); at = end + 1) {
            end = std::min(changes.find(';', at), changes.size());
            fields[SettingsField(std::string("OWNHTBLR").find(changes[at]))] =
                changes.substr(at + 2, end - at - 2);
        }
        return *this;
    }

    // Appends the file (a full path) as a list entry without reading it.
    void AddFile(const std::string& path) {
        const auto slash = path.rfind(kPathSeparator);
        list.AddItem(ImageListEntry(path.substr(slash + 1), path.substr(0, slash + 1)));
    }

    // Every message shown, one line each: "text|style|title".
    std::string Shown() const {
        std::string shown;
        for (const Message& m : messages) {
            shown += m.text + "|" + std::to_string(m.style) + "|" + m.title + "\n";
        }
        return shown;
    }
    // The list's texts, one line each, a selected one followed by "*".
    std::string Listed() const {
        std::string texts;
        for (std::int32_t i = 0; i < list.ListCount(); ++i) {
            texts += list.ItemText(i) + (list.IsSelected(i) ? "*\n" : "\n");
        }
        return texts;
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

inline std::string Entry(const std::string& fileName, const std::string& folder) {
    return ImageListEntry(fileName, folder);
}

} // namespace folionix::test
