// FS_CleanGamePath on any text into a buffer of exactly the file system's path size,
// checked against a plain rendering of the cleaning rules; the path comparisons and the
// archive hash run on what comes out.
#include "engine/fs/archive.h"
#include "engine/fs/file_access.h"
#include "fuzz/fuzz_support.h"

#include <cstring>
#include <memory>
#include <string>

namespace
{
bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

// The rules one by one: leading separators skipped, ".." or "::" refused, a "." before
// the end or a separator dropped, a run of separators written as one "/", at most
// FS_PATH_SIZE - 1 characters.
bool ReferenceClean(const char *in, std::string *out)
{
    while (IsSeparator(*in))
        ++in;
    out->clear();
    for (; *in != 0; ++in)
    {
        if ((in[0] == '.' && in[1] == '.') || (in[0] == ':' && in[1] == ':'))
            return false;
        if (in[0] == '.' && (in[1] == 0 || IsSeparator(in[1])))
            continue;
        if (out->size() >= static_cast<size_t>(FS_PATH_SIZE - 1))
            return false;
        if (IsSeparator(in[0]))
        {
            *out += '/';
            while (IsSeparator(in[1]))
                ++in;
            continue;
        }
        *out += in[0];
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string in = Fuzz_Text(data, size);
    // Exactly FS_PATH_SIZE bytes on the heap, so that a write past the end is caught.
    std::unique_ptr<char[]> out(new char[FS_PATH_SIZE]);
    memset(out.get(), 'x', FS_PATH_SIZE);

    std::string expected;
    bool cleaned = FS_CleanGamePath(in.c_str(), out.get());
    FUZZ_CHECK(cleaned == ReferenceClean(in.c_str(), &expected));
    if (!cleaned)
        return 0;
    FUZZ_CHECK(memchr(out.get(), 0, FS_PATH_SIZE) != nullptr);
    FUZZ_CHECK(expected == out.get());
    FUZZ_CHECK(strstr(out.get(), "..") == nullptr && strstr(out.get(), "::") == nullptr);
    FUZZ_CHECK(strchr(out.get(), '\\') == nullptr);

    FUZZ_CHECK(FS_SamePath(out.get(), out.get()) == 0);
    FUZZ_CHECK(FS_PathOrder(out.get(), out.get()) == 0);
    int order = FS_PathOrder(in.c_str(), out.get());
    FUZZ_CHECK(order >= -1 && order <= 1);
    FUZZ_CHECK(FS_PathOrder(out.get(), in.c_str()) == -order);
    FUZZ_CHECK((FS_SamePath(in.c_str(), out.get()) == 0) == (order == 0));
    for (int hashSize = 1; hashSize <= ARCHIVE_MAX_HASH_SIZE; hashSize <<= 1)
    {
        int chain = FS_ArchiveNameHash(out.get(), hashSize);
        FUZZ_CHECK(chain >= 0 && chain < hashSize);
    }
    return 0;
}
