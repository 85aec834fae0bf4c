#include "app/gui/AskDialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace vextral {

AskDialog::AskDialog(QWidget* parent, const std::string& caption, const std::string& question)
    : QDialog(parent) {
    setObjectName("askDialog");
    setWindowTitle(QString::fromStdString(caption));
    setModal(true);

    text_ = new QTextEdit(this);
    text_->setObjectName("questionText");
    text_->setReadOnly(true);
    text_->setFrameShadow(QFrame::Sunken);
    text_->setAcceptRichText(false);
    text_->setPlainText(QString::fromStdString(question));
    // Centre every paragraph of the question.
    QTextCursor cursor = text_->textCursor();
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);
    // Room for four lines, as wide as the row of buttons.
    text_->setMinimumWidth(420);
    text_->setFixedHeight(text_->fontMetrics().lineSpacing() * 4 + 2 * text_->frameWidth() +
                          2 * static_cast<int>(text_->document()->documentMargin()));

    auto* buttons = new QHBoxLayout;
    const struct {
        const char* label;
        const char* name;
        AskAnswer answer;
    } kButtons[] = {
        {"&Yes", "yesButton", AskAnswer::Yes},
        {"Yes &To All", "yesToAllButton", AskAnswer::YesToAll},
        {"No To &All", "noToAllButton", AskAnswer::NoToAll},
        {"&No", "noButton", AskAnswer::No},
        {"&Stop", "stopButton", AskAnswer::Stop},
    };
    for (const auto& entry : kButtons) {
        auto* button = new QPushButton(QString::fromUtf8(entry.label), this);
        button->setObjectName(entry.name);
        const AskAnswer answer = entry.answer;
        connect(button, &QPushButton::clicked, this, [this, answer] { Answer(answer); });
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
}

void AskDialog::Answer(AskAnswer answer) {
    answer_ = answer;
    done(QDialog::Accepted);
}

void AskDialog::reject() {
    answer_ = AskAnswer::Closed;
    QDialog::reject();
}

AskAnswer AskDialog::Ask() {
    answer_ = AskAnswer::Closed;
    exec();
    return answer_;
}

AskAnswer AskDialog::AskUser(const std::string& caption, const std::string& question) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    AskDialog dialog(owner, caption, question);
    return dialog.Ask();
}

}  // namespace vextral
