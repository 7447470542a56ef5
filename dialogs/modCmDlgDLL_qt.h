#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace folionix {

// The dialogs on Qt. The answer of the open-files dialog is turned into the same text the
// platform dialog gives (one full path, or the folder followed by the bare names, each ended by
// a NUL) and read by ReadOpenFilesAnswer, so both halves keep one set of rules.

// Shows "Select a File..." with one name filter per description/pattern pair (the first is in
// force), in initialFolder or, when that is empty, in the current directory. On a confirmed
// choice: folder gets the chosen files' folder with a trailing separator, the names are inserted
// sorted without duplicates, count grows accordingly, and the folder becomes the process's
// current directory. Cancel returns false and leaves the outputs as they were.
bool ShowOpenFilesDialog(const std::vector<std::string>& descriptions,
                         const std::vector<std::string>& patterns, QWidget* owner,
                         std::string& folder, std::vector<std::string>& names, std::int32_t& count,
                         bool multiSelect, const std::string& initialFolder,
                         bool showNetworkButton);

// Shows a folder chooser with the title and returns the chosen folder as an absolute path in
// native form without a trailing separator (a root keeps its own), or "" on Cancel.
std::string BrowseForFolder(QWidget* owner, const std::string& title, bool allowAnyItem,
                            bool includeFiles);

// The names typed into the dialog's file name box: several as "a.jpg" "b.jpg", one as it stands.
QStringList TypedFileNames(const QString& text);

// "All Supported Files" + "*.JPG; *.JPEG" -> "All Supported Files (*.JPG *.JPEG)".
QString QtNameFilter(const std::string& description, const std::string& pattern);

// The answer text for a list of chosen absolute paths (all in one folder): one path followed by
// a NUL, or the folder, a NUL, and each bare name followed by a NUL. Empty for no paths.
std::string OpenFilesAnswerText(const QStringList& chosenPaths);

// What the open-files dialog is asked to show; tests see this through the hook.
struct OpenFilesRequest {
    QWidget* owner = nullptr;
    QString title;
    QStringList nameFilters;
    QString directory;
    bool multiSelect = true;
};

// Seams for tests: when set, the hook answers instead of a modal dialog. The open-files hook
// returns the chosen absolute paths (empty for Cancel); the folder hook returns the chosen
// folder in any form (empty for Cancel), which BrowseForFolder then normalises.
using OpenFilesDialogHook = std::function<QStringList(const OpenFilesRequest& request)>;
using FolderDialogHook = std::function<QString(QWidget* owner, const QString& title)>;
void SetOpenFilesDialogHook(OpenFilesDialogHook hook);
void SetFolderDialogHook(FolderDialogHook hook);

} // namespace folionix
