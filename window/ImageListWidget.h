#pragma once

#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMimeData;

namespace folionix {

// The image list's items: one text per row, the only data an entry has. Besides the usual
// signals it changes in whole batches (one signal per batch), and it keeps the width of its
// widest entry, which is the width of every row.
class EntryListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using Measure = std::function<int(const QString& text)>;
    explicit EntryListModel(QObject* parent) : QAbstractListModel(parent) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // The entry text, and as its tip the full path (the folder column is often out of sight).
    QVariant data(const QModelIndex& index, int role) const override;

    const QString& Text(int row) const { return texts_.at(static_cast<std::size_t>(row)); }
    int WidestWidth() const { return widest_; }
    // Grows by one with every change, so that an index of the texts knows when it is stale.
    std::uint64_t Revision() const { return revision_; }
    // How wide a text is drawn; every width is taken again.
    void SetMeasure(Measure measure);

    // Appended at the end.
    void AppendTexts(std::vector<QString> texts);
    // The same number of texts: one change signal for the rows that differ.
    void ReplaceTexts(std::vector<QString> texts);
    // The rows put in a new order: newRow[old] is where old row goes. Everything that points at
    // a row (the current item, the anchor of a Shift selection) follows its entry.
    void PermuteRows(const std::vector<int>& newRow);
    // Removes the rows [first, last].
    void RemoveRowRange(int first, int last);
    // A wholly new list.
    void ResetTexts(std::vector<QString> texts);

private:
    void TakeWidths(std::size_t first);

    std::vector<QString> texts_;
    std::vector<int> widths_;
    int widest_ = 0;
    Measure measure_;
    std::uint64_t revision_ = 0;
};

// The image list's widget: extended selection, accepts drops of files and text, and leaves the
// selection alone on a right button press so that a popup acts on the current selection. All
// rows have one height and the width of the widest entry, so that a change of thousands of rows
// lays the list out once and cheaply.
class ImageListWidget final : public QListView {
    Q_OBJECT
public:
    explicit ImageListWidget(QWidget* parent);

    EntryListModel& Entries() { return *entries_; }
    // The entries' widths changed without a change of rows.
    void RefreshItemSizes() { scheduleDelayedItemsLayout(); }

signals:
    // Every mouse press, with the button as 1 (left), 2 (right) or 4 (middle), the shift state
    // as 1 (Shift) + 2 (Ctrl) + 4 (Alt), and the point in the list's viewport.
    void mouseDown(int button, int shift, float x, float y);
    void filesDropped(QDropEvent* event);
    // The keys the list acts on, by their key code (kKeyDelete, kKeyApps, kKeyF10), with the
    // shift state as for mouseDown. Other keys keep the list's own meaning.
    void keyDown(int keyCode, int shift);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void MeasureWithFont();

    EntryListModel* entries_;
};

inline constexpr int kKeyDelete = 46; // Delete
inline constexpr int kKeyApps = 93;   // the Menu (application) key
inline constexpr int kKeyF10 = 121;   // F10

// Local file URLs become a drop of those files in their order; otherwise text is the plain-text
// case; anything else is an empty drop.
DropData DropDataFromMime(const QMimeData& mime);

// Draws an entry with its tabs expanded to list-box tab stops (every eight average character
// widths), so the folder stands in a column to the right of the name.
class EntryDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The ListBox the conversion code works on, over the list widget. Between BeginChanges and
// EndChanges the conversion code works on a copy of the list, and the widget shows the result
// in one step: moving, adding or removing thousands of entries then costs one layout, not one
// per entry. Outside such a span every change is one such step of its own.
class ListWidgetBox final : public DraftListBox {
public:
    explicit ListWidgetBox(ImageListWidget& list);

    std::int32_t FindString(std::int32_t startAfter, std::string_view prefix) const override;

    void BeginChanges() override;
    void EndChanges() override;
    // Shows the changes so far (before a message box, say); later changes start a new copy.
    void ShowChanges();

private:
    using Working = ListDraft;

    ListDraft* Draft() const override { return Work(); }
    std::int32_t WidgetCount() const override;
    std::string WidgetText(std::int32_t index) const override;
    bool WidgetSelected(std::int32_t index) const override;
    std::int32_t WidgetSelectedCount() const override;

    Working* Work() const;
    void Commit(Working& work);
    void ShowSelection(const std::vector<char>& selected);

    ImageListWidget& list_;
    int depth_ = 0;
    mutable std::optional<Working> working_;
    mutable std::uint64_t indexRevision_ = ~std::uint64_t{0};
};

} // namespace folionix
