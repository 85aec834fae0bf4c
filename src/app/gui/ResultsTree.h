#pragma once
// The results tree of the main window: the scan's lines, each with one of the fourteen
// images of the result strip.

#include <QIcon>
#include <QList>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "ui/ResultSink.h"

namespace vextral {

class ResultsTree : public QTreeWidget, public ResultSink {
    Q_OBJECT
  public:
    static constexpr int kImageCount = 14;
    static constexpr int kImageSize = 16;

    explicit ResultsTree(QWidget* parent = nullptr);
    ~ResultsTree() override;

    void AddResultLine(const std::string& text, bool child, int image) override;
    void ClearResults() override;
    void Refresh() override;

    // Puts the lines still held back into the tree and selects the last game line.
    void Flush();
    // Lines at the top level, held back ones included.
    int LineCount() const;

    // Called when lines were added, so the owner can update its buttons.
    std::function<void()> onRefresh;

    // The image an item shows, as its index into the strip (-1 when none).
    static int ImageOf(const QTreeWidgetItem* item);
    const std::vector<QIcon>& images() const { return images_; }

  private:
    void WidenFor(const QString& text, int depth);

    std::vector<QIcon> images_;
    int columnWidth_ = 0;
    QList<QTreeWidgetItem*> pending_;  // top-level lines not yet in the tree
    QTimer flushTimer_;
    QTreeWidgetItem* lastTopItem_ = nullptr;
};

// Registers the window images of this library (safe to call more than once).
void EnsureGuiResources();

// The fourteen images cut from the strip in the resources.
std::vector<QIcon> LoadResultImages();

}  // namespace vextral
