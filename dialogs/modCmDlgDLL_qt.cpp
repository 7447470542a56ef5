#include "dialogs/modCmDlgDLL_qt.h"

#include "dialogs/modCmDlgDLL.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

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

// Qt's file dialog answers with the files selected in its view, and a name the filter hides is
// never selected there; the platform's dialog answers with the names typed. This one answers
// with the typed names, so that a file the list cannot read is refused with its message rather
// than lost without a word.
class OpenFilesDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    const QStringList& Chosen() const { return chosen_; }

    void accept() override {
        const auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QStringList typed = TypedFileNames(nameBox == nullptr ? QString() : nameBox->text());
        const QDir folder = directory();
        QStringList paths;
        for (const QString& name : typed) {
            paths.append(QDir::cleanPath(folder.absoluteFilePath(name)));
        }
        // One folder typed opens it, as the dialog does; only existing files can be chosen.
        chosen_.clear();
        if (paths.isEmpty() || (paths.size() == 1 && QFileInfo(paths.front()).isDir()) ||
            (paths.size() > 1 && fileMode() != QFileDialog::ExistingFiles)) {
            QFileDialog::accept();
            return;
        }
        for (qsizetype i = 0; i < paths.size(); ++i) {
            if (!QFileInfo(paths[i]).isFile()) {
                QMessageBox::warning(this, windowTitle(),
                                     typed[i] + QStringLiteral("\nFile not found.\nPlease "
                                                               "verify the correct file name "
                                                               "was given."));
                return;
            }
        }
        chosen_ = paths;
        QDialog::accept();
    }

private:
    QStringList chosen_;
};

QStringList RunOpenFilesDialog(const OpenFilesRequest& request) {
    OpenFilesDialog dialog(request.owner, request.title, request.directory);
    dialog.setFileMode(request.multiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog matches name filters without regard to letter case on every platform
    // (its model's filter has no QDir::CaseSensitive flag), which the native ones on Linux do not.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(request.nameFilters);
    if (!request.nameFilters.isEmpty()) {
        dialog.selectNameFilter(request.nameFilters.front());
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.Chosen().isEmpty() ? dialog.selectedFiles() : dialog.Chosen();
}

QString RunFolderDialog(QWidget* owner, const QString& title, bool includeFiles) {
    QFileDialog::Options options;
    if (!includeFiles) {
        options |= QFileDialog::ShowDirsOnly;
    }
    return QFileDialog::getExistingDirectory(owner, title, QString(), options);
}

} // namespace

QStringList TypedFileNames(const QString& text) {
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(u'"')) {
        return trimmed.isEmpty() ? QStringList() : QStringList{trimmed};
    }
    QStringList names;
    qsizetype at = 0;
    while ((at = trimmed.indexOf(u'"', at)) >= 0) {
        const qsizetype end = trimmed.indexOf(u'"', at + 1);
        if (end < 0) {
            break;
        }
        if (const QString name = trimmed.mid(at + 1, end - at - 1); !name.isEmpty()) {
            names.append(name);
        }
        at = end + 1;
    }
    return names;
}

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
