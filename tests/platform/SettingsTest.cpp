// The settings file: what each kind of file gives, the earlier versions'
// files merged once, and the values set for one run.
#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qel;

namespace {

class SettingsFixture : public ::testing::Test {
protected:
    SettingsFixture() {
        before_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        QDir().mkpath(folder());
    }
    ~SettingsFixture() override {
        Settings::instance().reset();
        if (before_.isNull()) qunsetenv("XDG_CONFIG_HOME");
        else qputenv("XDG_CONFIG_HOME", before_);
    }
    QString folder() const { return config_.filePath("qelplayer"); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(folder() + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QTemporaryDir config_;
    QByteArray before_;
};

}  // namespace

TEST_F(SettingsFixture, EachKindOfFileGivesItsValuesOrTheDefaults) {
    struct Case {
        QByteArray file;
        const char* name;
        const char* expected;
    } cases[] = {
        {"[display]\nfullscreen=true\n", "fullscreen", "true"},
        {"[display]\nfullscreen=1\n", "fullscreen", "true"},
        {"[display]\nfullscreen=abc\n", "fullscreen", "false"},
        {"[display]\nfullscreen=-3\n", "fullscreen", "false"},
        {"[display]\nfullscreen=on\n", "fullscreen", "false"},  // on/off only on the command line
        {"[display]\nscale=9\n", "scale", "auto"},
        {"[display]\nscale=3\n", "scale", "3"},
        {"[display]\nscale=3, 4\n", "scale", "auto"},  // a list is no value
        {"[reading]\nauto-char-ms=1500\n", "auto-char-ms", "60"},
        {"[reading]\nauto-char-ms=40\n", "auto-char-ms", "40"},
        {"[reading]\nskip=all\n", "skip", "all"},
        {"[reading]\nskip=some\n", "skip", "read"},
        {QByteArray("\xff\xfe\x00[\n=\n[[[]]\x1b\x07\n=true\nauto\n", 24), "auto", "false"},
        {"auto=true\n", "auto", "false"},                                                       // outside its section
        {QByteArray(2 * 1024 * 1024, 'x').prepend("[reading]\nauto=true\n"), "auto", "false"},  // over 1 MB
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.left(40).toStdString());
        write("settings.ini", c.file);
        Settings::instance().load();
        EXPECT_EQ(Settings::instance().text(c.name).toStdString(), c.expected);
    }
    // An oversized file is replaced at the first change, not read again.
    Settings::instance().setFlag("auto", true);
    EXPECT_LT(QFile(Settings::filePath()).size(), 1000);
    Settings::instance().load();
    EXPECT_TRUE(Settings::instance().flag("auto"));
}

TEST_F(SettingsFixture, TheEarlierFilesAreMergedOnce) {
    write("qelplayer.conf", "[display]\nscale=3\nfullscreen=true\n");
    write("qelplayer.ini", "[chooser]\nlastFolder=/games/one\n");
    Settings::instance().load();
    EXPECT_EQ(Settings::instance().text("scale"), "3");
    EXPECT_TRUE(Settings::instance().flag("fullscreen"));
    EXPECT_EQ(Settings::instance().text("last-folder"), "/games/one");
    ASSERT_TRUE(QFile::exists(Settings::filePath()));
    write("qelplayer.conf", "[display]\nscale=5\n");  // no longer read
    Settings::instance().load();
    EXPECT_EQ(Settings::instance().text("scale"), "3");
}

TEST_F(SettingsFixture, AValueSetForOneRunIsNeverStored) {
    Settings::instance().load();
    QString why;
    EXPECT_TRUE(Settings::instance().setForRun("skip=all", &why));
    EXPECT_TRUE(Settings::instance().setForRun("auto-base-ms=30", &why));
    EXPECT_EQ(Settings::instance().text("skip"), "all");
    Settings::instance().setNumber("auto-base-ms", 50);  // changed during the run: still not stored
    EXPECT_EQ(Settings::instance().number("auto-base-ms"), 50);
    for (const char* bad : {"auto=maybe", "auto-base-ms=60001", "nothing=1", "skip", "last-folder=/x"})
        EXPECT_FALSE(Settings::instance().setForRun(bad, &why)) << bad;
    Settings::instance().setNumber("auto-char-ms", 20);  // stored
    Settings::instance().reset();
    Settings::instance().load();
    EXPECT_EQ(Settings::instance().text("skip"), "read");
    EXPECT_EQ(Settings::instance().number("auto-base-ms"), 1500);
    EXPECT_EQ(Settings::instance().number("auto-char-ms"), 20);
}
