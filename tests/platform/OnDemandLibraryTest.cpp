// Loading a library's functions on first use: all of them or none.
#include "platform/OnDemandLibrary.h"

#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

extern "C" int qel_no_such_function(void);

namespace {

#define PRESENT(X) X(strlen) X(getpid)
#define WITH_ONE_MISSING(X) X(strlen) X(qel_no_such_function)

struct Present {
    PRESENT(QEL_FUNCTION_POINTER)
    bool load(const char* file, QString* why) { return qel::loadLibrary(file, {PRESENT(QEL_FUNCTION_ENTRY)}, why); }
};

struct OneMissing {
    WITH_ONE_MISSING(QEL_FUNCTION_POINTER)
    bool load(QString* why) { return qel::loadLibrary("libc.so.6", {WITH_ONE_MISSING(QEL_FUNCTION_ENTRY)}, why); }
};

TEST(OnDemandLibrary, StoresEveryFunctionOrNoneAndSaysWhatIsMissing) {
    Present libc;
    QString why;
    ASSERT_TRUE(libc.load("libc.so.6", &why)) << why.toStdString();
    EXPECT_EQ(libc.strlen("seven"), 5u);
    EXPECT_EQ(libc.getpid(), ::getpid());

    Present absent;
    EXPECT_FALSE(absent.load("libqel-absent.so.0", &why));
    EXPECT_TRUE(why.contains("libqel-absent.so.0")) << why.toStdString();
    EXPECT_EQ(absent.strlen, nullptr);

    OneMissing partly;
    EXPECT_FALSE(partly.load(&why));
    EXPECT_TRUE(why.contains("qel_no_such_function")) << why.toStdString();
    EXPECT_EQ(partly.strlen, nullptr);  // nothing stored when one is missing
}

}  // namespace
