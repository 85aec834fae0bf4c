#pragma once
// The results tree of the main window: the scan's lines, each with one of the fourteen
// images of the result strip, joined by tree lines.

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
    static constexpr int kImageSize = 16;  // device-independent pixels

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

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // The style's expand arrows, and dotted lines from each line to its parent and siblings.
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;

  private:
    void WidenFor(const QString& text, int depth);

    std::vector<QIcon> images_;
    int columnWidth_ = 0;
    QList<QTreeWidgetItem*> pending_;  // top-level lines not yet in the tree
    QTimer flushTimer_;
    QTreeWidgetItem* lastTopItem_ = nullptr;
    bool topLinePending_ = false;  // lastTopItem_ is among the held-back lines
};

// Registers the window images of this library (safe to call more than once).
void EnsureGuiResources();

// The fourteen images cut from the strips in the resources, each drawn at 16, 32 and 48
// pixels so that a screen scaled by 2 or 3 gets a sharp one.
std::vector<QIcon> LoadResultImages();

// The program's icon at every size it is drawn at.
QIcon ProgramIcon();

}  // namespace vextral
