// The version check, its text and the module name it follows.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include <vrtools/tools.h>

TEST(Version, AnswersOnlyItsOwnVersion)
{
    const char* text = Get_Version_VR_Tools("1.1");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(Get_Version_VR_Tools(nullptr), text);  // one buffer, rewritten
    EXPECT_NE(std::string(text).find(".dll 1.1 (rev-b)"), std::string::npos) << text;
    EXPECT_STREQ(text, "libvrtools.dll 1.1 (rev-b)");
    for (const char* other : {"1.2", "", "1", "1.", "1.10", "1.1 ", "01.1"})
        EXPECT_EQ(Get_Version_VR_Tools(other), nullptr) << other;
    VR_Tools_Lib_Cleanup();
}

TEST(Version, TextFollowsTheModuleFileName)
{
    Dl_info info;
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&Get_Version_VR_Tools), &info), 0);
    const std::string copy = std::string(VRTOOLS_TEST_OUT) + "/renamed_widgets.so";
    {
        std::ifstream in(info.dli_fname, std::ios::binary);
        std::ofstream out(copy, std::ios::binary);
        out << in.rdbuf();
    }
    const std::string command = std::string(VRTOOLS_VERSION_PROBE) + " " + copy;
    FILE* probe = popen(command.c_str(), "r");
    ASSERT_NE(probe, nullptr);
    char line[512] = "";
    ASSERT_NE(std::fgets(line, sizeof line, probe), nullptr);
    EXPECT_EQ(pclose(probe), 0);
    EXPECT_STREQ(line, "renamed_widgets.dll 1.1 (rev-b)\n");
    std::remove(copy.c_str());
}
