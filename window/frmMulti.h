#pragma once

#include "conversion/modFolionix.h"
#include "window/ImageListWidget.h"
#include "window/modMenu.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QGroupBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace folionix {

// The program's one window. Its controls hold every option of a run and the image list; the
// handlers, named after control and event, hand the work to the conversion code. The window is
// the ConversionHost the builds read while they run.
class frmMulti final : public QWidget, public ConversionHost {
    Q_OBJECT
public:
    explicit frmMulti(QWidget* parent = nullptr);
    ~frmMulti() override;

    // ConversionHost
    std::string FieldText(SettingsField field) const override;
    bool IsSpecifyPageSize() const override;
    bool IsSinglePdf() const override;
    bool IsCentered() const override;
    CheckState ShrinkCheckState() const override;
    ListBox& ImageList() override;
    void ShowMessage(const std::string& text, int style, const std::string& title) override;
    void PumpEvents() override;

    // Where the window's message boxes go instead of the screen (the tests answer them here).
    using MessagePresenter =
        std::function<void(const std::string& text, int style, const std::string& title)>;
    void SetMessagePresenter(MessagePresenter presenter);
    LocalTime Now() const override;
    // The clock the window's runs read instead of the system's (the tests pin it here).
    void SetClock(std::function<LocalTime()> clock);

    // The files named on the command line (`folionix FILE...`), added to the list as one drop of
    // those files would add them: in the order given, a file already listed passed over, a
    // refused one reported with the drop's message. Relative names are taken from the current
    // folder and made absolute, as a drop hands over absolute paths.
    void AddCommandLineFiles(const QStringList& arguments);

    // True while "Save PDF" is running (the writer may let the window handle events meanwhile).
    bool RunInProgress() const { return runInProgress_; }

public slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void List1_MouseDown(int button, int shift, float x, float y);
    void List1_OLEDragDrop(QDropEvent* event);
    // Delete removes the selected entries as "Remove Selected" does; the Menu key and Shift+F10
    // open the list's popup, with a selection, at the first selected row.
    void List1_KeyDown(int keyCode, int shift);
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    // Enables or disables a text box and gives it the button-face or the base background.
    static void SwitchTextBox(QLineEdit* box, bool on);

    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QFrame* Frame3 = nullptr;
    QFrame* Frame4 = nullptr;
    QFrame* Frame5 = nullptr;
    ImageListWidget* List1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr;
    QLineEdit* Text6 = nullptr;
    QLineEdit* Text7 = nullptr;
    QLineEdit* Text8 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QRadioButton* Option6 = nullptr;
    QCheckBox* Check1 = nullptr;

    std::unique_ptr<ListWidgetBox> listBox_;
    QtMenuService menus_;
    MessagePresenter presenter_;
    std::function<LocalTime()> clock_;
    bool runInProgress_ = false;
};

// The window's caption and its fonts: "Tahoma" 8.25 pt where installed, else the desktop's
// sans-serif at the same size; bold is weight 700.
inline constexpr const char* kWindowCaption = "Folionix  v2.0";
QFont WindowFont(bool bold);

// The text Output Path starts with: "C:\" on Windows, the user's home folder elsewhere.
QString DefaultOutputPath();

// The window icon, drawn at 16 x 16 and 32 x 32 in sixteen colours.
QIcon FolionixIcon();
QPixmap DrawFolionixIcon(int size);

// Shows a modal message box: style 16 critical + OK, 48 warning + OK, anything else OK alone.
void ShowQtMessageBox(QWidget* parent, const std::string& text, int style,
                      const std::string& title);

} // namespace folionix
