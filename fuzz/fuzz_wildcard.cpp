// Str_WildcardMatch on any pattern and name (the input up to its first zero byte is the
// pattern, the rest up to the next zero byte the name), checked against a plain
// table-driven matcher of the same rules on inputs small enough for the table.
#include "engine/common/str.h"
#include "fuzz/fuzz_support.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr size_t REFERENCE_LIMIT = 256;

bool SameCharacter(char pattern, char name)
{
    return pattern == '?' || tolower(static_cast<unsigned char>(pattern)) ==
                                 tolower(static_cast<unsigned char>(name));
}

// matches[i][j]: the pattern from i matches the name from j.
bool ReferenceMatch(const std::string &pattern, const std::string &name)
{
    size_t p = pattern.size();
    size_t n = name.size();
    std::vector<std::vector<char>> matches(p + 1, std::vector<char>(n + 1, 0));
    matches[p][n] = 1;
    for (size_t i = p; i-- > 0;)
        for (size_t j = n + 1; j-- > 0;)
        {
            if (pattern[i] == '*')
                matches[i][j] = matches[i + 1][j] || (j < n && matches[i][j + 1]);
            else
                matches[i][j] =
                    j < n && SameCharacter(pattern[i], name[j]) && matches[i + 1][j + 1];
        }
    return matches[0][0] != 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string input(reinterpret_cast<const char *>(data), size);
    size_t split = input.find('\0');
    std::string pattern = input.substr(0, split);
    std::string name = split == std::string::npos ? std::string() : input.substr(split + 1).c_str();

    int result = Str_WildcardMatch(pattern.c_str(), name.c_str());
    if (pattern.size() <= REFERENCE_LIMIT && name.size() <= REFERENCE_LIMIT)
        FUZZ_CHECK((result == 0) == ReferenceMatch(pattern, name));
    // A pattern always matches itself when it holds no "*" or "?".
    if (pattern.find_first_of("*?") == std::string::npos)
        FUZZ_CHECK(Str_WildcardMatch(pattern.c_str(), pattern.c_str()) == 0);
    return 0;
}
