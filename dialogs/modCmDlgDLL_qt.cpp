#include "dialogs/modCmDlgDLL_qt.h"

#include "dialogs/modCmDlgDLL.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <utility>

namespace folionix {

namespace {

OpenFilesDialogHook& OpenFilesHook() {
    static OpenFilesDialogHook hook;
    return hook;
}

FolderDialogHook& FolderHook() {
    static FolderDialogHook hook;
    return hook;
}

QStringList RunOpenFilesDialog(const OpenFilesRequest& request) {
    QFileDialog dialog(request.owner, request.title, request.directory);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog matches name filters without regard to letter case on every platform
    // (the model has no QDir::CaseSensitive flag), which the native ones on Linux do not.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
    dialog.setNameFilters(request.nameFilters);
    if (!request.nameFilters.isEmpty()) {
        dialog.selectNameFilter(request.nameFilters.front());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

QString RunFolderDialog(QWidget* owner, const QString& title, bool includeFiles) {
    QFileDialog::Options options;
    if (!includeFiles) {
        options |= QFileDialog::ShowDirsOnly;
    }
    return QFileDialog::getExistingDirectory(owner, title, QString(), options);
}

} // namespace

QString QtNameFilter(const std::string& description, const std::string& pattern) {
    QStringList globs;
    for (const QString& part : QString::fromStdString(pattern).split(u';')) {
        if (const QString glob = part.trimmed(); !glob.isEmpty()) {
            globs.append(glob);
        }
    }
    return QString::fromStdString(description) + QStringLiteral(" (") + globs.join(u' ') +
           QStringLiteral(")");
}

std::string OpenFilesAnswerText(const QStringList& chosenPaths) {
    if (chosenPaths.isEmpty()) {
        return {};
    }
    std::string answer;
    if (chosenPaths.size() == 1) {
        answer = QDir::toNativeSeparators(QFileInfo(chosenPaths.front()).absoluteFilePath())
                     .toStdString();
        answer.push_back('\0');
        return answer;
    }
    const QString folder = QFileInfo(chosenPaths.front()).absolutePath();
    answer = QDir::toNativeSeparators(folder).toStdString();
    answer.push_back('\0');
    for (const QString& path : chosenPaths) {
        answer += QFileInfo(path).fileName().toStdString();
        answer.push_back('\0');
    }
    return answer;
}

bool ShowOpenFilesDialog(const std::vector<std::string>& descriptions,
                         const std::vector<std::string>& patterns, QWidget* owner,
                         std::string& folder, std::vector<std::string>& names, std::int32_t& count,
                         bool multiSelect, const std::string& initialFolder,
                         bool showNetworkButton) {
    // Qt's dialog has no network button to hide.
    static_cast<void>(showNetworkButton);
    OpenFilesRequest request;
    request.owner = owner;
    request.title = QStringLiteral("Select a File...");
    request.multiSelect = multiSelect;
    request.directory =
        initialFolder.empty() ? QDir::currentPath() : QString::fromStdString(initialFolder);
    for (std::size_t i = 0; i < descriptions.size() && i < patterns.size(); ++i) {
        request.nameFilters.append(QtNameFilter(descriptions[i], patterns[i]));
    }

    const QStringList chosen =
        OpenFilesHook() ? OpenFilesHook()(request) : RunOpenFilesDialog(request);
    if (chosen.isEmpty()) {
        return false;
    }
    // The platform dialog leaves the process in the folder the files came from, so the next
    // dialog opens there.
    QDir::setCurrent(QFileInfo(chosen.front()).absolutePath());
    return ReadOpenFilesAnswer(OpenFilesAnswerText(chosen), folder, names, count);
}

std::string BrowseForFolder(QWidget* owner, const std::string& title, bool allowAnyItem,
                            bool includeFiles) {
    // Every folder Qt offers has a file-system path, so allowAnyItem changes nothing here.
    static_cast<void>(allowAnyItem);
    const QString qtTitle = QString::fromStdString(title);
    const QString chosen =
        FolderHook() ? FolderHook()(owner, qtTitle) : RunFolderDialog(owner, qtTitle, includeFiles);
    if (chosen.isEmpty()) {
        return {};
    }
    // cleanPath drops a trailing separator except on a root ("/" or "C:/").
    return QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(chosen).absoluteFilePath()))
        .toStdString();
}

void SetOpenFilesDialogHook(OpenFilesDialogHook hook) {
    OpenFilesHook() = std::move(hook);
}

void SetFolderDialogHook(FolderDialogHook hook) {
    FolderHook() = std::move(hook);
}

} // namespace folionix
