#include "conforming/ConformingTestSupport.h"

#include "common/FileAccess.h"

#include <charconv>

namespace folionix::test {

namespace {

std::string NumberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

} // namespace

std::string SettingsHost::FieldText(SettingsField field) const {
    switch (field) {
    case SettingsField::OutputPath:
        return settings.outputFolder;
    case SettingsField::PageWidth:
        return NumberText(settings.pageWidth);
    case SettingsField::FileName:
        return settings.fileName;
    case SettingsField::PageHeight:
        return NumberText(settings.pageHeight);
    case SettingsField::MarginTop:
        return NumberText(settings.marginTop);
    case SettingsField::MarginBottom:
        return NumberText(settings.marginBottom);
    case SettingsField::MarginLeft:
        return NumberText(settings.marginLeft);
    case SettingsField::MarginRight:
        return NumberText(settings.marginRight);
    }
    return std::string();
}

void SettingsHost::AddFile(const std::string& path) {
    const auto slash = path.rfind(kPathSeparator);
    list.AddItem(ImageListEntry(path.substr(slash + 1), path.substr(0, slash + 1)));
}

} // namespace folionix::test
