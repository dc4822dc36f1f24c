// The settings file: where it lies, and what a hand-edited file reads as.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "qt/qt_settings_store.h"

#ifdef _WIN32
#include <stdlib.h>
#endif

namespace trawlix::app {
namespace {

// Sets an environment variable with any letters in it, also where the 8-bit code page of
// Windows has none for them.
void setEnvironment(const char* name, const QString& value) {
#ifdef _WIN32
    _wputenv_s(QString::fromLatin1(name).toStdWString().c_str(), value.toStdWString().c_str());
#else
    qputenv(name, value.toUtf8());
#endif
}

QString readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

#ifdef _WIN32
TEST(SettingsFile, LiesInTheRoamingApplicationDataFolderOnWindows) {
    // An application name of the test's own, so that the user's Korvane.ini stays untouched.
    const QString application =
        QString("TrawlixSettingsTest%1").arg(QCoreApplication::applicationPid());
    const QString path = QDir(qEnvironmentVariable("APPDATA")).filePath(application + ".ini");
    QtSettingsStore store;
    store.SaveSetting(application.toStdString(), "Port", "Port", "5");
    EXPECT_TRUE(readFile(path).contains("Port=5")) << path.toStdString();
    EXPECT_EQ(store.GetSetting(application.toStdString(), "Port", "Port", "2"), "5");
    QFile::remove(path);
}
#endif

TEST(SettingsFile, AFolderNamedInAnyLettersHoldsIt) {
    QTemporaryDir base;
    const QString folder =
        base.filePath(QString::fromUtf8("Z\xC3\xBCrich \xE8\xB7\xAF\xE7\xBA\xBF"));
    ASSERT_TRUE(QDir().mkpath(folder));
    setEnvironment("TRAWLIX_CONFIG_DIR", folder);
    QtSettingsStore store;
    store.SaveSetting(kSettingsApplication, "Port", "Port", "7");
    EXPECT_TRUE(readFile(QDir(folder).filePath("Korvane.ini")).contains("Port=7"));
}

TEST(SettingsFile, ValuesEditedByHandReadAsWritten) {
    QTemporaryDir folder;
    setEnvironment("TRAWLIX_CONFIG_DIR", folder.path());
    QFile file(QDir(folder.path()).filePath("Korvane.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Port]\r\nSettings=4800,N,8,1\r\nPort=3\r\n[Devices]\r\nPort3=COM12\r\n");
    file.close();
    QtSettingsStore store;
    const std::pair<const char*, const char*> cases[] = {
        {"Settings", "4800,N,8,1"}, {"Port", "3"}, {"Missing", "fallback"}};
    for (const auto& [key, value] : cases) {
        EXPECT_EQ(store.GetSetting(kSettingsApplication, "Port", key, "fallback"), value) << key;
    }
    EXPECT_EQ(store.GetSetting(kSettingsApplication, "Devices", "Port3", ""), "COM12");
}

}  // namespace
}  // namespace trawlix::app
