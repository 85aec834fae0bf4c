#include "app/gui/ResultsTree.h"

#include <QHeaderView>
#include <QPixmap>

// The images live in this static library: their registration must be pulled in by hand.
static void InitGuiResources() {
    Q_INIT_RESOURCE(resources);
}

namespace vextral {

namespace {
constexpr int kImageRole = Qt::UserRole + 1;
}

void EnsureGuiResources() {
    static const bool registered = [] {
        InitGuiResources();
        return true;
    }();
    (void)registered;
}

std::vector<QIcon> LoadResultImages() {
    EnsureGuiResources();
    const QPixmap strip(QStringLiteral(":/images/results.png"));
    std::vector<QIcon> images;
    images.reserve(ResultsTree::kImageCount);
    for (int i = 0; i < ResultsTree::kImageCount; ++i) {
        const QPixmap image = strip.isNull()
                                  ? QPixmap()
                                  : strip.copy(i * ResultsTree::kImageSize, 0,
                                               ResultsTree::kImageSize, ResultsTree::kImageSize);
        QIcon icon;
        // The same image whether the line is selected or not.
        icon.addPixmap(image, QIcon::Normal);
        icon.addPixmap(image, QIcon::Selected);
        images.push_back(icon);
    }
    return images;
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
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        lastTopItem_ = item;
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
    QTreeWidgetItem* last = nullptr;
    for (QTreeWidgetItem* item : pending_) {
        if (item->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator)
            last = item;
    }
    addTopLevelItems(pending_);
    pending_.clear();
    if (last != nullptr)
        setCurrentItem(last);
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

void ResultsTree::Refresh() {
    if (onRefresh)
        onRefresh();
}

int ResultsTree::ImageOf(const QTreeWidgetItem* item) {
    const QVariant value = item->data(0, kImageRole);
    return value.isValid() ? value.toInt() : -1;
}

}  // namespace vextral
