// The index by name ignoring ASCII case: growth, replacement and removal keep every
// lookup right.
#include "engine/common/name_index.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
struct Named
{
    const char *name;
    int value;
};
const char *NameOf(const Named &named)
{
    return named.name;
}
} // namespace

TEST(NameIndex, FindsIgnoringCaseAcrossGrowthAndRemoval)
{
    std::vector<std::string> names;
    names.reserve(3000); // the index holds pointers to the texts
    for (int i = 0; i < 1000; ++i)
        names.push_back("Sound/Folder" + std::to_string(i % 7) + "/Name_" + std::to_string(i) +
                        ".WAV");
    NameIndex<Named, NameOf> index;
    EXPECT_EQ(nullptr, index.Find("anything"));
    for (int i = 0; i < 1000; ++i)
        index.Set(Named{names[i].c_str(), i});
    for (int i = 0; i < 1000; ++i)
    {
        std::string lower = names[i];
        for (char &c : lower)
            c = Str_ToLowerAscii(c);
        auto *slot = index.Find(lower.c_str());
        ASSERT_NE(nullptr, slot);
        EXPECT_EQ(i, slot->value.value);
    }
    for (int i = 0; i < 1000; i += 2)
        index.Remove(index.Find(names[i].c_str()));
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(i % 2 == 1, index.Find(names[i].c_str()) != nullptr) << names[i];

    // A name given again takes the new value; a removed one comes back.
    std::string other = "SOUND/FOLDER1/NAME_1.wav";
    index.Set(Named{other.c_str(), -1});
    EXPECT_EQ(-1, index.Find(names[1].c_str())->value.value);
    EXPECT_EQ(other.c_str(), index.Find(names[1].c_str())->value.name);
    index.Set(Named{names[2].c_str(), 2});
    EXPECT_EQ(2, index.Find("sound/folder2/name_2.wav")->value.value);
    for (int i = 1000; i < 3000; ++i)
        names.push_back("extra" + std::to_string(i));
    for (int i = 1000; i < 3000; ++i)
        index.Set(Named{names[i].c_str(), i});
    EXPECT_EQ(2999, index.Find("EXTRA2999")->value.value);
    EXPECT_EQ(2, index.Find(names[2].c_str())->value.value);
    EXPECT_EQ(nullptr, index.Find(names[4].c_str()));

    index.Clear();
    EXPECT_EQ(nullptr, index.Find(names[1].c_str()));
}
