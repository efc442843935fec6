// The POSIX backend where file permissions count: folders that may be passed through but
// not listed still lead to files, and read tests answer as the system does.
#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/scoped_dir.h"

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <gtest/gtest.h>
#include <iterator>
#include <linux/posix_acl.h>
#include <linux/posix_acl_xattr.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

TEST(PlatformFiles, FilesAreCreatedBelowFoldersThatMayBePassedButNotListed)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root lists every folder; the end-to-end runs as an unprivileged user "
                        "cover this case";
    ScopedDir dir;
    MakeDirs(dir / "pass/out");
    chmod((dir / "pass").c_str(), 0300);
    FILE *file = Plat_FOpen((dir / "pass\\out\\x.wav").c_str(), "wb");
    EXPECT_NE(nullptr, file);
    if (file != nullptr)
        fclose(file);
    EXPECT_TRUE(Plat_MakeDir((dir / "pass/out/sub").c_str()));
    chmod((dir / "pass").c_str(), 0755);
    EXPECT_TRUE(FileExists(dir / "pass/out/x.wav"));
    EXPECT_TRUE(FileExists(dir / "pass/out/sub"));
}

TEST(PlatformFiles, ReadTestsAnswerAsTheSystemDoesForAccessControlLists)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root, to make files of one user and test them as another";
    // Files of root name the user 65534 in their access control lists, which the permission
    // bits alone do not tell; files of that user are decided by the owner's permission,
    // whatever the rest of the list says.
    struct Case
    {
        const char *name;
        uid_t owner;
        mode_t mode;
        uint16_t userPermission; // of user 65534
        bool readable;
    };
    const Case cases[] = {{"granted.wav", 0, 0600, ACL_READ, true},
                          {"refused.wav", 0, 0644, 0, false},
                          {"own.wav", 65534, 0400, 0, true},
                          {"own-unreadable.wav", 65534, 0044, ACL_READ, false}};
    ScopedDir dir;
    chmod(dir.path().c_str(), 0755);
    for (const Case &c : cases)
    {
        std::string path = dir / c.name;
        WriteFile(path, "riff");
        ASSERT_EQ(0, chown(path.c_str(), c.owner, 0));
        chmod(path.c_str(), c.mode);
        struct Entry
        {
            uint16_t tag, permission;
            uint32_t id;
        };
        struct
        {
            uint32_t version = POSIX_ACL_XATTR_VERSION;
            Entry entries[5];
        } acl;
        uint16_t group = (c.mode >> 3) & 7;
        acl.entries[0] = {ACL_USER_OBJ, uint16_t((c.mode >> 6) & 7), uint32_t(ACL_UNDEFINED_ID)};
        acl.entries[1] = {ACL_USER, c.userPermission, 65534};
        acl.entries[2] = {ACL_GROUP_OBJ, group, uint32_t(ACL_UNDEFINED_ID)};
        acl.entries[3] = {ACL_MASK, uint16_t(group | ACL_READ), uint32_t(ACL_UNDEFINED_ID)};
        acl.entries[4] = {ACL_OTHER, uint16_t(c.mode & 7), uint32_t(ACL_UNDEFINED_ID)};
        if (setxattr(path.c_str(), "system.posix_acl_access", &acl, sizeof(acl), 0) != 0)
            GTEST_SKIP() << "no access control lists here: " << strerror(errno);
    }
    // The answers come back as the bits of the exit status of a child that is user 65534.
    const int notSwitched = 0x80;
    pid_t child = fork();
    if (child == 0)
    {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(notSwitched);
        int answers = 0;
        for (size_t i = 0; i < std::size(cases); ++i)
            answers |= Plat_CanRead((dir / cases[i].name).c_str()) ? 1 << i : 0;
        _exit(answers);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(notSwitched, WEXITSTATUS(status));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].readable, (WEXITSTATUS(status) & (1 << i)) != 0) << cases[i].name;
}

TEST(PlatformFiles, ListingsFollowWhatThisProcessRemovesAndRenames)
{
    // Two spellings of one name, which only a POSIX folder holds: removing the one the
    // listing keeps leaves the other.
    ScopedDir dir;
    WriteFile(dir / "Src/A.wav", "");
    WriteFile(dir / "Src/a.wav", "");
    EXPECT_FALSE(Plat_CanRead((dir / "Src/missing.wav").c_str())); // lists Src
    EXPECT_TRUE(Plat_RemoveFile((dir / "Src/A.wav").c_str()));
    EXPECT_TRUE(Plat_CanRead((dir / "Src/a.wav").c_str()));

    // A folder renamed over an empty one brings its files, and its old path is gone.
    WriteFile(dir / "Old/Sub/x.wav", "");
    MakeDirs(dir / "New");
    EXPECT_FALSE(Plat_CanRead((dir / "New/missing.wav").c_str()));     // lists New
    EXPECT_FALSE(Plat_CanRead((dir / "Old/Sub/missing.wav").c_str())); // lists Old/Sub
    EXPECT_TRUE(Plat_ReplaceFile((dir / "Old").c_str(), (dir / "New").c_str()));
    EXPECT_TRUE(Plat_IsDirectory((dir / "new/sub").c_str()));
    EXPECT_TRUE(Plat_CanRead((dir / "New/Sub/x.wav").c_str()));
    EXPECT_FALSE(Plat_CanRead((dir / "Old/Sub/x.wav").c_str()));
    EXPECT_EQ(PLAT_ERROR_PATH_NOT_FOUND, Plat_LastError());
}
