#include "window/ImageListWidget.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QHash>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUrl>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

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

ImageListWidget::ImageListWidget(QWidget* parent)
    : QListView(parent), entries_(new EntryListModel(this)) {
    setModel(entries_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setItemDelegate(new EntryDelegate(this));
    MeasureWithFont();
}

void ImageListWidget::MeasureWithFont() {
    // Widths add up the advances of single characters, which the cache answers without shaping
    // text: twenty thousand entries are measured in milliseconds. Kerning is left out, so one
    // average character is added for it.
    const QFontMetrics metrics(font());
    auto advances = std::make_shared<QHash<char16_t, int>>();
    entries_->SetMeasure([metrics, advances](const QString& text) {
        const int stop = TabStop(metrics);
        int x = 0;
        for (const QChar c : text) {
            if (c == u'\t') {
                x = (x / stop + 1) * stop;
                continue;
            }
            auto found = advances->find(c.unicode());
            if (found == advances->end()) {
                found = advances->insert(c.unicode(), metrics.horizontalAdvance(c));
            }
            x += found.value();
        }
        return x + metrics.averageCharWidth();
    });
}

void ImageListWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        MeasureWithFont();
    }
    QListView::changeEvent(event);
}

void ImageListWidget::keyPressEvent(QKeyEvent* event) {
    const int shift = ShiftState(event->modifiers());
    int keyCode = 0;
    if (event->key() == Qt::Key_Delete) {
        keyCode = kKeyDelete;
    } else if (event->key() == Qt::Key_Menu) {
        keyCode = kKeyApps;
    } else if (event->key() == Qt::Key_F10) {
        keyCode = kKeyF10;
    }
    if (keyCode == 0) {
        QListView::keyPressEvent(event);
        return;
    }
    event->accept();
    emit keyDown(keyCode, shift);
}

void ImageListWidget::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const int shift = ShiftState(event->modifiers());
    if (event->button() == Qt::RightButton) {
        // The item view would select the item under the pointer first.
        event->accept();
    } else {
        QListView::mousePressEvent(event);
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
    QListView::mouseReleaseEvent(event);
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
    // Every row is as wide as the widest entry (the list asks for one size for all rows).
    const auto* entries = qobject_cast<const EntryListModel*>(index.model());
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    return {entries == nullptr ? base.width() : entries->WidestWidth() + 8, base.height()};
}

// --- EntryListModel -----------------------------------------------------------------------------

int EntryListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(texts_.size());
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) {
        return {};
    }
    const QString& text = Text(index.row());
    if (role == Qt::DisplayRole) {
        return text;
    }
    if (role == Qt::ToolTipRole) {
        return FullPathOf(text.toStdString());
    }
    return {};
}

void EntryListModel::SetMeasure(Measure measure) {
    measure_ = std::move(measure);
    widths_.clear();
    TakeWidths(0);
}

void EntryListModel::TakeWidths(std::size_t first) {
    widths_.resize(first);
    widest_ = widths_.empty() ? 0 : *std::max_element(widths_.begin(), widths_.end());
    for (std::size_t row = first; row < texts_.size(); ++row) {
        widths_.push_back(measure_ ? measure_(texts_[row]) : 0);
        widest_ = std::max(widest_, widths_.back());
    }
}

void EntryListModel::AppendTexts(std::vector<QString> texts) {
    if (texts.empty()) {
        return;
    }
    const std::size_t first = texts_.size();
    beginInsertRows(QModelIndex(), static_cast<int>(first),
                    static_cast<int>(first + texts.size() - 1));
    texts_.insert(texts_.end(), std::make_move_iterator(texts.begin()),
                  std::make_move_iterator(texts.end()));
    TakeWidths(first);
    ++revision_;
    endInsertRows();
}

void EntryListModel::ReplaceTexts(std::vector<QString> texts) {
    int first = -1;
    int last = -1;
    for (std::size_t row = 0; row < texts.size() && row < texts_.size(); ++row) {
        if (texts[row] != texts_[row]) {
            first = first < 0 ? static_cast<int>(row) : first;
            last = static_cast<int>(row);
            texts_[row] = std::move(texts[row]);
            widths_[row] = measure_ ? measure_(texts_[row]) : 0;
        }
    }
    if (first < 0) {
        return;
    }
    widest_ = *std::max_element(widths_.begin(), widths_.end());
    ++revision_;
    emit dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::ToolTipRole});
}

void EntryListModel::PermuteRows(const std::vector<int>& newRow) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<QString> texts(texts_.size());
    std::vector<int> widths(widths_.size());
    for (std::size_t old = 0; old < newRow.size(); ++old) {
        const auto to = static_cast<std::size_t>(newRow[old]);
        texts[to] = std::move(texts_[old]);
        widths[to] = widths_[old];
    }
    texts_ = std::move(texts);
    widths_ = std::move(widths);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& old : from) {
        to.append(index(newRow.at(static_cast<std::size_t>(old.row()))));
    }
    changePersistentIndexList(from, to);
    ++revision_;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void EntryListModel::RemoveRowRange(int first, int last) {
    beginRemoveRows(QModelIndex(), first, last);
    texts_.erase(texts_.begin() + first, texts_.begin() + last + 1);
    widths_.erase(widths_.begin() + first, widths_.begin() + last + 1);
    widest_ = widths_.empty() ? 0 : *std::max_element(widths_.begin(), widths_.end());
    ++revision_;
    endRemoveRows();
}

void EntryListModel::ResetTexts(std::vector<QString> texts) {
    beginResetModel();
    texts_ = std::move(texts);
    TakeWidths(0);
    ++revision_;
    endResetModel();
}

// --- ListWidgetBox ------------------------------------------------------------------------------

ListWidgetBox::ListWidgetBox(ImageListWidget& list) : list_(list) {}

ListWidgetBox::Working* ListWidgetBox::Work() const {
    if (depth_ == 0) {
        return nullptr;
    }
    if (!working_) {
        const EntryListModel& entries = list_.Entries();
        Working work;
        const int count = entries.rowCount();
        work.texts.reserve(static_cast<std::size_t>(count));
        work.origin.reserve(static_cast<std::size_t>(count));
        for (int row = 0; row < count; ++row) {
            work.texts.push_back(entries.Text(row).toStdString());
            work.origin.push_back(row);
        }
        work.selected.assign(static_cast<std::size_t>(count), 0);
        for (const QItemSelectionRange& range : list_.selectionModel()->selection()) {
            for (int row = range.top(); row <= range.bottom() && row < count; ++row) {
                work.selected[static_cast<std::size_t>(row)] = 1;
                ++work.selectedCount;
            }
        }
        working_ = std::move(work);
    }
    return &*working_;
}

std::int32_t ListWidgetBox::WidgetCount() const {
    return list_.Entries().rowCount();
}

std::string ListWidgetBox::WidgetText(std::int32_t index) const {
    return IsValidRow(index) ? list_.Entries().Text(index).toStdString() : std::string();
}

bool ListWidgetBox::WidgetSelected(std::int32_t index) const {
    return IsValidRow(index) && list_.selectionModel()->isSelected(list_.Entries().index(index));
}

std::int32_t ListWidgetBox::WidgetSelectedCount() const {
    std::int32_t count = 0;
    for (const QItemSelectionRange& range : list_.selectionModel()->selection()) {
        count += range.height();
    }
    return count;
}

std::int32_t ListWidgetBox::FindString(std::int32_t startAfter, std::string_view prefix) const {
    // The index holds the texts of the copy being worked on, or of the widget's model at the
    // revision it was built for.
    if (!working_ && indexRevision_ != list_.Entries().Revision()) {
        index_.MarkStale();
        indexRevision_ = list_.Entries().Revision();
    }
    return index_.FindString(*this, startAfter, prefix);
}

void ListWidgetBox::BeginChanges() {
    if (depth_ == 0 && indexRevision_ != list_.Entries().Revision()) {
        index_.MarkStale();
    }
    ++depth_;
}

void ListWidgetBox::EndChanges() {
    ShowChanges();
    --depth_;
}

void ListWidgetBox::ShowChanges() {
    if (!working_) {
        return;
    }
    Working work = std::move(*working_);
    working_.reset();
    Commit(work);
    // The index described the copy, which the model now shows.
    indexRevision_ = list_.Entries().Revision();
}

void ListWidgetBox::Commit(Working& work) {
    EntryListModel& entries = list_.Entries();
    const auto oldCount = static_cast<std::size_t>(entries.rowCount());
    const std::size_t count = work.texts.size();
    std::size_t kept = 0; // leading rows that are still the rows they were
    while (kept < count && work.origin[kept] == static_cast<std::int32_t>(kept)) {
        ++kept;
    }
    const bool appendedOnly = !work.removed && !work.textsChanged && kept == oldCount;

    if (appendedOnly) {
        std::vector<QString> added;
        for (std::size_t row = oldCount; row < count; ++row) {
            added.push_back(QString::fromStdString(work.texts[row]));
        }
        entries.AppendTexts(std::move(added));
        if (work.selectionChanged) {
            ShowSelection(work.selected);
        }
        return;
    }

    // From here the selection is shown anew; cleared first, the model's changes need not carry
    // thousands of selected rows along.
    list_.selectionModel()->clearSelection();
    if (!work.removed && count == oldCount) {
        // Texts moved between rows: when each changed row holds a text another changed row held,
        // the rows are put in their new order, so that the current item follows its entry.
        std::unordered_map<std::string, std::vector<int>> oldRowsOfText;
        std::vector<int> changed;
        for (std::size_t row = 0; row < count; ++row) {
            const QString& old = entries.Text(static_cast<int>(row));
            if (work.texts[row] != old.toStdString()) {
                changed.push_back(static_cast<int>(row));
                oldRowsOfText[old.toStdString()].push_back(static_cast<int>(row));
            }
        }
        std::vector<int> newRow(count);
        for (std::size_t row = 0; row < count; ++row) {
            newRow[row] = static_cast<int>(row);
        }
        bool permutation = true;
        for (const int row : changed) {
            auto found = oldRowsOfText.find(work.texts[static_cast<std::size_t>(row)]);
            if (found == oldRowsOfText.end() || found->second.empty()) {
                permutation = false;
                break;
            }
            newRow[static_cast<std::size_t>(found->second.back())] = row;
            found->second.pop_back();
        }
        if (permutation && !changed.empty()) {
            entries.PermuteRows(newRow);
        } else {
            std::vector<QString> texts;
            texts.reserve(count);
            for (const std::string& text : work.texts) {
                texts.push_back(QString::fromStdString(text));
            }
            entries.ReplaceTexts(std::move(texts));
            list_.RefreshItemSizes();
        }
    } else if (!work.textsChanged && std::all_of(work.origin.begin(), work.origin.end(),
                                                 [](std::int32_t origin) { return origin >= 0; })) {
        // Rows removed, the others unchanged: a few runs of rows go one by one, so that the
        // current item and the scroll position stay; many runs make one new list.
        std::vector<std::pair<int, int>> runs; // removed [first, last], ascending
        std::size_t next = 0;
        for (std::size_t row = 0; row <= count; ++row) {
            const std::size_t origin =
                row < count ? static_cast<std::size_t>(work.origin[row]) : oldCount;
            if (origin > next) {
                runs.emplace_back(static_cast<int>(next), static_cast<int>(origin - 1));
            }
            next = origin + 1;
        }
        constexpr std::size_t kRunsRemovedOneByOne = 64;
        if (runs.size() <= kRunsRemovedOneByOne) {
            for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
                entries.RemoveRowRange(run->first, run->second);
            }
        } else {
            const int currentRow = list_.currentIndex().row();
            const int scrolled = list_.verticalScrollBar()->value();
            std::vector<QString> texts;
            texts.reserve(count);
            int newCurrent = -1;
            for (std::size_t row = 0; row < count; ++row) {
                texts.push_back(QString::fromStdString(work.texts[row]));
                if (newCurrent < 0 && work.origin[row] >= currentRow) {
                    newCurrent = static_cast<int>(row);
                }
            }
            entries.ResetTexts(std::move(texts));
            if (currentRow >= 0 && count > 0) {
                newCurrent = newCurrent < 0 ? static_cast<int>(count) - 1 : newCurrent;
                list_.selectionModel()->setCurrentIndex(entries.index(newCurrent),
                                                        QItemSelectionModel::NoUpdate);
            }
            list_.verticalScrollBar()->setValue(scrolled);
        }
    } else {
        std::vector<QString> texts;
        texts.reserve(count);
        for (const std::string& text : work.texts) {
            texts.push_back(QString::fromStdString(text));
        }
        entries.ResetTexts(std::move(texts));
    }
    ShowSelection(work.selected);
}

void ListWidgetBox::ShowSelection(const std::vector<char>& selected) {
    EntryListModel& entries = list_.Entries();
    QItemSelection selection;
    const auto count = static_cast<int>(selected.size());
    for (int row = 0; row < count;) {
        if (selected[static_cast<std::size_t>(row)] == 0) {
            ++row;
            continue;
        }
        const int first = row;
        while (row < count && selected[static_cast<std::size_t>(row)] != 0) {
            ++row;
        }
        selection.append(QItemSelectionRange(entries.index(first), entries.index(row - 1)));
    }
    list_.selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

} // namespace folionix
