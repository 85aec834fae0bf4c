#include "app/gui/ProgressDialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

namespace vextral {

ProgressDialog::ProgressDialog(QWidget* owner) : QDialog(nullptr), owner_(owner) {
    // Not a child of the owner: disabling the owner must leave this window usable.
    setObjectName("progressDialog");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setModal(false);

    status_ = new QLabel(this);
    status_->setObjectName("statusText");
    status_->setAlignment(Qt::AlignCenter);
    status_->setTextFormat(Qt::PlainText);
    status_->setMinimumWidth(320);

    percent_ = new QLabel(QStringLiteral(" 0 %"), this);
    percent_->setObjectName("percentText");
    percent_->setAlignment(Qt::AlignCenter);
    percent_->setTextFormat(Qt::PlainText);

    bar_ = new QProgressBar(this);
    bar_->setObjectName("progressBar");
    bar_->setTextVisible(false);

    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    stop_->setObjectName("stopButton");
    stop_->setDefault(true);
    connect(stop_, &QPushButton::clicked, this, &ProgressDialog::OnStop);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(stop_);
    buttonRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(percent_);
    layout->addWidget(bar_);
    layout->addLayout(buttonRow);
    // A fixed size: the window manager offers no maximise button, and a long description
    // neither resizes the window nor lays it out again.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    status_->setFixedWidth(status_->minimumWidth());
    UpdateBar();

    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        ShowPending();
        repaintDue_ = true;
    });
}

ProgressDialog::~ProgressDialog() {
    if (isVisible() || ownerWasDisabled_)
        CloseProgress();
}

void ProgressDialog::SetOwner(QWidget* owner) {
    owner_ = owner;
}

bool ProgressDialog::OpenProgress(const std::string& caption) {
    QWidget* top = owner_ ? owner_->window() : nullptr;
    if (top != nullptr && top->isEnabled()) {
        top->setEnabled(false);
        ownerWasDisabled_ = true;
    }
    setWindowTitle(QString::fromStdString(caption));
    // One window serves every action: a stop confirmed after the last action stopped
    // looking must not end the next one.
    state_.ClearStopRequest();
    state_.ResetPosition();
    status_->clear();
    percent_->setText(QStringLiteral(" 0 %"));
    textPending_ = false;
    positionPending_ = false;
    pendingPercent_.clear();
    dispatchedThisStep_ = false;
    repaintDue_ = true;
    UpdateBar();
    // Kept above the owner by the window system without being its child widget.
    if (top != nullptr && top->windowHandle() != nullptr) {
        winId();
        if (windowHandle() != nullptr)
            windowHandle()->setTransientParent(top->windowHandle());
    }
    show();
    raise();
    if (!isVisible()) {
        CloseProgress();
        return false;
    }
    refreshTimer_.start();
    return true;
}

void ProgressDialog::SetProgressText(const std::string& text) {
    pendingText_ = text;
    textPending_ = true;
}

void ProgressDialog::ShowPending() {
    if (textPending_) {
        textPending_ = false;
        // A plain-text label shows '&' as it is; no mnemonic processing applies.
        status_->setText(QString::fromStdString(pendingText_));
    }
    if (positionPending_) {
        positionPending_ = false;
        UpdateBar();
        if (!pendingPercent_.isEmpty() && percent_->text() != pendingPercent_)
            percent_->setText(pendingPercent_);
    }
}

void ProgressDialog::SetProgressRange(int lower, int upper) {
    state_.SetRange(lower, upper);
    UpdateBar();
}

void ProgressDialog::SetProgressStep(int step) {
    state_.SetStep(step);
}

void ProgressDialog::UpdateBar() {
    // An empty range would turn the bar into a busy indicator; show it empty instead.
    if (state_.Upper() > state_.Lower()) {
        bar_->setRange(state_.Lower(), state_.Upper());
        bar_->setValue(state_.Position());
    } else {
        bar_->setRange(0, 1);
        bar_->setValue(0);
    }
}

void ProgressDialog::DispatchEvents() {
    QCoreApplication::processEvents();
}

void ProgressDialog::AdvanceProgress() {
    DispatchEvents();
    dispatchedThisStep_ = true;
    const std::string text = state_.Advance();
    if (!text.empty())
        pendingPercent_ = QString::fromStdString(text);
    positionPending_ = true;
}

bool ProgressDialog::IsStopRequested() {
    if (!dispatchedThisStep_)
        DispatchEvents();
    dispatchedThisStep_ = false;
    return state_.TakeStopRequest();
}

void ProgressDialog::CloseProgress() {
    if (owner_) {
        QWidget* top = owner_->window();
        if (ownerWasDisabled_)
            top->setEnabled(true);
        if (top->isMinimized()) {
            top->showNormal();
        } else if (!top->isVisible()) {
            top->show();
        }
    }
    ownerWasDisabled_ = false;
    refreshTimer_.stop();
    hide();
}

void ProgressDialog::Repaint() {
    // Callers repaint before work that dispatches nothing for a while (running mame); in a
    // loop that dispatches every step, painting more often than the refresh is waste.
    if (!repaintDue_ || !isVisible())
        return;
    repaintDue_ = false;
    ShowPending();
    repaint();
}

void ProgressDialog::OnStop() {
    if (asking_)
        return;
    asking_ = true;
    // An earlier confirmed stop that was not read yet is withdrawn by a No.
    state_.ClearStopRequest();
    const auto answer = QMessageBox::question(this, QStringLiteral("Stop action ?"),
                                              QStringLiteral("Do you really want to stop ?"),
                                              QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes)
        state_.RequestStop();
    asking_ = false;
}

void ProgressDialog::reject() {
    OnStop();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    OnStop();
}

void ProgressDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !owner_)
        return;
    // Minimising the progress window takes the main window with it; restoring brings it back.
    QWidget* top = owner_->window();
    if (isMinimized()) {
        top->hide();
    } else if (isVisible() && !top->isVisible()) {
        top->show();
    }
}

}  // namespace vextral
