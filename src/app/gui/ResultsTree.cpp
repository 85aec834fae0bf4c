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
    setObjectName("resultsTree");
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setIconSize(QSize(kImageSize, kImageSize));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
}

void ResultsTree::AddResultLine(const std::string& text, bool child, int image) {
    auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(text)});
    if (image >= 0 && image < kImageCount)
        item->setIcon(0, images_[static_cast<std::size_t>(image)]);
    item->setData(0, kImageRole, image);
    if (child && lastTopItem_ != nullptr) {
        lastTopItem_->addChild(item);
        return;
    }
    addTopLevelItem(item);
    if (!child) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        setCurrentItem(item);
        lastTopItem_ = item;
    }
}

void ResultsTree::ClearResults() {
    clear();
    lastTopItem_ = nullptr;
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
