#pragma once

#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"

#include <QListWidget>
#include <QStyledItemDelegate>

#include <functional>

class QMimeData;

namespace folionix {

// The image list's widget: extended selection, accepts drops of files and text, and leaves the
// selection alone on a right button press so that a popup acts on the current selection.
class ImageListWidget final : public QListWidget {
    Q_OBJECT
public:
    explicit ImageListWidget(QWidget* parent);

signals:
    // Every mouse press, with the button as 1 (left), 2 (right) or 4 (middle), the shift state
    // as 1 (Shift) + 2 (Ctrl) + 4 (Alt), and the point in the list's viewport.
    void mouseDown(int button, int shift, float x, float y);
    void filesDropped(QDropEvent* event);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

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

// The ListBox the conversion code works on, over a list widget.
class ListWidgetBox final : public ListBox {
public:
    explicit ListWidgetBox(QListWidget& list) : list_(list) {}

    std::int32_t ListCount() const override;
    std::string ItemText(std::int32_t index) const override;
    void SetItemText(std::int32_t index, const std::string& text) override;
    bool IsSelected(std::int32_t index) const override;
    void SetSelected(std::int32_t index, bool selected) override;
    std::int32_t SelectedCount() const override;
    void AddItem(const std::string& text) override;
    void RemoveItem(std::int32_t index) override;

private:
    QListWidget& list_;
};

} // namespace folionix
