#include "app/core/QtSettingsStore.h"

#include <QStringList>

#include "platform/UserFolders.h"

namespace vextral {

namespace {

QString Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section + "/" + name);
}

}  // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(UserConfigFolder() + "vextral.ini") {}

QtSettingsStore::QtSettingsStore(const std::string& filePath)
    : settings_(QString::fromStdString(filePath), QSettings::IniFormat) {}

std::optional<int> QtSettingsStore::ReadInt(const std::string& section, const std::string& name) {
    const QVariant value = settings_.value(Key(section, name));
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    // A value that is no number was not written by us: treat it as absent.
    if (!ok)
        return std::nullopt;
    return number;
}

std::optional<std::string> QtSettingsStore::ReadString(const std::string& section,
                                                       const std::string& name) {
    const QVariant value = settings_.value(Key(section, name));
    if (!value.isValid())
        return std::nullopt;
    // A hand-edited value with an unquoted comma comes back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1Char(',')).toStdString();
    }
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().toStdString();
    return value.toString().toStdString();
}

void QtSettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    settings_.setValue(Key(section, name), value);
}

void QtSettingsStore::WriteString(const std::string& section, const std::string& name,
                                  const std::string& value) {
    // Paths are bytes: a name that is not UTF-8 would come back with replacement characters
    // as text, so it is stored as a byte array (older files hold text and still read).
    const QByteArray bytes = QByteArray::fromStdString(value);
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes)
        settings_.setValue(Key(section, name), text);
    else
        settings_.setValue(Key(section, name), bytes);
}

bool QtSettingsStore::Sync() {
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

std::string QtSettingsStore::FilePath() const {
    return settings_.fileName().toStdString();
}

}  // namespace vextral
