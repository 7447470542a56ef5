#include "window/frmMulti.h"

#include "dialogs/modCmDlgDLL.h"
#include "dialogs/modCmDlgDLL_qt.h"
#include "pdf/modPDF.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <exception>
#include <string>
#include <utility>
#include <vector>

namespace folionix {

namespace {

// Positions are kept in twips, as the layout was drawn; the window shows them at 15 twips to the
// pixel.
constexpr int kTwipsPerPixel = 15;
QRect FromTwips(int left, int top, int width, int height) {
    return {left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
            height / kTwipsPerPixel};
}

// Runs a handler's work so that no exception leaves a Qt slot; what escapes is reported.
template <typename Work> void RunHandler(ConversionHost& host, Work&& work) {
    try {
        work();
    } catch (const std::exception& error) {
        host.ShowMessage(std::string("Unexpected error: ") + error.what(), kStyleCritical, "Error");
    } catch (...) {
        host.ShowMessage("Unexpected error.", kStyleCritical, "Error");
    }
}

// The menu service with the pointer's place taken by a point of the window's choosing: the list's
// popup opened from the keyboard shows at the first selected row.
class MenusAt final : public MenuService {
public:
    MenusAt(MenuService& menus, QPoint at) : menus_(menus), at_(at) {}
    std::intptr_t NewMenu(bool popup) override { return menus_.NewMenu(popup); }
    bool AddMenuItem(std::intptr_t menu, const std::string& caption, std::int32_t& id,
                     std::int32_t idBase) override {
        return menus_.AddMenuItem(menu, caption, id, idBase);
    }
    bool ShowPopupMenu(std::intptr_t menu, std::int32_t& id, std::string& text, std::int32_t x,
                       std::int32_t y) override {
        if (x == -1 && y == -1) {
            x = at_.x();
            y = at_.y();
        }
        return menus_.ShowPopupMenu(menu, id, text, x, y);
    }
    bool DestroyMenuAll(std::intptr_t menu) override { return menus_.DestroyMenuAll(menu); }

private:
    MenuService& menus_;
    QPoint at_;
};

// Sets a flag for the life of a scope.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

QFont WindowFont(bool bold) {
    const QString tahoma = QStringLiteral("Tahoma");
    const bool haveTahoma = QFontDatabase::families().contains(tahoma);
    QFont font = haveTahoma ? QFont(tahoma) : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!haveTahoma) {
        // The usual desktop sans-serifs run wider than Tahoma, for which the controls were
        // sized; their semi-condensed cut (where the family has one) keeps the labels whole.
        font.setStretch(QFont::SemiCondensed);
    }
    font.setPointSizeF(8.25);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}

QString DefaultOutputPath() {
#ifdef _WIN32
    return QStringLiteral("C:\\");
#else
    return QDir::toNativeSeparators(QDir::homePath());
#endif
}

void ShowQtMessageBox(QWidget* parent, const std::string& text, int style,
                      const std::string& title) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (style == kStyleCritical) {
        icon = QMessageBox::Critical;
    } else if (style == kStyleExclamation) {
        icon = QMessageBox::Warning;
    }
    QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Ok, parent);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

frmMulti::frmMulti(QWidget* parent) : QWidget(parent), menus_(this) {
    setObjectName(QStringLiteral("frmMulti"));
    setWindowTitle(QString::fromLatin1(kWindowCaption));
    setWindowIcon(FolionixIcon());
    setFont(WindowFont(false));
    setFixedSize(8925 / kTwipsPerPixel, 5820 / kTwipsPerPixel);
    CreateControls();
    SetTabOrder();
    listBox_ = std::make_unique<ListWidgetBox>(*List1);
}

frmMulti::~frmMulti() = default;

void frmMulti::ShowMessage(const std::string& text, int style, const std::string& title) {
    // The list shows what was added before the message, as it would entry by entry.
    listBox_->ShowChanges();
    if (presenter_) {
        presenter_(text, style, title);
        return;
    }
    ShowQtMessageBox(this, text, style, title);
}

void frmMulti::PumpEvents() {
    QCoreApplication::processEvents();
}

void frmMulti::SetMessagePresenter(MessagePresenter presenter) {
    presenter_ = std::move(presenter);
}

LocalTime frmMulti::Now() const {
    return clock_ ? clock_() : CurrentLocalTime();
}

void frmMulti::SetClock(std::function<LocalTime()> clock) {
    clock_ = std::move(clock);
}

void frmMulti::CreateControls() {
    const QFont regular = WindowFont(false);
    const QFont bold = WindowFont(true);
    auto place = [&](QWidget* control, const char* name, QRect twips, bool isBold) {
        control->setObjectName(QString::fromLatin1(name));
        control->setGeometry(twips);
        control->setFont(isBold ? bold : regular);
    };
    auto label = [&](QWidget* parent, const char* name, const char* text, QRect at, bool isBold,
                     bool blue) {
        auto* control = new QLabel(QString::fromUtf8(text), parent);
        place(control, name, at, isBold);
        if (blue) {
            QPalette palette = control->palette();
            palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
            control->setPalette(palette);
        }
        return control;
    };
    auto textBox = [&](QWidget* parent, const char* name, const QString& text, QRect at) {
        auto* control = new QLineEdit(text, parent);
        place(control, name, at, false);
        SwitchTextBox(control, true);
        return control;
    };
    auto button = [&](QWidget* parent, const char* name, const char* text, QRect at, bool isBold) {
        auto* control = new QPushButton(QString::fromLatin1(text), parent);
        place(control, name, at, isBold);
        control->setAutoDefault(false);
        return control;
    };
    auto option = [&](QWidget* parent, const char* name, const char* text, QRect at, bool on) {
        auto* control = new QRadioButton(QString::fromLatin1(text), parent);
        place(control, name, at, false);
        control->setChecked(on);
        return control;
    };
    auto frame = [&](QWidget* parent, const char* name, QRect at) {
        auto* control = new QFrame(parent);
        place(control, name, at, false);
        control->setFrameShape(QFrame::NoFrame);
        return control;
    };

    Frame1 = new QGroupBox(QStringLiteral("JPEG Files"), this);
    place(Frame1, "Frame1", FromTwips(90, 135, 3435, 5145), true);
    List1 = new ImageListWidget(Frame1);
    place(List1, "List1", FromTwips(135, 270, 3165, 4245), false);
    Command4 =
        button(Frame1, "Command4", "Remove Selected", FromTwips(135, 4680, 1590, 330), false);
    Command2 = button(Frame1, "Command2", "Add Files", FromTwips(2115, 4680, 1185, 330), true);

    Frame2 = new QGroupBox(QStringLiteral("Output Options"), this);
    place(Frame2, "Frame2", FromTwips(3600, 135, 5235, 5145), true);
    label(Frame2, "Label1", "Output Path:", FromTwips(135, 360, 1410, 240), true, true);
    Text1 = textBox(Frame2, "Text1", DefaultOutputPath(), FromTwips(1350, 315, 3300, 285));
    Command1 = button(Frame2, "Command1", "...", FromTwips(4725, 315, 420, 285), false);

    Frame3 = frame(Frame2, "Frame3", FromTwips(135, 765, 4830, 2355));
    label(Frame3, "Label5", "Page Size Settings:", FromTwips(0, 0, 2715, 195), true, true);
    Option1 = option(Frame3, "Option1", "Match Image Size + Margins", FromTwips(45, 225, 3345, 285),
                     false);
    Option2 = option(Frame3, "Option2", "Specify Page Size", FromTwips(45, 495, 1770, 285), true);
    label(Frame3, "Label2", "Width (inches):", FromTwips(585, 765, 1275, 195), false, false);
    Text2 = textBox(Frame3, "Text2", QStringLiteral("8.5"), FromTwips(1755, 720, 735, 285));
    label(Frame3, "Label4", "Height (inches):", FromTwips(2790, 765, 1275, 195), false, false);
    Text4 = textBox(Frame3, "Text4", QStringLiteral("11"), FromTwips(4005, 720, 735, 285));
    Check1 = new QCheckBox(QStringLiteral("Shrink Over-Sized Images"), Frame3);
    place(Check1, "Check1", FromTwips(585, 1080, 2490, 195), false);
    Check1->setChecked(true);
    label(Frame3, "Label6", "Margins:", FromTwips(0, 1485, 1095, 195), true, true);
    label(Frame3, "Label7", "Top (inches):", FromTwips(585, 1710, 1050, 195), false, false);
    Text5 = textBox(Frame3, "Text5", QStringLiteral("0"), FromTwips(1755, 1665, 735, 285));
    label(Frame3, "Label8", "Bottom (inches):", FromTwips(2700, 1710, 1275, 195), false, false);
    Text6 = textBox(Frame3, "Text6", QStringLiteral("0"), FromTwips(4005, 1665, 735, 285));
    label(Frame3, "Label9", "Left (inches):", FromTwips(585, 1980, 1050, 195), false, false);
    Text7 = textBox(Frame3, "Text7", QStringLiteral("0"), FromTwips(1755, 1980, 735, 285));
    label(Frame3, "Label10", "Right (inches):", FromTwips(2790, 2025, 1185, 195), false, false);
    Text8 = textBox(Frame3, "Text8", QStringLiteral("0"), FromTwips(4005, 1980, 735, 285));

    Frame5 = frame(Frame2, "Frame5", FromTwips(135, 3150, 5010, 825));
    label(Frame5, "Label12", "Image Position:", FromTwips(0, 0, 1905, 195), true, true);
    Option5 = option(Frame5, "Option5", "Centered", FromTwips(45, 225, 1770, 285), true);
    Option6 = option(Frame5, "Option6", "Top-Left Corner", FromTwips(45, 495, 2355, 285), false);

    Frame4 = frame(Frame2, "Frame4", FromTwips(135, 4050, 4515, 1050));
    label(Frame4, "Label11", "PDF Files:", FromTwips(0, 0, 1095, 195), true, true);
    Option4 = option(Frame4, "Option4", "Multiple PDF Files", FromTwips(45, 225, 1770, 285), false);
    Option3 = option(Frame4, "Option3", "Single PDF File", FromTwips(45, 495, 1500, 285), true);
    label(Frame4, "Label3", "File Name:", FromTwips(585, 765, 915, 195), false, false);
    Text3 = textBox(Frame4, "Text3", QStringLiteral("JPEG_Output.PDF"),
                    FromTwips(1530, 720, 2715, 285));

    Command3 = button(this, "Command3", "Save PDF", FromTwips(7830, 5400, 1005, 330), true);
    label(this, "Label15", "Images kept unchanged", FromTwips(90, 5445, 2085, 240), false, true);
    label(this, "Label13", "Folionix \u2014 JPEG/JP2 to PDF", FromTwips(2520, 5445, 2355, 240),
          false, true);

    connect(Command1, &QPushButton::clicked, this, &frmMulti::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMulti::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmMulti::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmMulti::Command4_Click);
    connect(List1, &ImageListWidget::mouseDown, this, &frmMulti::List1_MouseDown);
    connect(List1, &ImageListWidget::filesDropped, this, &frmMulti::List1_OLEDragDrop);
    connect(List1, &ImageListWidget::keyDown, this, &frmMulti::List1_KeyDown);
    // Tab enters an option pair at its chosen button; the arrow keys move within the pair, and
    // the mouse reaches either button.
    for (QRadioButton* control : {Option1, Option2, Option3, Option4, Option5, Option6}) {
        auto takeTabStop = [control](bool checked) {
            control->setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
        };
        takeTabStop(control->isChecked());
        connect(control, &QRadioButton::toggled, control, takeTabStop);
    }
    // An option's click is its becoming the chosen one, by mouse, keyboard or code.
    auto onChosen = [this](QRadioButton* control, void (frmMulti::*handler)()) {
        connect(control, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked) {
                (this->*handler)();
            }
        });
    };
    onChosen(Option1, &frmMulti::Option1_Click);
    onChosen(Option2, &frmMulti::Option2_Click);
    onChosen(Option3, &frmMulti::Option3_Click);
    onChosen(Option4, &frmMulti::Option4_Click);
}

void frmMulti::SetTabOrder() {
    // The controls that take focus, by their tab index.
    const std::vector<QWidget*> order{
        Text1, Command1, Option1, Option2, Text2,   List1,   Text3,    Option3, Option4,  Text4,
        Text5, Text6,    Text7,   Text8,   Option5, Option6, Command3, Check1,  Command2, Command4};
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
    Text1->setFocus();
}

void frmMulti::SwitchTextBox(QLineEdit* box, bool on) {
    box->setEnabled(on);
    const QPalette scheme = QApplication::palette(box);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base,
                     scheme.color(QPalette::Active, on ? QPalette::Base : QPalette::Button));
    box->setPalette(palette);
}

std::string frmMulti::FieldText(SettingsField field) const {
    const QLineEdit* box = nullptr;
    switch (field) {
    case SettingsField::OutputPath:
        box = Text1;
        break;
    case SettingsField::PageWidth:
        box = Text2;
        break;
    case SettingsField::FileName:
        box = Text3;
        break;
    case SettingsField::PageHeight:
        box = Text4;
        break;
    case SettingsField::MarginTop:
        box = Text5;
        break;
    case SettingsField::MarginBottom:
        box = Text6;
        break;
    case SettingsField::MarginLeft:
        box = Text7;
        break;
    case SettingsField::MarginRight:
        box = Text8;
        break;
    }
    return box == nullptr ? std::string() : box->text().toStdString();
}

bool frmMulti::IsSpecifyPageSize() const {
    return Option2->isChecked();
}
bool frmMulti::IsSinglePdf() const {
    return Option3->isChecked();
}
bool frmMulti::IsCentered() const {
    return Option5->isChecked();
}

CheckState frmMulti::ShrinkCheckState() const {
    switch (Check1->checkState()) {
    case Qt::Checked:
        return CheckState::Checked;
    case Qt::PartiallyChecked:
        return CheckState::Grayed;
    default:
        return CheckState::Unchecked;
    }
}

ListBox& frmMulti::ImageList() {
    return *listBox_;
}

void frmMulti::Command1_Click() {
    RunHandler(*this, [this] {
        const std::string path = BrowseForFolder(this, "Select a Folder...", /*allowAnyItem*/ true,
                                                 /*includeFiles*/ false);
        if (!path.empty()) {
            Text1->setText(QString::fromStdString(path));
        }
    });
}

void frmMulti::Command2_Click() {
    if (runInProgress_) {
        return;
    }
    RunHandler(*this, [this] {
        const OpenFileFilters& filters = AddFilesFilters();
        std::string folder;
        std::vector<std::string> names;
        std::int32_t count = 0;
        static_cast<void>(ShowOpenFilesDialog(filters.descriptions, filters.patterns, this, folder,
                                              names, count,
                                              /*multiSelect*/ true, /*initialFolder*/ "",
                                              /*showNetworkButton*/ true));
        const ListChanges changes(*listBox_);
        static_cast<void>(AddSelectedFiles(*this, folder, names, count));
    });
}

void frmMulti::Command3_Click() {
    if (runInProgress_) {
        return;
    }
    const FlagScope running(runInProgress_);
    RunHandler(*this, [this] {
        const RunReport report = RunConversion(*this);
        if (report.outcome == RunOutcome::Failed) {
            // A run refused before writing says everything in its own message.
            ShowMessage(report.refusedBeforeWriting
                            ? report.failure
                            : "The PDF could not be finished: " + report.failure,
                        kStyleCritical, "Error");
        }
    });
}

void frmMulti::Command4_Click() {
    if (runInProgress_) {
        return;
    }
    RunHandler(*this, [this] {
        const ListChanges changes(*listBox_);
        RemoveSelected(*listBox_);
    });
}

void frmMulti::List1_MouseDown(int button, int shift, float x, float y) {
    static_cast<void>(shift);
    static_cast<void>(x);
    static_cast<void>(y);
    if (runInProgress_ || button != 2 || listBox_->SelectedCount() < 1) {
        return;
    }
    RunHandler(*this, [this] {
        const ListChanges changes(*listBox_);
        ShowListMenu(*listBox_, menus_);
    });
}

void frmMulti::List1_KeyDown(int keyCode, int shift) {
    if (runInProgress_) {
        return;
    }
    if (keyCode == kKeyDelete && shift == 0) {
        Command4_Click();
        return;
    }
    const bool menuKey = (keyCode == kKeyApps && shift == 0) || (keyCode == kKeyF10 && shift == 1);
    if (!menuKey || listBox_->SelectedCount() < 1) {
        return;
    }
    RunHandler(*this, [this] {
        QModelIndex top;
        for (const QItemSelectionRange& range : List1->selectionModel()->selection()) {
            if (!top.isValid() || range.top() < top.row()) {
                top = range.topLeft();
            }
        }
        List1->scrollTo(top);
        const QRect row = List1->visualRect(top);
        const QPoint at = List1->viewport()->mapToGlobal(row.bottomLeft());
        MenusAt menus(menus_, at);
        const ListChanges changes(*listBox_);
        ShowListMenu(*listBox_, menus);
    });
}

void frmMulti::List1_OLEDragDrop(QDropEvent* event) {
    if (runInProgress_ || event == nullptr || event->mimeData() == nullptr) {
        return;
    }
    RunHandler(*this, [this, event] {
        const ListChanges changes(*listBox_);
        static_cast<void>(AddDroppedFiles(*this, DropDataFromMime(*event->mimeData())));
    });
}

void frmMulti::AddCommandLineFiles(const QStringList& arguments) {
    if (arguments.isEmpty()) {
        return;
    }
    DropData drop;
    const QDir current = QDir::current();
    for (const QString& argument : arguments) {
        drop.files.push_back(
            QDir::toNativeSeparators(QDir::cleanPath(current.absoluteFilePath(argument)))
                .toStdString());
    }
    RunHandler(*this, [this, &drop] {
        const ListChanges changes(*listBox_);
        static_cast<void>(AddDroppedFiles(*this, drop));
    });
}

void frmMulti::Option1_Click() {
    SwitchTextBox(Text2, false);
    SwitchTextBox(Text4, false);
}

void frmMulti::Option2_Click() {
    SwitchTextBox(Text2, true);
    SwitchTextBox(Text4, true);
}

void frmMulti::Option3_Click() {
    SwitchTextBox(Text3, true);
}

void frmMulti::Option4_Click() {
    SwitchTextBox(Text3, false);
}

void frmMulti::closeEvent(QCloseEvent* event) {
    // A document half closed is of no use: the window stays until the run is over.
    if (runInProgress_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace folionix
