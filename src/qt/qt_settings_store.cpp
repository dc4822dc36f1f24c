#include "qt/qt_settings_store.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace trawlix::app {
namespace {

QString settingKey(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + "/" + QString::fromStdString(key);
}

}  // namespace

QtSettingsStore::QtSettingsStore() {
    // Read as text: on Windows the 8-bit form of the variable has no letters for most names.
    const QString folder = qEnvironmentVariable("TRAWLIX_CONFIG_DIR");
    if (!folder.isEmpty()) {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    }
}

std::string QtSettingsStore::GetSetting(const std::string& application, const std::string& section,
                                        const std::string& key, const std::string& defaultValue) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(application));
    const QVariant value = settings.value(settingKey(section, key));
    if (!value.isValid()) {
        return defaultValue;
    }
    // A value edited by hand without quotes, such as Settings=4800,N,8,1, reads as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(',').toStdString();
    }
    return value.toString().toStdString();
}

void QtSettingsStore::SaveSetting(const std::string& application, const std::string& section,
                                  const std::string& key, const std::string& value) {
    QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromStdString(application));
    settings.setValue(settingKey(section, key), QString::fromStdString(value));
}

}  // namespace trawlix::app
