#include "window/ImageListWidget.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <memory>

namespace folionix {

namespace {

bool CanTake(const QMimeData* mime) {
    return mime != nullptr && (mime->hasUrls() || mime->hasText());
}

int ShiftState(Qt::KeyboardModifiers modifiers) {
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) +
           (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) +
           (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

int ButtonNumber(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// The folder column is often scrolled out of sight, so an entry's tip shows its full path.
QString FullPathOf(const std::string& entry) {
    std::string name;
    std::string folder;
    SplitListEntry(entry, name, folder);
    return QString::fromStdString(folder + name);
}

// A list box's tab stop: 32 dialog units, i.e. eight average character widths.
int TabStop(const QFontMetrics& metrics) {
    return 8 * std::max(1, metrics.averageCharWidth());
}

// Left edges of the tab-separated pieces of a text, and the width of the whole.
QList<int> PieceOffsets(const QStringList& pieces, const QFontMetrics& metrics, int& width) {
    const int stop = TabStop(metrics);
    QList<int> offsets;
    int x = 0;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            x = (x / stop + 1) * stop;
        }
        offsets.append(x);
        x += metrics.horizontalAdvance(pieces[i]);
    }
    width = x;
    return offsets;
}

} // namespace

ImageListWidget::ImageListWidget(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setItemDelegate(new EntryDelegate(this));
}

void ImageListWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const int shift = ShiftState(event->modifiers());
    if (event->button() == Qt::RightButton) {
        // The item view would select the item under the pointer first.
        event->accept();
    } else {
        QListWidget::mousePressEvent(event);
    }
    emit mouseDown(ButtonNumber(event->button()), shift, static_cast<float>(at.x()),
                   static_cast<float>(at.y()));
}

void ImageListWidget::mouseReleaseEvent(QMouseEvent* event) {
    // The view finishes a selection on release; a right button never began one.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mouseReleaseEvent(event);
}

void ImageListWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (CanTake(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ImageListWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (CanTake(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ImageListWidget::dropEvent(QDropEvent* event) {
    if (!CanTake(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit filesDropped(event);
}

DropData DropDataFromMime(const QMimeData& mime) {
    DropData data;
    if (mime.hasUrls()) {
        for (const QUrl& url : mime.urls()) {
            if (url.isLocalFile()) {
                data.files.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
            }
        }
    }
    if (data.files.empty() && mime.hasText()) {
        data.hasText = true;
        data.text = mime.text().toStdString();
    }
    return data;
}

void EntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = item.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QStringList pieces = text.split(u'\t');
    int width = 0;
    const QList<int> offsets = PieceOffsets(pieces, item.fontMetrics, width);
    const int margin = 2;
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const QRect piece(area.left() + margin + offsets[i], area.top(),
                          item.fontMetrics.horizontalAdvance(pieces[i]) + 1, area.height());
        painter->drawText(piece, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, pieces[i]);
    }
    painter->restore();
}

QSize EntryDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    int width = 0;
    static_cast<void>(PieceOffsets(item.text.split(u'\t'), item.fontMetrics, width));
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    return {width + 8, base.height()};
}

std::int32_t ListWidgetBox::ListCount() const {
    return static_cast<std::int32_t>(list_.count());
}

std::string ListWidgetBox::ItemText(std::int32_t index) const {
    const QListWidgetItem* item = list_.item(index);
    return item == nullptr ? std::string() : item->text().toStdString();
}

void ListWidgetBox::SetItemText(std::int32_t index, const std::string& text) {
    if (QListWidgetItem* item = list_.item(index); item != nullptr) {
        item->setText(QString::fromStdString(text));
        item->setToolTip(FullPathOf(text));
    }
}

bool ListWidgetBox::IsSelected(std::int32_t index) const {
    const QListWidgetItem* item = list_.item(index);
    return item != nullptr && item->isSelected();
}

void ListWidgetBox::SetSelected(std::int32_t index, bool selected) {
    if (QListWidgetItem* item = list_.item(index); item != nullptr) {
        item->setSelected(selected);
    }
}

std::int32_t ListWidgetBox::SelectedCount() const {
    return static_cast<std::int32_t>(list_.selectedItems().size());
}

void ListWidgetBox::AddItem(const std::string& text) {
    list_.addItem(QString::fromStdString(text));
    list_.item(list_.count() - 1)->setToolTip(FullPathOf(text));
}

void ListWidgetBox::RemoveItem(std::int32_t index) {
    const std::unique_ptr<QListWidgetItem> removed(list_.takeItem(index));
}

} // namespace folionix
