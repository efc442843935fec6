// The settings registry: domain texts, conversions between values and text, domain checks,
// lookup, setting values under each protection, latching, the takeover of variables
// registered as external text, the pool limit and shutdown.
#include "engine/dvar/dvar.h"

#include "engine/common/console.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace
{
DvarValue IntValue(int32_t integer)
{
    DvarValue value{};
    value.integer = integer;
    return value;
}

DvarValue TextValue(const char *text)
{
    DvarValue value{};
    value.string = text;
    return value;
}

DvarValue FloatValue(float a, float b = 0, float c = 0, float d = 0)
{
    DvarValue value{};
    value.vector[0] = a;
    value.vector[1] = b;
    value.vector[2] = c;
    value.vector[3] = d;
    return value;
}

DvarDomain FloatDomain(float min, float max)
{
    DvarDomain domain{};
    domain.value = {min, max};
    return domain;
}

DvarDomain EnumDomain(const char *const *names, int count)
{
    DvarDomain domain{};
    domain.enumeration = {count, names};
    return domain;
}

const DvarDomain NO_DOMAIN{};
const char *const qualityNames[] = {"low", "medium", "high"};
const DvarDomain QUALITY = EnumDomain(qualityNames, 3);

Dvar *RegisterEnum(const char *name, int32_t index)
{
    return Dvar_RegisterVariant(name, DVAR_TYPE_ENUM, 0, IntValue(index), QUALITY, "quality");
}

Dvar *RegisterExternal(const char *name, const char *text)
{
    return Dvar_RegisterString(name, text, DVAR_EXTERNAL, "External Dvar");
}

std::string Printed(const std::function<void()> &action)
{
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// The registry's messages go to a log in a scratch folder.
class DvarTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        Com_CloseLog();
        Com_BindOutputOptions(nullptr, log.c_str());
        Dvar_Shutdown();
    }
    void TearDown() override
    {
        Dvar_Shutdown();
        Com_CloseLog();
        Com_BindOutputOptions(nullptr, nullptr);
    }

    ScopedDir dir;
    std::string log = dir / "test.log";
};

TEST(DvarDomainText, EveryTypeAndBoundCase)
{
    static const char *const many[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"};
    struct Case
    {
        uint8_t type;
        DvarDomain domain;
        std::string text;
    };
    std::vector<Case> cases = {
        {DVAR_TYPE_BOOL, NO_DOMAIN, "0 or 1"},
        {DVAR_TYPE_STRING, NO_DOMAIN, "any text"},
        {DVAR_TYPE_COLOR, NO_DOMAIN, "any 4-component color, in RGBA format"},
        {DVAR_TYPE_FLOAT, FloatDomain(0, 1.5f), "any number from 0 to 1.5"},
        {DVAR_TYPE_FLOAT, FloatDomain(-FLT_MAX, 10), "any number 10 or smaller"},
        {DVAR_TYPE_FLOAT, FloatDomain(-2.5f, FLT_MAX), "any number -2.5 or bigger"},
        // The bounds written out in full are the largest float.
        {DVAR_TYPE_FLOAT, FloatDomain(-3.4028235e38f, 3.4028235e38f), "any number"},
        {DVAR_TYPE_INT, DvarDomain{{-5, 2}}, "any integer from -5 to 2"},
        {DVAR_TYPE_INT, DvarDomain{{INT_MIN, 7}}, "any integer 7 or smaller"},
        {DVAR_TYPE_INT, DvarDomain{{-3, INT_MAX}}, "any integer -3 or bigger"},
        {DVAR_TYPE_INT, DvarDomain{{INT_MIN, INT_MAX}}, "any integer"},
        {DVAR_TYPE_ENUM, QUALITY, "one of the following:\n   0: low\n   1: medium\n   2: high"},
        {DVAR_TYPE_ENUM, EnumDomain(nullptr, 0), "one of the following:"},
    };
    for (uint8_t type : {DVAR_TYPE_FLOAT_2, DVAR_TYPE_FLOAT_3, DVAR_TYPE_FLOAT_4})
    {
        std::string vector = "any " + std::to_string(static_cast<int>(type)) + "D vector";
        cases.push_back({type, FloatDomain(-1, 1), vector + " with components from -1 to 1"});
        cases.push_back(
            {type, FloatDomain(-FLT_MAX, .25f), vector + " with components 0.25 or smaller"});
        cases.push_back({type, FloatDomain(3, FLT_MAX), vector + " with components 3 or bigger"});
        cases.push_back({type, FloatDomain(-FLT_MAX, FLT_MAX), vector});
    }
    char buffer[1024];
    for (const Case &c : cases)
        EXPECT_EQ("Domain is " + c.text,
                  Dvar_DomainToString(c.type, c.domain, buffer, sizeof(buffer)));

    // Two-digit indices fill the "%2i" field.
    std::string text = Dvar_DomainToString(DVAR_TYPE_ENUM, EnumDomain(many, 11), buffer, 1024);
    EXPECT_EQ(text.size() - 16, text.find("\n   9: j\n  10: k"));
    // A small buffer gets the start of the text, terminated.
    char small[20];
    memset(small, 'x', sizeof(small));
    Dvar_DomainToString(DVAR_TYPE_ENUM, QUALITY, small, sizeof(small));
    EXPECT_EQ(std::string("Domain is one of th"), small);
}

TEST(DvarConversion, ValuesToTextAndBackDomainTestsAndClamping)
{
    Dvar dvar{};
    EXPECT_STREQ("0", Dvar_ValueToString(&dvar, IntValue(0))); // a boolean
    const std::pair<uint8_t, const char *> forms[] = {{DVAR_TYPE_FLOAT, "0.5"},
                                                      {DVAR_TYPE_FLOAT_2, "0.5 -2"},
                                                      {DVAR_TYPE_FLOAT_3, "0.5 -2 3.25"},
                                                      {DVAR_TYPE_FLOAT_4, "0.5 -2 3.25 4"}};
    for (const auto &[type, text] : forms)
    {
        dvar.type = type;
        EXPECT_STREQ(text, Dvar_ValueToString(&dvar, FloatValue(0.5f, -2, 3.25f, 4)));
    }
    dvar.type = DVAR_TYPE_ENUM;
    dvar.domain = QUALITY;
    EXPECT_STREQ("medium", Dvar_ValueToString(&dvar, IntValue(1)));
    // An index without a name shows its number rather than reading past the names.
    EXPECT_STREQ("3", Dvar_ValueToString(&dvar, IntValue(3)));

    EXPECT_FALSE(Dvar_StringToValue(DVAR_TYPE_BOOL, NO_DOMAIN, "true").enabled);
    // Three components may be written in parentheses; missing components are 0.
    DvarValue v = Dvar_StringToValue(DVAR_TYPE_FLOAT_3, NO_DOMAIN, "( 4, 5, 6 )");
    EXPECT_EQ(0, memcmp(FloatValue(4, 5, 6).vector, v.vector, 3 * sizeof(float)));
    v = Dvar_StringToValue(DVAR_TYPE_FLOAT_4, NO_DOMAIN, "4 5 6");
    EXPECT_EQ(0, memcmp(FloatValue(4, 5, 6, 0).vector, v.vector, sizeof(v.vector)));
    EXPECT_EQ(12, Dvar_StringToValue(DVAR_TYPE_INT, NO_DOMAIN, "12abc").integer);
    EXPECT_EQ(INT_MAX, Dvar_StringToValue(DVAR_TYPE_INT, NO_DOMAIN, "99999999999999").integer);
    // Enumerations: a whole name in any case, an index, then a prefix; else -1337.
    const std::pair<const char *, int> names[] = {
        {"HIGH", 2},       {"1", 1}, {"Hi", 2}, {"3", -1337}, {"99999999999999999999", -1337},
        {"highest", -1337}};
    for (const auto &[name, index] : names)
        EXPECT_EQ(index, Dvar_StringToValue(DVAR_TYPE_ENUM, QUALITY, name).integer) << name;
    // A name that is all digits is found as a name before it is read as an index.
    static const char *const digitNames[] = {"10", "0"};
    EXPECT_EQ(1, Dvar_StringToValue(DVAR_TYPE_ENUM, EnumDomain(digitNames, 2), "0").integer);

    // Colours are clamped and rounded to the nearest byte; every byte survives its text.
    v = Dvar_StringToValue(DVAR_TYPE_COLOR, NO_DOMAIN, "2 -1 0.999");
    EXPECT_EQ(0, memcmp("\xff\x00\xff\x00", v.color, 4));
    dvar.type = DVAR_TYPE_COLOR;
    for (int byte = 0; byte < 256; ++byte)
    {
        DvarValue colour{};
        memset(colour.color, byte, 4);
        DvarValue back =
            Dvar_StringToValue(DVAR_TYPE_COLOR, NO_DOMAIN, Dvar_ValueToString(&dvar, colour));
        ASSERT_EQ(0, memcmp(colour.color, back.color, 4)) << byte;
    }

    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT, FloatValue(1.01f), FloatDomain(0, 1)));
    EXPECT_FALSE(
        Dvar_ValueInDomain(DVAR_TYPE_FLOAT, FloatValue(NAN), FloatDomain(-FLT_MAX, FLT_MAX)));
    // Only the components of the vector's dimension count.
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT_2, FloatValue(0, 1, 99), FloatDomain(0, 1)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT_3, FloatValue(0, 1, 99), FloatDomain(0, 1)));
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_ENUM, IntValue(0), EnumDomain(nullptr, 0)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_ENUM, IntValue(3), QUALITY));

    v = Dvar_ClampValueToDomain(DVAR_TYPE_FLOAT_3, FloatValue(-5, 0.25f, 5, 100), FloatValue(0),
                                FloatDomain(0, 1));
    EXPECT_EQ(0, memcmp(FloatValue(0, 0.25f, 1, 100).vector, v.vector, sizeof(v.vector)));
    DvarValue raw{};
    raw.color[0] = 5; // a boolean byte other than 0 or 1
    EXPECT_EQ(1, Dvar_ClampValueToDomain(DVAR_TYPE_BOOL, raw, IntValue(0), NO_DOMAIN).color[0]);
}

TEST_F(DvarTest, LookupIgnoresCaseShutdownForgetsEverythingAndTypedReadsConvert)
{
    EXPECT_EQ("ERROR: null name in generateHashValue",
              Printed([] { EXPECT_EQ(nullptr, Dvar_FindVar(nullptr)); }));
    Dvar *first = Dvar_RegisterInt("com_Speed", 1, 0, 10, 0, "speed");
    EXPECT_EQ(first, Dvar_FindVar("COM_SPEED"));
    // Registering again keeps the value and adds the flags.
    EXPECT_EQ(first, Dvar_RegisterInt("COM_SPEED", 5, 0, 10, 0x4, nullptr));
    EXPECT_EQ(1, first->current.integer);
    EXPECT_EQ(0x4, first->flags);

    Dvar_RegisterBool("sv_cheats", false, 0x18, "External Dvar");
    Dvar_Shutdown();
    EXPECT_EQ(nullptr, Dvar_FindVar("sv_cheats"));
    // sv_cheats was forgotten: a cheat-protected registration no longer resets.
    Dvar *speed = Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    Dvar_SetVariant(speed, IntValue(7), DVAR_SOURCE_INTERNAL);
    Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    EXPECT_TRUE(Dvar_GetBool("g_speed"));
    EXPECT_STREQ("7", Dvar_GetString("g_speed"));
    Dvar_RegisterString("s", "12", 0, "");
    RegisterEnum("e", 2);
    EXPECT_EQ(12, Dvar_GetInt("s"));
    EXPECT_STREQ("high", Dvar_GetString("e"));
    EXPECT_EQ(2, Dvar_GetInt("e"));
    EXPECT_FALSE(Dvar_GetBool("missing"));
}

TEST_F(DvarTest, OutOfDomainSetsAreReportedAndKeepTheValue)
{
    Dvar *dvar = Dvar_RegisterInt("r_mode", 1, 0, 2, 0, "mode");
    const std::string expected =
        "'3' is not a valid value for dvar 'r_mode'\n  Domain is any integer from 0 to 2\n";
    EXPECT_EQ(expected, Printed([&] { Dvar_SetVariant(dvar, IntValue(3), DVAR_SOURCE_USER); }));
    EXPECT_EQ(expected, ReadTextOutput(dir / "test.log"));
    EXPECT_EQ(1, dvar->current.integer);
    EXPECT_EQ(0, dvar->modified);

    // An enumeration falls back to its reset value; a reset value outside the domain is
    // reported too, and the set ends.
    Dvar *quality = RegisterEnum("r_quality", 7);
    Dvar_SetVariant(quality, IntValue(2), DVAR_SOURCE_INTERNAL);
    std::string out = Printed([&] { Dvar_SetFromString(quality, "ultra"); });
    EXPECT_EQ(0u, out.find("'-1337' is not a valid value for dvar 'r_quality'\n"
                           "  Domain is one of the following:\n   0: low\n   1: medium\n"));
    EXPECT_NE(std::string::npos, out.find("\n'7' is not a valid value for dvar 'r_quality'\n"));
    EXPECT_EQ(2, quality->current.integer);
}

TEST_F(DvarTest, TextValuesAreOwnedCopiesCutTo1023Characters)
{
    char initial[] = "first";
    Dvar *dvar = Dvar_RegisterString("text", initial, 0, "");
    strcpy(initial, "XXXXX");
    EXPECT_STREQ("first", dvar->current.string);
    char next[] = "second";
    Dvar_SetVariant(dvar, TextValue(next), DVAR_SOURCE_INTERNAL);
    strcpy(next, "YYYYYY");
    EXPECT_STREQ("second", dvar->current.string);
    EXPECT_STREQ("first", dvar->reset.string);
    EXPECT_EQ(1, dvar->modified);
    // Back to the reset text, then away again: the reset block is never released early.
    Dvar_SetVariant(dvar, dvar->reset, DVAR_SOURCE_INTERNAL);
    Dvar_SetFromString(dvar, "third");
    EXPECT_STREQ("first", dvar->reset.string);
    // Setting the current text again leaves the modified mark alone; case counts.
    Dvar_ClearModified(dvar);
    Dvar_SetFromString(dvar, "third");
    EXPECT_EQ(0, dvar->modified);
    Dvar_SetFromString(dvar, "Third");
    EXPECT_EQ(1, dvar->modified);

    std::string text(2000, 'a');
    text[1022] = 'b';
    Dvar_SetFromString(dvar, text.c_str());
    EXPECT_EQ(text.substr(0, 1023), dvar->current.string);
}

TEST_F(DvarTest, ProtectedVariablesRefuseOutsideSourcesAndLatchedValuesWait)
{
    Dvar *guarded = Dvar_RegisterInt("guarded", 1, 0, 10, DVAR_WRITE_PROTECTED, "");
    Dvar *fixed = Dvar_RegisterInt("fixed", 1, 0, 10, DVAR_READ_ONLY | DVAR_WRITE_PROTECTED, "");
    for (int source : {DVAR_SOURCE_USER, DVAR_SOURCE_EXTERNAL})
    {
        EXPECT_EQ("guarded is write protected.\n",
                  Printed([&] { Dvar_SetVariant(guarded, IntValue(5), source); }));
        EXPECT_EQ("fixed is read only.\n",
                  Printed([&] { Dvar_SetVariant(fixed, IntValue(5), source); }));
    }
    // The program itself may set them.
    Dvar_SetVariant(fixed, IntValue(6), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(1, guarded->current.integer);
    EXPECT_EQ(6, fixed->current.integer);

    // Cheat protection refuses users only, only while sv_cheats is off, and resets the value
    // when registered again.
    Dvar *speed = Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    Dvar_SetVariant(speed, IntValue(7), DVAR_SOURCE_USER); // sv_cheats not registered yet
    Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    EXPECT_EQ(7, speed->current.integer);
    Dvar *cheats = Dvar_RegisterBool("sv_cheats", false, 0x18, "External Dvar");
    EXPECT_EQ("g_speed is cheat protected.\n",
              Printed([&] { Dvar_SetVariant(speed, IntValue(1), DVAR_SOURCE_USER); }));
    Dvar_SetVariant(speed, IntValue(8), DVAR_SOURCE_EXTERNAL);
    EXPECT_EQ(8, speed->current.integer);
    Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    EXPECT_EQ(3, speed->current.integer);
    EXPECT_EQ(3, speed->latched.integer);
    cheats->current.enabled = true;
    Dvar_SetVariant(speed, IntValue(9), DVAR_SOURCE_USER);
    Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    EXPECT_EQ(9, speed->current.integer);

    // Latched values wait for the next registration.
    Dvar *mode = Dvar_RegisterInt("r_latched", 1, 0, 10, DVAR_LATCHED, "");
    EXPECT_EQ("r_latched will be changed upon restarting.\n",
              Printed([&] { Dvar_SetVariant(mode, IntValue(5), DVAR_SOURCE_USER); }));
    EXPECT_EQ(1, mode->current.integer);
    EXPECT_EQ(5, mode->latched.integer);
    // Latching the current value again prints nothing and cancels the change.
    EXPECT_EQ("", Printed([&] { Dvar_SetVariant(mode, IntValue(1), DVAR_SOURCE_EXTERNAL); }));
    EXPECT_EQ(1, mode->latched.integer);
    // The program's own sets are not latched.
    Dvar_SetVariant(mode, IntValue(2), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(2, mode->current.integer);

    // Latched text is owned and becomes current at the next registration.
    Dvar *map = Dvar_RegisterString("sv_map", "start", DVAR_LATCHED, "");
    char first[] = "first";
    Dvar_SetVariant(map, TextValue(first), DVAR_SOURCE_USER);
    strcpy(first, "XXXXX");
    EXPECT_STREQ("first", map->latched.string);
    EXPECT_STREQ("start", map->current.string);
    EXPECT_EQ(map, Dvar_RegisterString("sv_map", "start", DVAR_LATCHED, ""));
    EXPECT_STREQ("first", map->current.string);
    EXPECT_STREQ("start", map->reset.string);
    EXPECT_EQ(1, map->modified);
}

TEST_F(DvarTest, ExternalVariablesAreRetypedThroughTextUnlessProtected)
{
    // The record takes the registration's name and flags; the copy it owned goes.
    static const char fpsName[] = "com_maxfps";
    RegisterExternal("com_maxfps", "500");
    Dvar *fps = Dvar_RegisterInt(fpsName, 85, 0, 100, 0x4, "Frame rate cap");
    EXPECT_EQ(fpsName, fps->name);
    EXPECT_EQ(0x4, fps->flags);
    EXPECT_EQ(DVAR_TYPE_INT, fps->type);
    EXPECT_EQ(100, fps->current.integer); // clamped
    EXPECT_EQ(100, fps->latched.integer);
    EXPECT_EQ(85, fps->reset.integer);
    // An external integer taken over by a text registration keeps its text form.
    Dvar_RegisterInt("ext_int", 42, 0, 100, DVAR_EXTERNAL, "External Dvar");
    EXPECT_STREQ("42", Dvar_RegisterString("ext_int", "zero", 0, "")->current.string);
    // Enumerations find names; unknown text falls back to the registration's value.
    RegisterExternal("ext_enum", "HIGH");
    EXPECT_EQ(2, RegisterEnum("ext_enum", 1)->current.integer);
    RegisterExternal("ext_bad", "ultra");
    EXPECT_EQ(1, RegisterEnum("ext_bad", 1)->current.integer);
    // Both external, types differ: retyped, still external and owning its name.
    char nameBuffer[] = "ext_both";
    Dvar *both = RegisterExternal(nameBuffer, "9");
    EXPECT_EQ(5, Dvar_RegisterInt("ext_both", 1, 0, 5, DVAR_EXTERNAL, "")->current.integer);
    EXPECT_EQ(DVAR_EXTERNAL, both->flags);
    EXPECT_NE(nameBuffer, both->name);

    // Read-only and cheat-protected registrations take their own value.
    RegisterExternal("ro", "abc");
    EXPECT_STREQ("def", Dvar_RegisterString("ro", "def", DVAR_READ_ONLY, "")->current.string);
    Dvar_RegisterBool("sv_cheats", false, 0x18, "External Dvar");
    RegisterExternal("cheat", "7");
    EXPECT_EQ(2, Dvar_RegisterInt("cheat", 2, 0, 10, DVAR_CHEAT, "")->current.integer);
    // An external registration of a registered variable adds no external flag.
    static const char name[] = "fs_game";
    Dvar *game = Dvar_RegisterString(name, "", 0x1C, "Game data directory");
    RegisterExternal("fs_game", "other");
    EXPECT_EQ(0x1C, game->flags);
    EXPECT_STREQ("", game->current.string);
}

TEST_F(DvarTest, The4097thRegistrationIsReportedAndReturnsNull)
{
    // Names are referenced, not copied: they must outlive the registry.
    static std::deque<std::string> names;
    names.clear();
    for (int i = 0; i < DVAR_MAX_COUNT; ++i)
    {
        names.push_back("dvar_" + std::to_string(i));
        ASSERT_NE(nullptr, Dvar_RegisterInt(names.back().c_str(), i, 0, 1 << 20, 0, ""));
    }
    Dvar *overflow = nullptr;
    EXPECT_EQ("ERROR: Can't create dvar 'one_too_many': 4096 dvars already exist",
              Printed([&] { overflow = Dvar_RegisterInt("one_too_many", 1, 0, 10, 0, ""); }));
    EXPECT_EQ(nullptr, overflow);
    EXPECT_EQ(nullptr, RegisterExternal("ext_too_many", "x"));

    // Every operation tolerates the missing record; typed reads give their fallback.
    Dvar_SetVariant(overflow, IntValue(1), DVAR_SOURCE_INTERNAL);
    Dvar_SetFromString(overflow, "1");
    Dvar_ClearModified(overflow);
    EXPECT_EQ(42, Dvar_GetInt("one_too_many", 42));
    EXPECT_STREQ("fallback", Dvar_GetString("one_too_many", "fallback"));
    EXPECT_EQ(4095, Dvar_GetInt("DVAR_4095"));
    Dvar_Shutdown();
    names.clear();
}

} // namespace
