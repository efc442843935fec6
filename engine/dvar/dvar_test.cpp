#include "engine/common/format.h"
#include "engine/dvar/dvar.h"
#include "tests/support/run_process.h"
#include "tests/support/scoped_dir.h"
#include "tool/console.h"
#include "tool/tool_state.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <cstring>
#include <deque>
#include <functional>
#include <string>

namespace
{
DvarValue IntValue(int32_t integer)
{
    DvarValue value;
    memset(&value, 0, sizeof(value));
    value.integer = integer;
    return value;
}

DvarValue TextValue(const char *text)
{
    DvarValue value;
    memset(&value, 0, sizeof(value));
    value.string = text;
    return value;
}

DvarValue FloatValue(float a, float b = 0, float c = 0, float d = 0)
{
    DvarValue value;
    memset(&value, 0, sizeof(value));
    value.vector[0] = a;
    value.vector[1] = b;
    value.vector[2] = c;
    value.vector[3] = d;
    return value;
}

DvarDomain FloatDomain(float min, float max)
{
    DvarDomain domain;
    memset(&domain, 0, sizeof(domain));
    domain.value.min = min;
    domain.value.max = max;
    return domain;
}

DvarDomain IntDomain(int32_t min, int32_t max)
{
    DvarDomain domain;
    memset(&domain, 0, sizeof(domain));
    domain.integer.min = min;
    domain.integer.max = max;
    return domain;
}

DvarDomain EnumDomain(const char *const *names, int count)
{
    DvarDomain domain;
    memset(&domain, 0, sizeof(domain));
    domain.enumeration.stringCount = count;
    domain.enumeration.strings = names;
    return domain;
}

DvarDomain NoDomain()
{
    DvarDomain domain;
    memset(&domain, 0, sizeof(domain));
    return domain;
}

int Occurrences(const std::string &text, const std::string &part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string DomainText(uint8_t type, DvarDomain domain)
{
    char buffer[1024];
    return Dvar_DomainToString(type, domain, buffer, sizeof(buffer));
}

const char *const qualityNames[] = {"low", "medium", "high"};

Dvar *RegisterEnum(const char *name, int32_t index, uint16_t flags)
{
    return Dvar_RegisterVariant(name, DVAR_TYPE_ENUM, flags, IntValue(index),
                                EnumDomain(qualityNames, 3), "quality");
}

class DvarTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Dvar_Shutdown();
        Com_CloseLog();
        Str_Copy(savedLogName_, toolState.logFileName, sizeof(savedLogName_));
        Str_Copy(toolState.logFileName, (dir_ / "dvar_test.log").c_str(),
                 sizeof(toolState.logFileName));
    }

    void TearDown() override
    {
        Dvar_Shutdown();
        Com_CloseLog();
        Str_Copy(toolState.logFileName, savedLogName_, sizeof(toolState.logFileName));
    }

    static std::string Capture(const std::function<void()> &action)
    {
        testing::internal::CaptureStdout();
        action();
        return testing::internal::GetCapturedStdout();
    }

    std::string LogText() const
    {
        return ReadTextOutput(dir_ / "dvar_test.log");
    }

    ScopedDir dir_;
    char savedLogName_[sizeof(toolState.logFileName)];
};

// ---------------------------------------------------------------- domain texts

TEST_F(DvarTest, DomainTextOfBooleanTextAndColour)
{
    EXPECT_EQ("Domain is 0 or 1", DomainText(DVAR_TYPE_BOOL, NoDomain()));
    EXPECT_EQ("Domain is any text", DomainText(DVAR_TYPE_STRING, NoDomain()));
    EXPECT_EQ("Domain is any 4-component color, in RGBA format",
              DomainText(DVAR_TYPE_COLOR, NoDomain()));
}

TEST_F(DvarTest, DomainTextOfFloatsCoversEveryBoundCase)
{
    EXPECT_EQ("Domain is any number from 0 to 1.5",
              DomainText(DVAR_TYPE_FLOAT, FloatDomain(0, 1.5f)));
    EXPECT_EQ("Domain is any number 10 or smaller",
              DomainText(DVAR_TYPE_FLOAT, FloatDomain(-FLT_MAX, 10)));
    EXPECT_EQ("Domain is any number -2.5 or bigger",
              DomainText(DVAR_TYPE_FLOAT, FloatDomain(-2.5f, FLT_MAX)));
    EXPECT_EQ("Domain is any number", DomainText(DVAR_TYPE_FLOAT, FloatDomain(-FLT_MAX, FLT_MAX)));
    // The bounds written out in full are the largest float.
    EXPECT_EQ("Domain is any number",
              DomainText(DVAR_TYPE_FLOAT, FloatDomain(-3.4028235e38f, 3.4028235e38f)));
}

TEST_F(DvarTest, DomainTextOfVectorsCoversEveryBoundCaseAndDimension)
{
    for (uint8_t type : {DVAR_TYPE_FLOAT_2, DVAR_TYPE_FLOAT_3, DVAR_TYPE_FLOAT_4})
    {
        std::string d = std::to_string(static_cast<int>(type));
        EXPECT_EQ("Domain is any " + d + "D vector with components from -1 to 1",
                  DomainText(type, FloatDomain(-1, 1)));
        EXPECT_EQ("Domain is any " + d + "D vector with components 0.25 or smaller",
                  DomainText(type, FloatDomain(-FLT_MAX, 0.25f)));
        EXPECT_EQ("Domain is any " + d + "D vector with components 3 or bigger",
                  DomainText(type, FloatDomain(3, FLT_MAX)));
        EXPECT_EQ("Domain is any " + d + "D vector",
                  DomainText(type, FloatDomain(-FLT_MAX, FLT_MAX)));
    }
}

TEST_F(DvarTest, DomainTextOfIntegersCoversEveryBoundCase)
{
    EXPECT_EQ("Domain is any integer from 0 to 2", DomainText(DVAR_TYPE_INT, IntDomain(0, 2)));
    EXPECT_EQ("Domain is any integer from -5 to -1", DomainText(DVAR_TYPE_INT, IntDomain(-5, -1)));
    EXPECT_EQ("Domain is any integer 7 or smaller",
              DomainText(DVAR_TYPE_INT, IntDomain(INT_MIN, 7)));
    EXPECT_EQ("Domain is any integer -3 or bigger",
              DomainText(DVAR_TYPE_INT, IntDomain(-3, INT_MAX)));
    EXPECT_EQ("Domain is any integer", DomainText(DVAR_TYPE_INT, IntDomain(INT_MIN, INT_MAX)));
}

TEST_F(DvarTest, DomainTextOfEnumerationListsEveryName)
{
    EXPECT_EQ("Domain is one of the following:\n   0: low\n   1: medium\n   2: high",
              DomainText(DVAR_TYPE_ENUM, EnumDomain(qualityNames, 3)));
    EXPECT_EQ("Domain is one of the following:",
              DomainText(DVAR_TYPE_ENUM, EnumDomain(nullptr, 0)));

    // Two-digit indices fill the "%2i" field.
    static const char *const many[] = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"};
    std::string text = DomainText(DVAR_TYPE_ENUM, EnumDomain(many, 11));
    EXPECT_NE(std::string::npos, text.find("\n   9: j\n  10: k"));
    EXPECT_EQ(text.size(), text.rfind("k") + 1);
}

TEST_F(DvarTest, DomainTextIsCutToTheBuffer)
{
    char small[20];
    memset(small, 'x', sizeof(small));
    Dvar_DomainToString(DVAR_TYPE_ENUM, EnumDomain(qualityNames, 3), small, sizeof(small));
    EXPECT_EQ(19u, strlen(small));
    EXPECT_EQ(std::string("Domain is one of th"), small);
}

// ---------------------------------------------------------------- conversions

TEST_F(DvarTest, ValueToStringGivesEachTypesTextForm)
{
    Dvar dvar;
    memset(&dvar, 0, sizeof(dvar));
    DvarValue value;
    memset(&value, 0, sizeof(value));

    dvar.type = DVAR_TYPE_BOOL;
    value.enabled = true;
    EXPECT_STREQ("1", Dvar_ValueToString(&dvar, value));
    value.enabled = false;
    EXPECT_STREQ("0", Dvar_ValueToString(&dvar, value));

    dvar.type = DVAR_TYPE_FLOAT;
    EXPECT_STREQ("0.5", Dvar_ValueToString(&dvar, FloatValue(0.5f)));
    dvar.type = DVAR_TYPE_FLOAT_2;
    EXPECT_STREQ("1 -2", Dvar_ValueToString(&dvar, FloatValue(1, -2)));
    dvar.type = DVAR_TYPE_FLOAT_3;
    EXPECT_STREQ("1 2 3.25", Dvar_ValueToString(&dvar, FloatValue(1, 2, 3.25f)));
    dvar.type = DVAR_TYPE_FLOAT_4;
    EXPECT_STREQ("1 2 3 4", Dvar_ValueToString(&dvar, FloatValue(1, 2, 3, 4)));
    dvar.type = DVAR_TYPE_INT;
    EXPECT_STREQ("-17", Dvar_ValueToString(&dvar, IntValue(-17)));
    dvar.type = DVAR_TYPE_STRING;
    EXPECT_STREQ("hello", Dvar_ValueToString(&dvar, TextValue("hello")));

    dvar.type = DVAR_TYPE_COLOR;
    value.color[0] = 255;
    value.color[1] = 0;
    value.color[2] = 128;
    value.color[3] = 51;
    EXPECT_STREQ("1 0 0.501961 0.2", Dvar_ValueToString(&dvar, value));

    dvar.type = DVAR_TYPE_ENUM;
    dvar.domain = EnumDomain(qualityNames, 3);
    EXPECT_STREQ("medium", Dvar_ValueToString(&dvar, IntValue(1)));
    // An index without a name shows its number rather than reading past the names.
    EXPECT_STREQ("-1337", Dvar_ValueToString(&dvar, IntValue(-1337)));
    EXPECT_STREQ("3", Dvar_ValueToString(&dvar, IntValue(3)));
    dvar.domain = EnumDomain(nullptr, 0);
    EXPECT_STREQ("", Dvar_ValueToString(&dvar, IntValue(0)));
}

TEST_F(DvarTest, StringToValueParsesEachType)
{
    DvarDomain none = NoDomain();
    EXPECT_TRUE(Dvar_StringToValue(DVAR_TYPE_BOOL, none, "7").enabled);
    EXPECT_FALSE(Dvar_StringToValue(DVAR_TYPE_BOOL, none, "0").enabled);
    EXPECT_FALSE(Dvar_StringToValue(DVAR_TYPE_BOOL, none, "true").enabled);
    EXPECT_FLOAT_EQ(2.5f, Dvar_StringToValue(DVAR_TYPE_FLOAT, none, "2.5").value);

    DvarValue v = Dvar_StringToValue(DVAR_TYPE_FLOAT_2, none, "1.5");
    EXPECT_FLOAT_EQ(1.5f, v.vector[0]);
    EXPECT_FLOAT_EQ(0.0f, v.vector[1]);
    v = Dvar_StringToValue(DVAR_TYPE_FLOAT_3, none, "( 1, 2, 3 )");
    EXPECT_FLOAT_EQ(1, v.vector[0]);
    EXPECT_FLOAT_EQ(2, v.vector[1]);
    EXPECT_FLOAT_EQ(3, v.vector[2]);
    v = Dvar_StringToValue(DVAR_TYPE_FLOAT_3, none, "4 5 6");
    EXPECT_FLOAT_EQ(4, v.vector[0]);
    EXPECT_FLOAT_EQ(6, v.vector[2]);
    v = Dvar_StringToValue(DVAR_TYPE_FLOAT_4, none, "1 2 3");
    EXPECT_FLOAT_EQ(3, v.vector[2]);
    EXPECT_FLOAT_EQ(0, v.vector[3]);

    EXPECT_EQ(-42, Dvar_StringToValue(DVAR_TYPE_INT, none, "-42").integer);
    EXPECT_EQ(12, Dvar_StringToValue(DVAR_TYPE_INT, none, "12abc").integer);
    EXPECT_EQ(0, Dvar_StringToValue(DVAR_TYPE_INT, none, "abc").integer);
    EXPECT_EQ(INT_MAX, Dvar_StringToValue(DVAR_TYPE_INT, none, "99999999999999").integer);

    const char *text = "some text";
    EXPECT_EQ(text, Dvar_StringToValue(DVAR_TYPE_STRING, none, text).string);
}

TEST_F(DvarTest, StringToValueFindsEnumerationIndices)
{
    DvarDomain domain = EnumDomain(qualityNames, 3);
    EXPECT_EQ(2, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "HIGH").integer);
    EXPECT_EQ(1, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "1").integer);
    EXPECT_EQ(2, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "Hi").integer);
    EXPECT_EQ(1, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "m").integer);
    EXPECT_EQ(-1337, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "3").integer);
    EXPECT_EQ(-1337, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "99999999999999999999").integer);
    EXPECT_EQ(-1337, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "ultra").integer);
    EXPECT_EQ(-1337, Dvar_StringToValue(DVAR_TYPE_ENUM, domain, "highest").integer);
    // A name that is all digits is found as a name before it is read as an index.
    static const char *const digitNames[] = {"10", "0"};
    EXPECT_EQ(1, Dvar_StringToValue(DVAR_TYPE_ENUM, EnumDomain(digitNames, 2), "0").integer);
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_ENUM, IntValue(-1337), domain));
}

TEST_F(DvarTest, ColourTextIsClampedAndRoundedToTheNearestByte)
{
    DvarValue v = Dvar_StringToValue(DVAR_TYPE_COLOR, NoDomain(), "1 0 0.5");
    EXPECT_EQ(255, v.color[0]);
    EXPECT_EQ(0, v.color[1]);
    EXPECT_EQ(128, v.color[2]);
    EXPECT_EQ(0, v.color[3]);
    v = Dvar_StringToValue(DVAR_TYPE_COLOR, NoDomain(), "2 -1 0.999 0.001");
    EXPECT_EQ(255, v.color[0]);
    EXPECT_EQ(0, v.color[1]);
    EXPECT_EQ(255, v.color[2]);
    EXPECT_EQ(0, v.color[3]);

    // Every byte survives its own text form.
    Dvar dvar;
    memset(&dvar, 0, sizeof(dvar));
    dvar.type = DVAR_TYPE_COLOR;
    for (int byte = 0; byte < 256; ++byte)
    {
        DvarValue colour;
        memset(&colour, 0, sizeof(colour));
        for (int i = 0; i < 4; ++i)
            colour.color[i] = static_cast<unsigned char>(byte);
        DvarValue back =
            Dvar_StringToValue(DVAR_TYPE_COLOR, NoDomain(), Dvar_ValueToString(&dvar, colour));
        ASSERT_EQ(0, memcmp(colour.color, back.color, 4)) << byte;
    }
}

TEST_F(DvarTest, ValueInDomainAndClamping)
{
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT, FloatValue(1), FloatDomain(0, 1)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT, FloatValue(1.01f), FloatDomain(0, 1)));
    EXPECT_FALSE(
        Dvar_ValueInDomain(DVAR_TYPE_FLOAT, FloatValue(NAN), FloatDomain(-FLT_MAX, FLT_MAX)));
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT_2, FloatValue(0, 1, 99), FloatDomain(0, 1)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT_3, FloatValue(0, 1, 99), FloatDomain(0, 1)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_FLOAT_4, FloatValue(0, 1, 1, -1), FloatDomain(0, 1)));
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_INT, IntValue(2), IntDomain(0, 2)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_INT, IntValue(3), IntDomain(0, 2)));
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_ENUM, IntValue(0), EnumDomain(nullptr, 0)));
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_ENUM, IntValue(2), EnumDomain(qualityNames, 3)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_ENUM, IntValue(3), EnumDomain(qualityNames, 3)));
    EXPECT_FALSE(Dvar_ValueInDomain(DVAR_TYPE_ENUM, IntValue(-1), EnumDomain(qualityNames, 3)));
    EXPECT_TRUE(Dvar_ValueInDomain(DVAR_TYPE_STRING, TextValue("x"), NoDomain()));

    EXPECT_EQ(
        2,
        Dvar_ClampValueToDomain(DVAR_TYPE_INT, IntValue(9), IntValue(0), IntDomain(0, 2)).integer);
    EXPECT_EQ(-1,
              Dvar_ClampValueToDomain(DVAR_TYPE_INT, IntValue(-9), IntValue(0), IntDomain(-1, 2))
                  .integer);
    EXPECT_FLOAT_EQ(0.5f, Dvar_ClampValueToDomain(DVAR_TYPE_FLOAT, FloatValue(7), FloatValue(0),
                                                  FloatDomain(0, 0.5f))
                              .value);
    DvarValue v = Dvar_ClampValueToDomain(DVAR_TYPE_FLOAT_3, FloatValue(-5, 0.25f, 5, 100),
                                          FloatValue(0), FloatDomain(0, 1));
    EXPECT_FLOAT_EQ(0, v.vector[0]);
    EXPECT_FLOAT_EQ(0.25f, v.vector[1]);
    EXPECT_FLOAT_EQ(1, v.vector[2]);
    EXPECT_FLOAT_EQ(100, v.vector[3]); // not a component of a 3-vector
    EXPECT_EQ(1, Dvar_ClampValueToDomain(DVAR_TYPE_ENUM, IntValue(-1337), IntValue(1),
                                         EnumDomain(qualityNames, 3))
                     .integer);
    EXPECT_EQ(2, Dvar_ClampValueToDomain(DVAR_TYPE_ENUM, IntValue(2), IntValue(1),
                                         EnumDomain(qualityNames, 3))
                     .integer);
    DvarValue raw;
    memset(&raw, 0, sizeof(raw));
    raw.color[0] = 5; // a boolean byte other than 0 or 1
    DvarValue clamped = Dvar_ClampValueToDomain(DVAR_TYPE_BOOL, raw, IntValue(0), NoDomain());
    EXPECT_EQ(1, clamped.color[0]);
}

// ---------------------------------------------------------------- hashing and lookup

TEST_F(DvarTest, HashFoldsAsciiCaseAndReportsANullName)
{
    EXPECT_EQ((97 * 119) & 255, generateHashValue("a"));
    EXPECT_EQ((97 * 119 + 98 * 120) & 255, generateHashValue("aB"));
    EXPECT_EQ(generateHashValue("fs_basepath"), generateHashValue("FS_BasePath"));
    std::string out = Capture([] { EXPECT_EQ(nullptr, Dvar_FindVar(nullptr)); });
    EXPECT_EQ("ERROR: null name in generateHashValue", out);
}

TEST_F(DvarTest, NamesDifferingInCaseFindOneRecord)
{
    Dvar *first = Dvar_RegisterInt("com_Speed", 1, 0, 10, 0, "speed");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, Dvar_FindVar("COM_SPEED"));
    EXPECT_EQ(first, Dvar_FindVar("com_speed"));
    Dvar *second = Dvar_RegisterInt("COM_SPEED", 5, 0, 10, 0x4, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, first->current.integer);
    EXPECT_EQ(0x4, first->flags);
    EXPECT_STREQ("speed", first->description);
    EXPECT_EQ(nullptr, Dvar_FindVar("com_speedy"));
}

// ---------------------------------------------------------------- setting values

TEST_F(DvarTest, OutOfDomainSetPrintsBothLinesAndKeepsTheValue)
{
    Dvar *dvar = Dvar_RegisterInt("r_mode", 1, 0, 2, 0, "mode");
    std::string out = Capture([&] { Dvar_SetVariant(dvar, IntValue(3), DVAR_SOURCE_INTERNAL); });
    const std::string expected =
        "'3' is not a valid value for dvar 'r_mode'\n  Domain is any integer from 0 to 2\n";
    EXPECT_EQ(expected, out);
    EXPECT_EQ(expected, LogText());
    EXPECT_EQ(1, dvar->current.integer);
    EXPECT_EQ(1, dvar->latched.integer);
    EXPECT_EQ(0, dvar->modified);

    out = Capture([&] { Dvar_SetFromString(dvar, "-4"); });
    EXPECT_EQ("'-4' is not a valid value for dvar 'r_mode'\n  Domain is any integer from 0 to 2\n",
              out);
    EXPECT_EQ(1, dvar->current.integer);
}

TEST_F(DvarTest, OutOfDomainEnumerationFallsBackToItsResetValueOnce)
{
    Dvar *dvar = RegisterEnum("r_quality", 1, 0);
    Dvar_SetVariant(dvar, IntValue(2), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(2, dvar->current.integer);
    std::string out = Capture([&] { Dvar_SetFromString(dvar, "ultra"); });
    EXPECT_EQ("'-1337' is not a valid value for dvar 'r_quality'\n"
              "  Domain is one of the following:\n   0: low\n   1: medium\n   2: high\n",
              out);
    EXPECT_EQ(1, dvar->current.integer);

    // A reset value outside the domain is reported too, and the set ends.
    Dvar *broken = RegisterEnum("r_broken", 7, 0);
    Dvar_SetVariant(broken, IntValue(2), DVAR_SOURCE_INTERNAL);
    out = Capture([&] { Dvar_SetVariant(broken, IntValue(5), DVAR_SOURCE_INTERNAL); });
    EXPECT_EQ(2, Occurrences(out, "is not a valid value"));
    EXPECT_NE(std::string::npos, out.find("'5' is not a valid value for dvar 'r_broken'\n"));
    EXPECT_NE(std::string::npos, out.find("'7' is not a valid value for dvar 'r_broken'\n"));
    EXPECT_EQ(2, broken->current.integer);
}

TEST_F(DvarTest, SettingTheCurrentValueLeavesModifiedAlone)
{
    Dvar *number = Dvar_RegisterInt("n", 4, 0, 10, 0, "");
    Dvar_SetVariant(number, IntValue(4), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(0, number->modified);
    Dvar_SetVariant(number, IntValue(5), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(1, number->modified);
    Dvar_ClearModified(number);
    EXPECT_EQ(0, number->modified);
    Dvar_SetVariant(number, IntValue(5), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(0, number->modified);

    char text[] = "value";
    Dvar *name = Dvar_RegisterString("t", text, 0, "");
    Dvar_SetFromString(name, "value");
    EXPECT_EQ(0, name->modified);
    Dvar_SetFromString(name, "Value"); // text compares exactly
    EXPECT_EQ(1, name->modified);
    Dvar_ClearModified(name);
    Dvar_SetFromString(name, "Value");
    EXPECT_EQ(0, name->modified);
}

TEST_F(DvarTest, TextValuesAreOwnedCopies)
{
    char initial[] = "first";
    Dvar *dvar = Dvar_RegisterString("text", initial, 0, "");
    EXPECT_NE(initial, dvar->current.string);
    EXPECT_EQ(dvar->current.string, dvar->reset.string);
    EXPECT_EQ(dvar->current.string, dvar->latched.string);
    strcpy(initial, "XXXXX");
    EXPECT_STREQ("first", dvar->current.string);

    char next[] = "second";
    Dvar_SetVariant(dvar, TextValue(next), DVAR_SOURCE_INTERNAL);
    strcpy(next, "YYYYYY");
    EXPECT_STREQ("second", dvar->current.string);
    EXPECT_EQ(dvar->current.string, dvar->latched.string);
    EXPECT_STREQ("first", dvar->reset.string);

    // Back to the reset text, then away again: the reset block is never released early.
    Dvar_SetVariant(dvar, dvar->reset, DVAR_SOURCE_INTERNAL);
    EXPECT_STREQ("first", dvar->current.string);
    Dvar_SetFromString(dvar, "third");
    Dvar_SetFromString(dvar, "fourth");
    EXPECT_STREQ("first", dvar->reset.string);
    EXPECT_STREQ("fourth", dvar->current.string);

    Dvar *empty = Dvar_RegisterString("empty", nullptr, 0, "");
    EXPECT_STREQ("", empty->current.string);
}

TEST_F(DvarTest, SetFromStringCutsTextTo1023Characters)
{
    Dvar *dvar = Dvar_RegisterString("long", "", 0, "");
    std::string text(2000, 'a');
    text[1022] = 'b';
    text[1023] = 'c';
    Dvar_SetFromString(dvar, text.c_str());
    EXPECT_EQ(1023u, strlen(dvar->current.string));
    EXPECT_EQ('b', dvar->current.string[1022]);
}

TEST_F(DvarTest, SetFromStringReadsOtherTypes)
{
    Dvar *quality = RegisterEnum("quality", 0, 0);
    Dvar_SetFromString(quality, "High");
    EXPECT_EQ(2, quality->current.integer);
    Dvar_SetFromString(quality, "1");
    EXPECT_EQ(1, quality->current.integer);

    Dvar *number = Dvar_RegisterInt("number", 0, -10, 10, 0, "");
    Dvar_SetFromString(number, "-7");
    EXPECT_EQ(-7, number->current.integer);
    Dvar *flag = Dvar_RegisterBool("flag", false, 0, "");
    Dvar_SetFromString(flag, "1");
    EXPECT_TRUE(flag->current.enabled);
}

TEST_F(DvarTest, WriteProtectedAndReadOnlyRefuseOutsideSources)
{
    Dvar *guarded = Dvar_RegisterInt("guarded", 1, 0, 10, DVAR_WRITE_PROTECTED, "");
    Dvar *fixed = Dvar_RegisterInt("fixed", 1, 0, 10, DVAR_READ_ONLY | DVAR_WRITE_PROTECTED, "");
    for (int source : {DVAR_SOURCE_USER, DVAR_SOURCE_EXTERNAL})
    {
        EXPECT_EQ("guarded is write protected.\n",
                  Capture([&] { Dvar_SetVariant(guarded, IntValue(5), source); }));
        EXPECT_EQ("fixed is read only.\n",
                  Capture([&] { Dvar_SetVariant(fixed, IntValue(5), source); }));
        EXPECT_EQ(1, guarded->current.integer);
        EXPECT_EQ(1, guarded->latched.integer);
        EXPECT_EQ(1, fixed->current.integer);
        EXPECT_EQ(0, guarded->modified);
    }
    // The program itself may set them.
    EXPECT_EQ("", Capture([&] { Dvar_SetVariant(fixed, IntValue(6), DVAR_SOURCE_INTERNAL); }));
    EXPECT_EQ(6, fixed->current.integer);

    // An invalid value is reported before any refusal.
    EXPECT_EQ(
        "'11' is not a valid value for dvar 'guarded'\n  Domain is any integer from 0 to 10\n",
        Capture([&] { Dvar_SetVariant(guarded, IntValue(11), DVAR_SOURCE_USER); }));
}

TEST_F(DvarTest, CheatProtectionRefusesUsersOnlyWhileCheatsAreOff)
{
    Dvar *cheats = Dvar_RegisterBool("sv_cheats", false, 0x18, "External Dvar");
    Dvar *god = Dvar_RegisterInt("god", 0, 0, 1, DVAR_CHEAT, "");
    EXPECT_EQ("god is cheat protected.\n",
              Capture([&] { Dvar_SetVariant(god, IntValue(1), DVAR_SOURCE_USER); }));
    EXPECT_EQ(0, god->current.integer);
    // Other outside sources pass the cheat check.
    EXPECT_EQ("", Capture([&] { Dvar_SetVariant(god, IntValue(1), DVAR_SOURCE_EXTERNAL); }));
    EXPECT_EQ(1, god->current.integer);

    DvarValue on;
    memset(&on, 0, sizeof(on));
    on.enabled = true;
    Dvar_SetVariant(cheats, on, DVAR_SOURCE_INTERNAL);
    EXPECT_EQ("", Capture([&] { Dvar_SetVariant(god, IntValue(0), DVAR_SOURCE_USER); }));
    EXPECT_EQ(0, god->current.integer);
}

TEST_F(DvarTest, CheatProtectedRegistrationResetsWhileCheatsAreOff)
{
    Dvar_RegisterBool("sv_cheats", false, 0x18, "External Dvar");
    Dvar *speed = Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    Dvar_SetVariant(speed, IntValue(7), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(7, speed->current.integer);
    EXPECT_EQ(speed, Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, ""));
    EXPECT_EQ(3, speed->current.integer);
    EXPECT_EQ(3, speed->latched.integer);

    Dvar *name = Dvar_RegisterString("g_name", "default", DVAR_CHEAT, "");
    Dvar_SetFromString(name, "changed");
    Dvar_RegisterString("g_name", "default", DVAR_CHEAT, "");
    EXPECT_STREQ("default", name->current.string);
    EXPECT_STREQ("default", name->latched.string);
    EXPECT_STREQ("default", name->reset.string);
    Dvar_SetFromString(name, "again");
    EXPECT_STREQ("again", name->current.string);
}

TEST_F(DvarTest, CheatProtectedRegistrationKeepsTheValueWhileCheatsAreOnOrUnknown)
{
    Dvar *speed = Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    Dvar_SetVariant(speed, IntValue(7), DVAR_SOURCE_INTERNAL);
    Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, ""); // sv_cheats not registered yet
    EXPECT_EQ(7, speed->current.integer);
    Dvar_RegisterBool("sv_cheats", true, 0x18, "External Dvar");
    Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    EXPECT_EQ(7, speed->current.integer);
}

TEST_F(DvarTest, LatchedValuesWaitForTheNextRegistration)
{
    Dvar *mode = Dvar_RegisterInt("r_latched", 1, 0, 10, DVAR_LATCHED, "");
    EXPECT_EQ("r_latched will be changed upon restarting.\n",
              Capture([&] { Dvar_SetVariant(mode, IntValue(5), DVAR_SOURCE_USER); }));
    EXPECT_EQ(1, mode->current.integer);
    EXPECT_EQ(5, mode->latched.integer);
    EXPECT_EQ(0, mode->modified);
    // Latching the current value again prints nothing and cancels the change.
    EXPECT_EQ("", Capture([&] { Dvar_SetVariant(mode, IntValue(1), DVAR_SOURCE_EXTERNAL); }));
    EXPECT_EQ(1, mode->latched.integer);

    Dvar_SetVariant(mode, IntValue(8), DVAR_SOURCE_USER);
    EXPECT_EQ(mode, Dvar_RegisterInt("r_latched", 1, 0, 10, DVAR_LATCHED, ""));
    EXPECT_EQ(8, mode->current.integer);
    EXPECT_EQ(8, mode->latched.integer);
    EXPECT_EQ(1, mode->reset.integer);
    EXPECT_EQ(1, mode->modified);

    // The program's own sets are not latched.
    Dvar_SetVariant(mode, IntValue(2), DVAR_SOURCE_INTERNAL);
    EXPECT_EQ(2, mode->current.integer);
}

TEST_F(DvarTest, LatchedTextIsOwnedAndTakesEffectOnRegistration)
{
    Dvar *map = Dvar_RegisterString("sv_map", "start", DVAR_LATCHED, "");
    char first[] = "first";
    Dvar_SetVariant(map, TextValue(first), DVAR_SOURCE_USER);
    strcpy(first, "XXXXX");
    EXPECT_STREQ("first", map->latched.string);
    Dvar_SetVariant(map, TextValue("second"), DVAR_SOURCE_USER);
    EXPECT_STREQ("start", map->current.string);
    EXPECT_STREQ("second", map->latched.string);
    Dvar_RegisterString("sv_map", "start", DVAR_LATCHED, "");
    EXPECT_STREQ("second", map->current.string);
    EXPECT_EQ(map->current.string, map->latched.string);
    EXPECT_STREQ("start", map->reset.string);
    // Latching the reset text, then the current text.
    Dvar_SetVariant(map, map->reset, DVAR_SOURCE_USER);
    Dvar_SetVariant(map, TextValue("second"), DVAR_SOURCE_USER);
    EXPECT_EQ(map->current.string, map->latched.string);
}

// ---------------------------------------------------------------- external variables

TEST_F(DvarTest, BasePathSetBeforeRegistrationSurvivesTheTakeover)
{
    // Tool_Init: sv_cheats, then fs_basepath as an external text from a buffer of its own.
    Dvar_RegisterBool("sv_cheats", true, 0x18, "External Dvar");
    std::string kitRoot = "/kit/root/";
    char nameBuffer[] = "fs_basepath";
    Dvar *external =
        Dvar_RegisterString(nameBuffer, kitRoot.c_str(), DVAR_EXTERNAL, "External Dvar");
    ASSERT_NE(nullptr, external);
    EXPECT_NE(nameBuffer, external->name); // owned copy
    EXPECT_STREQ("fs_basepath", external->name);
    EXPECT_EQ(DVAR_EXTERNAL, external->flags);
    strcpy(nameBuffer, "xxxxxxxxxxx");
    kitRoot.assign(kitRoot.size(), 'x');

    // The file system registers it for real.
    static const char realName[] = "fs_basepath";
    Dvar *basePath = Dvar_RegisterString(realName, "/work/dir", 0x210, "Base game path");
    EXPECT_EQ(external, basePath);
    EXPECT_EQ(realName, basePath->name); // referenced, no longer owned
    EXPECT_EQ(0x210, basePath->flags);
    EXPECT_EQ(DVAR_TYPE_STRING, basePath->type);
    EXPECT_STREQ("/kit/root/", basePath->current.string);
    EXPECT_STREQ("/kit/root/", basePath->latched.string);
    EXPECT_STREQ("/work/dir", basePath->reset.string);
    EXPECT_STREQ("Base game path", basePath->description);
    EXPECT_STREQ("/kit/root/", Dvar_GetString("FS_BASEPATH"));

    // fs_homepath takes the reset value of fs_basepath.
    Dvar *homePath =
        Dvar_RegisterString("fs_homepath", basePath->reset.string, 0x210, "Game home path");
    EXPECT_STREQ("/work/dir", homePath->current.string);
    EXPECT_NE(basePath->reset.string, homePath->current.string);

    // Registering again changes nothing.
    Dvar_RegisterString(realName, "/elsewhere", 0x210, "Base game path");
    EXPECT_STREQ("/kit/root/", basePath->current.string);
    EXPECT_STREQ("/work/dir", basePath->reset.string);
}

TEST_F(DvarTest, BasePathFoundAtStartUpIsSetFromString)
{
    // The other branch of Tool_Init: the variable exists and is set from text.
    Dvar *external = Dvar_RegisterString("fs_basepath", "old", DVAR_EXTERNAL, "External Dvar");
    Dvar_SetFromString(Dvar_FindVar("fs_basepath"), "/kit/");
    EXPECT_EQ(1, external->modified);
    Dvar *basePath = Dvar_RegisterString("fs_basepath", "/cwd", 0x210, "Base game path");
    EXPECT_STREQ("/kit/", basePath->current.string);
    EXPECT_STREQ("/cwd", basePath->reset.string);
    EXPECT_EQ(0x210, basePath->flags);
}

TEST_F(DvarTest, ExternalVariableRetypedToIntegerIsClamped)
{
    Dvar *external = Dvar_RegisterString("com_maxfps", "500", DVAR_EXTERNAL, "External Dvar");
    Dvar *fps = Dvar_RegisterInt("com_maxfps", 85, 0, 100, 0x4, "Frame rate cap");
    EXPECT_EQ(external, fps);
    EXPECT_EQ(DVAR_TYPE_INT, fps->type);
    EXPECT_EQ(100, fps->current.integer);
    EXPECT_EQ(100, fps->latched.integer);
    EXPECT_EQ(85, fps->reset.integer);
    EXPECT_EQ(0, fps->domain.integer.min);
    EXPECT_EQ(100, fps->domain.integer.max);
    EXPECT_EQ(0x4, fps->flags);
    EXPECT_EQ(100, Dvar_GetInt("com_maxfps"));

    Dvar_RegisterString("low", "-5", DVAR_EXTERNAL, "External Dvar");
    EXPECT_EQ(1, Dvar_RegisterInt("low", 50, 1, 100, 0, "")->current.integer);
    Dvar_RegisterString("fine", "42", DVAR_EXTERNAL, "External Dvar");
    EXPECT_EQ(42, Dvar_RegisterInt("fine", 50, 1, 100, 0, "")->current.integer);
}

TEST_F(DvarTest, ExternalVariableTakesTheRegistrationValueWhenProtected)
{
    Dvar_RegisterString("ro", "abc", DVAR_EXTERNAL, "External Dvar");
    Dvar *ro = Dvar_RegisterString("ro", "def", DVAR_READ_ONLY, "");
    EXPECT_STREQ("def", ro->current.string);
    EXPECT_STREQ("def", ro->reset.string);

    Dvar_RegisterBool("sv_cheats", false, 0x18, "External Dvar");
    Dvar_RegisterString("cheat", "7", DVAR_EXTERNAL, "External Dvar");
    Dvar *cheat = Dvar_RegisterInt("cheat", 2, 0, 10, DVAR_CHEAT, "");
    EXPECT_EQ(2, cheat->current.integer);
}

TEST_F(DvarTest, ExternalVariablesOfOtherTypesAreRetypedThroughText)
{
    // External integer taken over by a text registration: its text form survives.
    Dvar_RegisterInt("ext_int", 42, 0, 100, DVAR_EXTERNAL, "External Dvar");
    Dvar *text = Dvar_RegisterString("ext_int", "zero", 0, "");
    EXPECT_STREQ("42", text->current.string);
    EXPECT_STREQ("zero", text->reset.string);

    // External text taken over by an enumeration: names are found, unknown text falls back.
    Dvar_RegisterString("ext_enum", "HIGH", DVAR_EXTERNAL, "External Dvar");
    EXPECT_EQ(2, RegisterEnum("ext_enum", 1, 0)->current.integer);
    Dvar_RegisterString("ext_bad", "ultra", DVAR_EXTERNAL, "External Dvar");
    EXPECT_EQ(1, RegisterEnum("ext_bad", 1, 0)->current.integer);

    // Both external, types differ: retyped, still external and owning its name.
    char nameBuffer[] = "ext_both";
    Dvar *both = Dvar_RegisterString(nameBuffer, "9", DVAR_EXTERNAL, "External Dvar");
    EXPECT_EQ(both, Dvar_RegisterInt("ext_both", 1, 0, 5, DVAR_EXTERNAL, "External Dvar"));
    EXPECT_EQ(DVAR_TYPE_INT, both->type);
    EXPECT_EQ(5, both->current.integer);
    EXPECT_EQ(1, both->reset.integer);
    EXPECT_EQ(DVAR_EXTERNAL, both->flags);
    EXPECT_NE(nameBuffer, both->name);
    // Both external, same type: only flags and description.
    Dvar *same = Dvar_RegisterString("ext_same", "a", DVAR_EXTERNAL, "External Dvar");
    Dvar_RegisterString("ext_same", "b", DVAR_EXTERNAL | 0x4, "again");
    EXPECT_STREQ("a", same->current.string);
    EXPECT_EQ(DVAR_EXTERNAL | 0x4, same->flags);
    EXPECT_STREQ("again", same->description);
}

TEST_F(DvarTest, ExternalRegistrationOfARegisteredVariableAddsNoExternalFlag)
{
    static const char name[] = "fs_game";
    Dvar *game = Dvar_RegisterString(name, "", 0x1C, "Game data directory");
    Dvar_RegisterString("fs_game", "other", DVAR_EXTERNAL, "External Dvar");
    EXPECT_EQ(0x1C, game->flags);
    EXPECT_EQ(name, game->name);
    EXPECT_STREQ("", game->current.string);
}

// ---------------------------------------------------------------- pool and lifecycle

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
    std::string out =
        Capture([&] { overflow = Dvar_RegisterInt("one_too_many", 1, 0, 10, 0, ""); });
    EXPECT_EQ("ERROR: Can't create dvar 'one_too_many': 4096 dvars already exist", out);
    EXPECT_EQ(nullptr, overflow);
    out = Capture([&] { overflow = Dvar_RegisterString("ext_too_many", "x", DVAR_EXTERNAL, ""); });
    EXPECT_EQ("ERROR: Can't create dvar 'ext_too_many': 4096 dvars already exist", out);
    EXPECT_EQ(nullptr, overflow);
    EXPECT_EQ(nullptr, Dvar_FindVar("one_too_many"));

    // Every operation tolerates the missing record; typed reads give their fallback.
    Dvar_SetVariant(overflow, IntValue(1), DVAR_SOURCE_INTERNAL);
    Dvar_SetFromString(overflow, "1");
    Dvar_ClearModified(overflow);
    EXPECT_EQ(42, Dvar_GetInt("one_too_many", 42));
    EXPECT_TRUE(Dvar_GetBool("one_too_many", true));
    EXPECT_STREQ("fallback", Dvar_GetString("one_too_many", "fallback"));

    // Existing records are still found and reregistered.
    EXPECT_EQ(4095, Dvar_GetInt("DVAR_4095"));
    EXPECT_NE(nullptr, Dvar_RegisterInt("dvar_0", 0, 0, 1, 0, ""));
    Dvar_Shutdown();
    names.clear();
}

TEST_F(DvarTest, ShutdownEmptiesTheRegistryForNewRegistrations)
{
    Dvar_RegisterBool("sv_cheats", false, 0x18, "External Dvar");
    Dvar_RegisterString("fs_basepath", "/kit/", DVAR_EXTERNAL, "External Dvar");
    Dvar_RegisterString("text", "value", 0, "");
    Dvar_Shutdown();
    EXPECT_EQ(nullptr, Dvar_FindVar("sv_cheats"));
    EXPECT_EQ(nullptr, Dvar_FindVar("fs_basepath"));
    EXPECT_EQ(nullptr, Dvar_FindVar("text"));

    Dvar *text = Dvar_RegisterString("text", "again", 0, "");
    EXPECT_STREQ("again", text->current.string);
    EXPECT_EQ(0, text->modified);
    // sv_cheats was forgotten: a cheat-protected registration no longer resets.
    Dvar *speed = Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    Dvar_SetVariant(speed, IntValue(7), DVAR_SOURCE_INTERNAL);
    Dvar_RegisterInt("g_speed", 3, 0, 10, DVAR_CHEAT, "");
    EXPECT_EQ(7, speed->current.integer);
    Dvar_Shutdown();
    Dvar_Shutdown(); // twice is harmless
}

TEST_F(DvarTest, TypedReadsConvertOrFallBack)
{
    Dvar_RegisterBool("b", true, 0, "");
    Dvar_RegisterInt("i", -3, -10, 10, 0, "");
    Dvar_RegisterString("s", "12", 0, "");
    RegisterEnum("e", 2, 0);
    EXPECT_TRUE(Dvar_GetBool("b"));
    EXPECT_EQ(1, Dvar_GetInt("b"));
    EXPECT_STREQ("1", Dvar_GetString("b"));
    EXPECT_EQ(-3, Dvar_GetInt("i"));
    EXPECT_TRUE(Dvar_GetBool("i"));
    EXPECT_STREQ("-3", Dvar_GetString("i"));
    EXPECT_EQ(12, Dvar_GetInt("s"));
    EXPECT_TRUE(Dvar_GetBool("s"));
    EXPECT_STREQ("high", Dvar_GetString("e"));
    EXPECT_EQ(2, Dvar_GetInt("e"));
    EXPECT_FALSE(Dvar_GetBool("missing"));
    EXPECT_EQ(0, Dvar_GetInt("missing"));
    EXPECT_STREQ("", Dvar_GetString("missing"));
}
} // namespace
