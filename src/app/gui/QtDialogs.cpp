#include "app/gui/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "app/gui/AskDialog.h"

namespace vextral {

namespace {

QWidget* ActiveOwner() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Stop:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

std::string ToLocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Runs a chooser that opens in start; the chosen path, and start moved to its folder.
QString RunChooser(QFileDialog& dialog, QString& start, bool chosenIsTheFolder) {
    dialog.setDirectory(start);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    start = chosenIsTheFolder ? chosen : QFileInfo(chosen).absolutePath();
    return chosen;
}

}  // namespace

QtDialogs::QtDialogs()
    : folderStart_(QDir::homePath()), openStart_(QDir::homePath()), saveStart_(QDir::homePath()) {}

MessageResult QtDialogs::ShowMessage(const std::string& text, const std::string& caption,
                                     MessageIcon icon, MessageButtons buttons) {
    QMessageBox box(ActiveOwner());
    box.setWindowTitle(QString::fromStdString(caption));
    // Game descriptions and paths are data: never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    box.setIcon(ToQtIcon(icon));
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setEscapeButton(QMessageBox::No);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok:
            return MessageResult::Ok;
        case QMessageBox::Yes:
            return MessageResult::Yes;
        case QMessageBox::No:
            return MessageResult::No;
        case QMessageBox::Cancel:
            return MessageResult::Cancel;
        default:
            break;
    }
    // A Yes/No box closed some other way counts as No, an OK/Cancel box as Cancel.
    if (buttons == MessageButtons::YesNo)
        return MessageResult::No;
    if (buttons == MessageButtons::OkCancel)
        return MessageResult::Cancel;
    return MessageResult::Ok;
}

AskAnswer QtDialogs::AskUser(const std::string& caption, const std::string& question) {
    return AskDialog::AskUser(caption, question);
}

std::string QtDialogs::BrowseForFolder(const std::string& prompt) {
    QFileDialog dialog(ActiveOwner(), QString::fromStdString(prompt));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    const QString folder = RunChooser(dialog, folderStart_, /*chosenIsTheFolder=*/true);
    if (folder.isEmpty())
        return {};
    std::string result = ToLocalPath(folder);
    if (result.back() != '/')
        result += '/';
    return result;
}

std::optional<std::string> QtDialogs::ChooseOpenFile() {
    QFileDialog dialog(ActiveOwner());
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QString file = RunChooser(dialog, openStart_, /*chosenIsTheFolder=*/false);
    if (file.isEmpty())
        return std::nullopt;
    return ToLocalPath(file);
}

std::optional<std::string> QtDialogs::ChooseSaveFile(const std::string& filter,
                                                     const std::string& defaultExtension) {
    QFileDialog dialog(ActiveOwner());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(ToQtNameFilter(filter));
    QString suffix = QString::fromStdString(defaultExtension);
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    // With a default suffix the dialog appends it and asks before replacing a file.
    dialog.setDefaultSuffix(suffix);
    const QString file = RunChooser(dialog, saveStart_, /*chosenIsTheFolder=*/false);
    if (file.isEmpty())
        return std::nullopt;
    return ToLocalPath(file);
}

QString ToQtNameFilter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty())
            break;
        // Qt reads the patterns from the parentheses of the description.
        if (description.contains(QLatin1Char('('))) {
            filters << description;
        } else {
            QString qtPatterns = patterns;
            qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
            filters << description + QStringLiteral(" (") + qtPatterns + QLatin1Char(')');
        }
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace vextral
