#include "app/gui/ResultsTree.h"

#include <QHeaderView>
#include <QPainter>
#include <QPixmap>

// The images live in this static library: their registration must be pulled in by hand.
static void InitGuiResources() {
    Q_INIT_RESOURCE(resources);
}

namespace vextral {

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kStripSizes[] = {16, 32, 48};
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};
// Half the room left around an expand arrow by the tree lines.
constexpr int kArrowHalf = 5;
}  // namespace

void EnsureGuiResources() {
    static const bool registered = [] {
        InitGuiResources();
        return true;
    }();
    (void)registered;
}

std::vector<QIcon> LoadResultImages() {
    EnsureGuiResources();
    std::vector<QIcon> images(ResultsTree::kImageCount);
    for (const int size : kStripSizes) {
        const QPixmap strip(QStringLiteral(":/images/results-%1.png").arg(size));
        if (strip.isNull())
            continue;
        for (int i = 0; i < ResultsTree::kImageCount; ++i) {
            const QPixmap image = strip.copy(i * size, 0, size, size);
            // The same image whether the line is selected or not.
            images[static_cast<std::size_t>(i)].addPixmap(image, QIcon::Normal);
            images[static_cast<std::size_t>(i)].addPixmap(image, QIcon::Selected);
        }
    }
    return images;
}

QIcon ProgramIcon() {
    EnsureGuiResources();
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addFile(QStringLiteral(":/images/vextral-%1.png").arg(size), QSize(size, size));
    return icon;
}

ResultsTree::ResultsTree(QWidget* parent) : QTreeWidget(parent), images_(LoadResultImages()) {
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(150);
    connect(&flushTimer_, &QTimer::timeout, this, &ResultsTree::Flush);
    setObjectName("resultsTree");
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setIconSize(QSize(kImageSize, kImageSize));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The column grows with the widest line as lines come in; measuring all lines on every
    // change would make a long scan quadratic.
    header()->setSectionResizeMode(QHeaderView::Fixed);
    header()->setStretchLastSection(false);
}

void ResultsTree::AddResultLine(const std::string& text, bool child, int image) {
    auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(text)});
    if (image >= 0 && image < kImageCount)
        item->setIcon(0, images_[static_cast<std::size_t>(image)]);
    item->setData(0, kImageRole, image);
    const bool under = child && lastTopItem_ != nullptr;
    WidenFor(item->text(0), under ? 2 : 1);
    if (under) {
        // Cheap even in the tree: the parent is collapsed.
        lastTopItem_->addChild(item);
        return;
    }
    if (!child) {
        lastTopItem_ = item;
        topLinePending_ = true;
    }
    // Every line added at the root lays out the whole tree again at the next event: lines are
    // handed over in batches so that a long scan stays linear.
    pending_.append(item);
    if (!flushTimer_.isActive())
        flushTimer_.start();
}

ResultsTree::~ResultsTree() {
    qDeleteAll(pending_);
}

void ResultsTree::Flush() {
    flushTimer_.stop();
    if (pending_.isEmpty())
        return;
    addTopLevelItems(pending_);
    pending_.clear();
    if (topLinePending_)
        setCurrentItem(lastTopItem_);
    topLinePending_ = false;
}

int ResultsTree::LineCount() const {
    return topLevelItemCount() + static_cast<int>(pending_.size());
}

void ResultsTree::ClearResults() {
    flushTimer_.stop();
    qDeleteAll(pending_);
    pending_.clear();
    clear();
    lastTopItem_ = nullptr;
    topLinePending_ = false;
    columnWidth_ = 0;
    setColumnWidth(0, viewport()->width());
}

void ResultsTree::WidenFor(const QString& text, int depth) {
    const int width =
        depth * indentation() + iconSize().width() + fontMetrics().horizontalAdvance(text) + 16;
    if (width > columnWidth_) {
        columnWidth_ = width;
        setColumnWidth(0, std::max(width, viewport()->width()));
    }
}

void ResultsTree::resizeEvent(QResizeEvent* event) {
    QTreeWidget::resizeEvent(event);
    // The column spans the grown view too, so a selected line is marked across it.
    setColumnWidth(0, std::max(columnWidth_, viewport()->width()));
}

void ResultsTree::Refresh() {
    if (onRefresh)
        onRefresh();
}

void ResultsTree::drawBranches(QPainter* painter, const QRect& rect,
                               const QModelIndex& index) const {
    QTreeWidget::drawBranches(painter, rect, index);
    const int indent = indentation();
    if (indent <= 0)
        return;
    painter->save();
    painter->setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DotLine));
    const int top = rect.top();
    const int bottom = rect.bottom();
    const int middle = rect.center().y();
    // The rightmost column is the line's own: a branch to it, and the stem on to the next
    // sibling; every column left of it carries an ancestor's stem while that one has a sibling
    // below.
    int left = rect.right() + 1 - indent;
    const int gap = model()->hasChildren(index) ? kArrowHalf : 0;
    int stem = left + indent / 2;
    painter->drawLine(stem + gap, middle, left + indent - 2, middle);
    if (index.parent().isValid() || index.row() > 0)
        painter->drawLine(stem, top, stem, middle - gap);
    if (index.sibling(index.row() + 1, 0).isValid())
        painter->drawLine(stem, middle + gap, stem, bottom);
    for (QModelIndex ancestor = index.parent(); ancestor.isValid() && left - indent >= rect.left();
         ancestor = ancestor.parent()) {
        left -= indent;
        stem = left + indent / 2;
        if (ancestor.sibling(ancestor.row() + 1, 0).isValid())
            painter->drawLine(stem, top, stem, bottom);
    }
    painter->restore();
}

int ResultsTree::ImageOf(const QTreeWidgetItem* item) {
    const QVariant value = item->data(0, kImageRole);
    return value.isValid() ? value.toInt() : -1;
}

}  // namespace vextral
