// The window at start-up: every control under its name, in its place, with its text and state.
#include "WindowTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

#include <map>

namespace folionix::test {
namespace {

struct ControlRow {
    const char* name;
    const char* kind; // Qt class
    const char* parent;
    const char* text;             // caption or initial text; nullptr when not checked here
    int left, top, width, height; // twips
    bool bold;
    bool blue;
};

void PrintTo(const ControlRow& row, std::ostream* out) {
    *out << row.name;
}

const ControlRow kControls[] = {
    {"Frame1", "QGroupBox", "frmMulti", "JPEG Files", 90, 135, 3435, 5145, true, false},
    {"List1", "folionix::ImageListWidget", "Frame1", nullptr, 135, 270, 3165, 4245, false, false},
    {"Command4", "QPushButton", "Frame1", "Remove Selected", 135, 4680, 1590, 330, false, false},
    {"Command2", "QPushButton", "Frame1", "Add Files", 2115, 4680, 1185, 330, true, false},
    {"Frame2", "QGroupBox", "frmMulti", "Output Options", 3600, 135, 5235, 5145, true, false},
    {"Label1", "QLabel", "Frame2", "Output Path:", 135, 360, 1410, 240, true, true},
    {"Text1", "QLineEdit", "Frame2", nullptr, 1350, 315, 3300, 285, false, false},
    {"Command1", "QPushButton", "Frame2", "...", 4725, 315, 420, 285, false, false},
    {"Frame3", "QFrame", "Frame2", nullptr, 135, 765, 4830, 2355, false, false},
    {"Label5", "QLabel", "Frame3", "Page Size Settings:", 0, 0, 2715, 195, true, true},
    {"Option1", "QRadioButton", "Frame3", "Match Image Size + Margins", 45, 225, 3345, 285, false,
     false},
    {"Option2", "QRadioButton", "Frame3", "Specify Page Size", 45, 495, 1770, 285, false, false},
    {"Label2", "QLabel", "Frame3", "Width (inches):", 585, 765, 1275, 195, false, false},
    {"Text2", "QLineEdit", "Frame3", "8.5", 1755, 720, 735, 285, false, false},
    {"Label4", "QLabel", "Frame3", "Height (inches):", 2790, 765, 1275, 195, false, false},
    {"Text4", "QLineEdit", "Frame3", "11", 4005, 720, 735, 285, false, false},
    {"Check1", "QCheckBox", "Frame3", "Shrink Over-Sized Images", 585, 1080, 2490, 195, false,
     false},
    {"Label6", "QLabel", "Frame3", "Margins:", 0, 1485, 1095, 195, true, true},
    {"Label7", "QLabel", "Frame3", "Top (inches):", 585, 1710, 1050, 195, false, false},
    {"Text5", "QLineEdit", "Frame3", "0", 1755, 1665, 735, 285, false, false},
    {"Label8", "QLabel", "Frame3", "Bottom (inches):", 2700, 1710, 1275, 195, false, false},
    {"Text6", "QLineEdit", "Frame3", "0", 4005, 1665, 735, 285, false, false},
    {"Label9", "QLabel", "Frame3", "Left (inches):", 585, 1980, 1050, 195, false, false},
    {"Text7", "QLineEdit", "Frame3", "0", 1755, 1980, 735, 285, false, false},
    {"Label10", "QLabel", "Frame3", "Right (inches):", 2790, 2025, 1185, 195, false, false},
    {"Text8", "QLineEdit", "Frame3", "0", 4005, 1980, 735, 285, false, false},
    {"Frame5", "QFrame", "Frame2", nullptr, 135, 3150, 5010, 825, false, false},
    {"Label12", "QLabel", "Frame5", "Image Position:", 0, 0, 1905, 195, true, true},
    {"Option5", "QRadioButton", "Frame5", "Centered", 45, 225, 1770, 285, false, false},
    {"Option6", "QRadioButton", "Frame5", "Top-Left Corner", 45, 495, 2355, 285, false, false},
    {"Frame4", "QFrame", "Frame2", nullptr, 135, 4050, 4515, 1050, false, false},
    {"Label11", "QLabel", "Frame4", "PDF Files:", 0, 0, 1095, 195, true, true},
    {"Option4", "QRadioButton", "Frame4", "Multiple PDF Files", 45, 225, 1770, 285, false, false},
    {"Option3", "QRadioButton", "Frame4", "Single PDF File", 45, 495, 1500, 285, false, false},
    {"Label3", "QLabel", "Frame4", "File Name:", 585, 765, 915, 195, false, false},
    {"Text3", "QLineEdit", "Frame4", "JPEG_Output.PDF", 1530, 720, 2715, 285, false, false},
    {"Command3", "QPushButton", "frmMulti", "Save PDF", 7830, 5400, 1005, 330, true, false},
    {"Label15", "QLabel", "frmMulti", nullptr, 90, 5445, 2085, 240, false, true},
    {"Label13", "QLabel", "frmMulti", nullptr, 2520, 5445, 2355, 240, false, true},
};

class ControlAtStartUp : public WindowTest, public ::testing::WithParamInterface<ControlRow> {};

QString CaptionOf(const QWidget* control) {
    if (const auto* box = qobject_cast<const QGroupBox*>(control)) {
        return box->title();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        return button->text();
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text();
    }
    return {};
}

TEST_P(ControlAtStartUp, HasItsKindPlaceTextAndFont) {
    const ControlRow& row = GetParam();
    const QWidget* control = Control<QWidget>(row.name);
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->metaObject()->className(), row.kind);
    EXPECT_EQ(control->parentWidget()->objectName().toStdString(), row.parent);
    if (row.text != nullptr) {
        EXPECT_EQ(CaptionOf(control).toStdString(), row.text);
    }
    EXPECT_EQ(control->geometry(),
              QRect(row.left / 15, row.top / 15, row.width / 15, row.height / 15));
    EXPECT_EQ(control->font().weight(), row.bold ? QFont::Bold : QFont::Normal);
    EXPECT_DOUBLE_EQ(control->font().pointSizeF(), 8.25);
    EXPECT_EQ(control->font().family(), WindowFont(false).family());
    if (row.blue) {
        EXPECT_EQ(control->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    } else if (qobject_cast<const QLabel*>(control) != nullptr) {
        EXPECT_NE(control->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    }
    EXPECT_TRUE(control->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(EveryControl, ControlAtStartUp, ::testing::ValuesIn(kControls),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(WindowTest, WindowHasCaptionFixedClientAreaAndIcon) {
    EXPECT_EQ(window->windowTitle().toStdString(), "Folionix  v2.0");
    EXPECT_EQ(window->size(), QSize(595, 388));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
}

TEST_F(WindowTest, OptionsAndListStartAtTheirDefaults) {
    EXPECT_FALSE(Control<QRadioButton>("Option1")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("Option2")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("Option3")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("Option4")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("Option5")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("Option6")->isChecked());
    EXPECT_EQ(Control<QCheckBox>("Check1")->checkState(), Qt::Checked);
    EXPECT_EQ(Control<QListView>("List1")->model()->rowCount(), 0);
    EXPECT_EQ(Control<QListView>("List1")->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(Control<QListView>("List1")->viewport()->acceptDrops());
#ifdef _WIN32
    EXPECT_EQ(Control<QLineEdit>("Text1")->text().toStdString(), "C:\\");
#else
    EXPECT_EQ(Control<QLineEdit>("Text1")->text(), QDir::toNativeSeparators(QDir::homePath()));
#endif
    const QColor base = QApplication::palette().color(QPalette::Active, QPalette::Base);
    for (const char* name :
         {"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text7", "Text8"}) {
        EXPECT_EQ(Control<QLineEdit>(name)->palette().color(QPalette::Base), base) << name;
    }
}

TEST_F(WindowTest, OptionPairsAreExclusiveOnlyWithinTheirFrame) {
    Control<QRadioButton>("Option1")->click();
    Control<QRadioButton>("Option4")->click();
    Control<QRadioButton>("Option6")->click();
    EXPECT_TRUE(Control<QRadioButton>("Option1")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("Option2")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("Option4")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("Option3")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("Option6")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("Option5")->isChecked());
}

} // namespace
} // namespace folionix::test

namespace folionix::test {
namespace {

TEST_F(WindowTest, CaptionsFitTheirControls) {
    // Labels, buttons and options keep their table sizes, so the fonts must let them show their
    // whole captions (an option or check box also needs room for its indicator).
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
            << label->objectName().toStdString();
    }
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        const int room = qobject_cast<const QPushButton*>(button) != nullptr ? button->width() - 4
                                                                             : button->width() - 20;
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), room)
            << button->objectName().toStdString();
    }
}

} // namespace
} // namespace folionix::test
