#include "platform/sys_utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/scratch_directory.h"

namespace {

TEST(SysUtilsTest, SystemPathTurnsBackslashesIntoSlashes) {
    EXPECT_EQ(SystemPath("MAP\\map.bmp"), "MAP/map.bmp");
    EXPECT_EQ(SystemPath("TEXTURES\\Sky\\day_fr.jpg"), "TEXTURES/Sky/day_fr.jpg");
    EXPECT_EQ(SystemPath("save.dat"), "save.dat");
}

TEST(SysUtilsTest, ChangeFileExtReplacesOnlyTheLastNamesExtension) {
    EXPECT_EQ(ChangeFileExt("build/orvalle", ".ini"), "build/orvalle.ini");
    EXPECT_EQ(ChangeFileExt("/usr/bin/orvalle.exe", ".ini"), "/usr/bin/orvalle.ini");
    EXPECT_EQ(ChangeFileExt("a.b/c", ".ini"), "a.b/c.ini");
    EXPECT_EQ(ChangeFileExt("a.b/c.d.e", ".ini"), "a.b/c.d.ini");
    EXPECT_EQ(ChangeFileExt("orvalle", ".ini"), "orvalle.ini");
    EXPECT_EQ(ChangeFileExt("dir/", ".ini"), "dir/.ini");
}

TEST(SysUtilsTest, FileExistsCountsFilesButNotDirectories) {
    ScratchDirectory dir;
    CurrentDirectory here(dir.Path());
    ASSERT_EQ(mkdir("MAP", 0755), 0);
    WriteFileBytes("MAP/map.bmp", "");
    ASSERT_EQ(mkdir("MAP/sub", 0755), 0);
    ASSERT_EQ(symlink("map.bmp", "MAP/link.bmp"), 0);
    ASSERT_EQ(symlink("sub", "MAP/link_dir"), 0);
    EXPECT_TRUE(FileExists("MAP\\map.bmp"));
    EXPECT_TRUE(FileExists("MAP/map.bmp"));
    EXPECT_TRUE(FileExists("MAP\\link.bmp"));
    EXPECT_FALSE(FileExists("MAP"));
    EXPECT_FALSE(FileExists("MAP\\sub"));
    EXPECT_FALSE(FileExists("MAP\\link_dir"));
    EXPECT_FALSE(FileExists("MAP\\none.bmp"));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
